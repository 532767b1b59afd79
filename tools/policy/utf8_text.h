#pragma once

#include <string>
#include <string_view>

namespace vesko::tool {

// Copies `bytes`, replacing every byte that is not part of a well-formed UTF-8
// sequence by U+FFFD, so that whatever an operator pipes in can be shown as JSON text.
std::string replaceInvalidUtf8(std::string_view bytes);

}  // namespace vesko::tool
