#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesko {

// UTF-8 inside the program, UTF-16 at the Windows boundary. Invalid input never throws:
// ill-formed sequences become U+FFFD.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

// For text whose sender must not get a silently altered copy: an unpaired surrogate
// gives no text at all instead of U+FFFD.
std::optional<std::string> toUtf8Strict(std::wstring_view wide);

}  // namespace vesko
