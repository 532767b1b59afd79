// Text at the COM boundary: task memory for the host, UTF-8 and UTF-16 both ways.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "com_support.h"

namespace vesko::standin {

HRESULT copyToTaskMemory(std::wstring_view text, LPWSTR* out) {
    if (out == nullptr) return E_POINTER;
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (copy == nullptr) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = L'\0';
    *out = copy;
    return S_OK;
}

std::string narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string hexResult(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
    return text;
}

}  // namespace vesko::standin
