#pragma once

#include <string>
#include <string_view>

namespace vesko {

// Length of the root of a Windows path: "C:\" (3), "C:" (2), "\" (1),
// "\\server\share\" and the "\\?\" forms; 0 for a relative path.
std::size_t windowsRootLength(std::wstring_view path);

// The folder that holds the last component of a Windows path: the last component and
// the separators before it go, the root never does ("D:\app.exe" gives "D:\").
// Both '\' and '/' separate components.
std::wstring parentDirectoryOf(std::wstring_view path);

}  // namespace vesko
