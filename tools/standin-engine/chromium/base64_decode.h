#pragma once
// Base64 to bytes, for what the DevTools protocol sends as base64 (screencast frames).

#include <optional>
#include <string>
#include <string_view>

namespace vesko::standin {

// The bytes text encodes (standard alphabet, padding optional); nothing when text is not
// base64.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace vesko::standin
