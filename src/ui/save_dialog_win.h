#pragma once
// The save dialog shared by the diagnostics report and the downloads.

#include <windows.h>

#include <string>
#include <string_view>

namespace vesko {

// The dialog's filter: display name and pattern, each ending in NUL, the whole list
// ending in a second NUL.
std::wstring saveFilter(std::string_view displayName, std::string_view pattern);

// The standard save dialog owned by `owner`, proposing `defaultName` cut to 250
// characters, asking before overwriting, requiring an existing folder and adding no
// extension. The chosen path, or empty when the user cancels or the dialog fails.
std::wstring promptSavePath(HWND owner, const std::wstring& defaultName, const std::wstring& filter);

}  // namespace vesko
