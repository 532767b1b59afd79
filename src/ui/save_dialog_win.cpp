#include "ui/save_dialog_win.h"

#include <commdlg.h>

#include <vector>

#include "base/wide_text_win.h"

namespace vesko {
namespace {

constexpr std::size_t kPathBufferLength = 32768;
constexpr std::size_t kMaxProposedNameLength = 250;

}  // namespace

std::wstring saveFilter(std::string_view displayName, std::string_view pattern) {
    std::wstring filter = toWide(displayName);
    filter.push_back(L'\0');
    filter += toWide(pattern);
    filter.push_back(L'\0');
    return filter;  // c_str() adds the list's closing NUL
}

std::wstring promptSavePath(HWND owner, const std::wstring& defaultName, const std::wstring& filter) {
    std::vector<wchar_t> buffer(kPathBufferLength, L'\0');
    const std::wstring proposed = defaultName.substr(0, kMaxProposedNameLength);
    std::copy(proposed.begin(), proposed.end(), buffer.begin());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog)) return {};
    return std::wstring(buffer.data());
}

}  // namespace vesko
