#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesko {

inline constexpr std::string_view kDefaultDownloadName = "KORDIS_document.pdf";
inline constexpr std::size_t kMaxDownloadNameBytes = 180;

// Turns a suggested download name (a bare name or a whole path, UTF-8, chosen by the
// page) into a name safe to propose for the Windows file system: no directory parts, no
// forbidden characters, no trailing dots or spaces, no device names, at most 180 bytes.
// Never fails; the result is never empty and is valid UTF-8 whenever the input was.
std::string sanitizeDownloadName(std::string_view name);

}  // namespace vesko
