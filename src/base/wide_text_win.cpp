#include "base/wide_text_win.h"

#include <windows.h>

#include <climits>

namespace vesko {
namespace {

// With WC_ERR_INVALID_CHARS the conversion fails, giving 0, on an unpaired surrogate.
std::optional<std::string> convertToUtf8(std::wstring_view wide, DWORD flags) {
    if (wide.empty() || wide.size() > INT_MAX) return std::string{};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::nullopt;
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, flags, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace

std::wstring toWide(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > INT_MAX) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string toUtf8(std::wstring_view wide) { return convertToUtf8(wide, 0).value_or(std::string{}); }

std::optional<std::string> toUtf8Strict(std::wstring_view wide) {
    return convertToUtf8(wide, WC_ERR_INVALID_CHARS);
}

}  // namespace vesko
