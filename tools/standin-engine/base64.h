#pragma once
// Base64 (standard alphabet) both ways: WebSocket keys and request bodies for the DevTools
// protocol, screencast frames and response bodies from it, bodies on the control channel.

#include <optional>
#include <string>
#include <string_view>

namespace vesko::standin {

// With padding.
std::string base64Encode(std::string_view bytes);
// The bytes text encodes (padding optional); nothing when text is not base64.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace vesko::standin
