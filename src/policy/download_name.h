#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

inline constexpr std::string_view kDefaultDownloadName = "KORDIS_document.pdf";
inline constexpr std::size_t kMaxDownloadNameBytes = 180;

// Turns a suggested download name (a bare name or a whole path, UTF-8, chosen by the
// page) into a name safe to propose for the Windows file system: no invisible characters
// (format characters such as the bidirectional controls, removed before any other rule),
// no directory parts, no forbidden characters, no trailing dots or spaces, no device
// names, at most 180 bytes. Bytes that are not well-formed UTF-8 become '_'. Never fails;
// the result is never empty and is always valid UTF-8.
std::string sanitizeDownloadName(std::string_view name);

}  // namespace vesko
