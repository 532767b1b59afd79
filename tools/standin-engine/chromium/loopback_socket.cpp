#include "chromium/loopback_socket.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "base64.h"
#include "chromium/websocket_handshake.h"

namespace vesko::standin {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kHandshakeLimit = 16 * 1024;

void ensureWinsock() {
    // Started once for the process and never cleaned up: sockets may live until exit.
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("Winsock could not be started");
}

timeval timevalOf(milliseconds timeout) {
    const auto ms = std::max<milliseconds::rep>(0, timeout.count());
    return timeval{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
}

}  // namespace

std::string socketError(std::string_view what) {
    return std::string(what) + " (Winsock error " + std::to_string(WSAGetLastError()) + ")";
}

SOCKET connectLoopback(std::uint16_t port, milliseconds timeout) {
    ensureWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bool connected = connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    int error = connected ? 0 : WSAGetLastError();
    if (!connected && error == WSAEWOULDBLOCK) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = timevalOf(timeout);
        const int ready = select(0, nullptr, &writable, &failed, &wait);
        connected = ready > 0 && FD_ISSET(s, &writable) && !FD_ISSET(s, &failed);
        int size = sizeof error;
        if (ready > 0 && !connected) getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        if (ready == 0) error = WSAETIMEDOUT;
    }
    if (!connected) {
        closesocket(s);
        WSASetLastError(error);
        return INVALID_SOCKET;
    }
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return s;
}

Readiness waitReadable(SOCKET s, milliseconds timeout) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait = timevalOf(timeout);
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    return ready == SOCKET_ERROR ? Readiness::failed : ready > 0 ? Readiness::ready : Readiness::timedOut;
}

std::string exchangeUpgrade(SOCKET s, std::uint16_t port, std::string_view path, milliseconds timeout) {
    const std::string key = base64Encode(randomBytes(16));
    const std::string request = upgradeRequest(port, path, key);
    if (send(s, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
        throw std::runtime_error(socketError("sending the WebSocket handshake failed"));
    }
    const auto deadline = Clock::now() + timeout;
    std::string received;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (received.size() > kHandshakeLimit) throw std::runtime_error("WebSocket handshake answer too long");
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        const Readiness readiness = waitReadable(s, left);
        if (readiness == Readiness::failed) throw std::runtime_error(socketError("waiting for the handshake failed"));
        if (readiness == Readiness::timedOut) throw std::runtime_error("no answer to the WebSocket handshake in time");
        std::array<char, 4096> chunk;
        const int got = recv(s, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (got <= 0) throw std::runtime_error("WebSocket handshake refused: the server closed the connection");
        received.append(chunk.data(), static_cast<std::size_t>(got));
    }
    checkUpgradeResponse(std::string_view(received).substr(0, headEnd + 2), key);
    return received.substr(headEnd + 4);
}

}  // namespace vesko::standin
