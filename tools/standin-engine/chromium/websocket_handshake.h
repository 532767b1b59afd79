#pragma once
// The HTTP upgrade that opens a WebSocket connection, client side: the request with a
// fresh key, and the check that the server's answer proves it read that key.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesko::standin {

// Bytes from the system's cryptographic generator (handshake keys, frame masks).
std::string randomBytes(std::size_t count);
// The Sec-WebSocket-Accept value a server must answer to this Sec-WebSocket-Key.
std::string webSocketAccept(std::string_view key);

std::string upgradeRequest(std::uint16_t port, std::string_view path, std::string_view key);
// Throws std::runtime_error naming what is wrong unless head (the status line and the
// headers, up to the blank line) accepts the upgrade for key.
void checkUpgradeResponse(std::string_view head, std::string_view key);

}  // namespace vesko::standin
