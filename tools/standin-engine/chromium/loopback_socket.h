#pragma once
// The socket work both WebSocket clients share: connecting to a port on 127.0.0.1 within a
// time limit, waiting for input, and the HTTP upgrade exchange.

#include <winsock2.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesko::standin {

// What failed, with Winsock's last error number.
std::string socketError(std::string_view what);

// A connected blocking socket, or INVALID_SOCKET with WSAGetLastError set. Connects within
// timeout, so that a listener which no longer accepts (a browser shutting down with a
// full backlog) cannot hold the caller in connect() for minutes.
SOCKET connectLoopback(std::uint16_t port, std::chrono::milliseconds timeout);

enum class Readiness { ready, timedOut, failed };
// Whether s becomes readable within timeout (failed: waiting itself went wrong).
Readiness waitReadable(SOCKET s, std::chrono::milliseconds timeout);

// Sends the upgrade request for path and checks the answer; returns the bytes that came
// right behind it (a server may send its first frames at once). Throws
// std::runtime_error saying what went wrong.
std::string exchangeUpgrade(SOCKET s, std::uint16_t port, std::string_view path, std::chrono::milliseconds timeout);

}  // namespace vesko::standin
