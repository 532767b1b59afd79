#pragma once

#include <string_view>

namespace vesko {

// Whether a file saved under `path` (a bare name or a whole path, UTF-8) would be one that
// Windows runs when it is opened: its extension, in any letter case, is one of the
// compiled-in blocked extensions. Read as Windows reads the name: the last part after '/'
// or '\', trailing dots and spaces ignored ("a.exe. " is "a.exe"); a ':' starts an
// alternate data stream, and every part of "a.exe::$DATA" or "a.txt:b.exe" is checked.
bool isBlockedDownloadType(std::string_view path);

}  // namespace vesko
