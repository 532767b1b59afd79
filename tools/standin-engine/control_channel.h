#pragma once
// The stand-in's control channel: a TCP port on 127.0.0.1 through which a test drives what
// pages do and reads the record of host calls (protocol in control_channel_commands.h).
// The DLL opens it when VESKO_STANDIN_CONTROL_PORT names a port; without the variable
// nothing listens. Sockets report to a message-only window of the thread that opened the
// channel, so every command runs on that thread, between the engine's own deliveries,
// and needs no lock.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace vesko::standin {

// A port number as the variable gives it: decimal digits only, 1 to 65535.
std::optional<std::uint16_t> parseControlPort(std::wstring_view text);

// Listens on 127.0.0.1:port from the calling thread, which must run a message loop.
// S_OK when listening (also when already listening on that port); E_INVALIDARG when the
// channel already listens on another port; the socket error otherwise.
HRESULT startControlChannel(std::uint16_t port);
// Closes the port and every connection (tests).
void stopControlChannel();
// The port listened on, 0 when none.
std::uint16_t controlChannelPort();

}  // namespace vesko::standin
