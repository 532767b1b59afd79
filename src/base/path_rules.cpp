#include "base/path_rules.h"

namespace vesko {
namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Index just past the next separator run starting at `from`, skipping one component.
std::size_t skipComponent(std::wstring_view path, std::size_t from) {
    while (from < path.size() && !isSeparator(path[from])) ++from;
    if (from < path.size()) ++from;
    return from;
}

std::size_t driveRootLength(std::wstring_view path, std::size_t at) {
    if (path.size() >= at + 2 && isDriveLetter(path[at]) && path[at + 1] == L':') {
        return (path.size() > at + 2 && isSeparator(path[at + 2])) ? at + 3 : at + 2;
    }
    return 0;
}

}  // namespace

std::size_t windowsRootLength(std::wstring_view path) {
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // "\\?\" and "\\.\": a drive or "UNC\server\share\" follows.
        if (path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && isSeparator(path[3])) {
            if (const std::size_t drive = driveRootLength(path, 4)) return drive;
            const std::wstring_view rest = path.substr(4);
            if (rest.size() >= 4 && (rest.substr(0, 3) == L"UNC" || rest.substr(0, 3) == L"unc") &&
                isSeparator(rest[3])) {
                return skipComponent(path, skipComponent(path, 8));
            }
            return skipComponent(path, 4);
        }
        // "\\server\share\"
        return skipComponent(path, skipComponent(path, 2));
    }
    if (const std::size_t drive = driveRootLength(path, 0)) return drive;
    return (!path.empty() && isSeparator(path[0])) ? 1 : 0;
}

std::wstring parentDirectoryOf(std::wstring_view path) {
    const std::size_t root = windowsRootLength(path);
    std::size_t end = path.size();
    while (end > root && !isSeparator(path[end - 1])) --end;  // the last component
    while (end > root && isSeparator(path[end - 1])) --end;   // the separators before it
    return std::wstring(path.substr(0, end));
}

}  // namespace vesko
