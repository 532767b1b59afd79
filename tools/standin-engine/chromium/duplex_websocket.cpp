#include "chromium/duplex_websocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "chromium/loopback_socket.h"
#include "chromium/websocket_handshake.h"

namespace vesko::standin {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr DWORD kSendTimeoutMs = 10000;

SOCKET connectOrThrow(std::uint16_t port, milliseconds timeout) {
    const SOCKET s = connectLoopback(port, timeout);
    if (s == INVALID_SOCKET) throw std::runtime_error(socketError("cannot connect to 127.0.0.1:" + std::to_string(port)));
    const DWORD sendTimeout = kSendTimeoutMs;
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout), sizeof sendTimeout);
    return s;
}

}  // namespace

DuplexWebSocket::DuplexWebSocket(std::uint16_t port, std::string_view path, milliseconds timeout)
    : socket_(static_cast<Socket>(connectOrThrow(port, timeout))) {
    try {
        handshake(port, path, timeout);
    } catch (...) {
        closesocket(static_cast<SOCKET>(socket_));
        throw;
    }
}

DuplexWebSocket::~DuplexWebSocket() {
    shutdown();
    closesocket(static_cast<SOCKET>(socket_));
}

void DuplexWebSocket::handshake(std::uint16_t port, std::string_view path, milliseconds timeout) {
    decoder_.feed(exchangeUpgrade(static_cast<SOCKET>(socket_), port, path, timeout));
}

void DuplexWebSocket::sendText(std::string_view text) { sendFrame(WsOpcode::Text, text); }

void DuplexWebSocket::sendFrame(WsOpcode opcode, std::string_view payload) {
    const std::string frame = maskedClientFrame(opcode, payload);
    {
        std::lock_guard lock(sendMutex_);
        if (shutDown_ || closeSent_) throw WebSocketClosed("the WebSocket connection is closed");
        std::size_t sent = 0;
        while (sent < frame.size()) {
            const int chunk = static_cast<int>(std::min<std::size_t>(frame.size() - sent, 1 << 20));
            const int done = ::send(static_cast<SOCKET>(socket_), frame.data() + sent, chunk, 0);
            if (done <= 0) break;
            sent += static_cast<std::size_t>(done);
        }
        if (sent == frame.size()) return;
        closeSent_ = true;  // a close frame cannot follow half a frame
    }
    const std::string error = socketError("sending on the WebSocket failed");
    shutdown();
    throw WebSocketClosed(error);
}

std::string DuplexWebSocket::receive() {
    for (;;) {
        if (auto message = nextDataOrClose(decoder_, [this](std::string_view ping) { sendFrame(WsOpcode::Pong, ping); })) {
            if (message->opcode != WsOpcode::Close) return std::move(message->payload);
            const std::string reason = peerCloseReason(*message);
            shutdown();
            throw WebSocketClosed(reason);
        }
        if (shutDown_) throw WebSocketClosed("the WebSocket connection was shut down");
        std::array<char, 64 * 1024> chunk;
        const int got = recv(static_cast<SOCKET>(socket_), chunk.data(), static_cast<int>(chunk.size()), 0);
        if (got <= 0) {
            if (shutDown_) throw WebSocketClosed("the WebSocket connection was shut down");
            throw WebSocketClosed(got == 0 ? std::string("the peer dropped the WebSocket connection")
                                           : socketError("receiving on the WebSocket failed"));
        }
        try {
            decoder_.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
        } catch (const WsProtocolError& error) {
            shutdown();
            throw WebSocketClosed(error.what());
        }
    }
}

void DuplexWebSocket::shutdown() {
    if (shutDown_.exchange(true)) return;
    {
        std::lock_guard lock(sendMutex_);
        if (!closeSent_) {
            closeSent_ = true;
            const std::string frame = maskedClientFrame(WsOpcode::Close, closePayload(1000));
            ::send(static_cast<SOCKET>(socket_), frame.data(), static_cast<int>(frame.size()), 0);
        }
    }
    ::shutdown(static_cast<SOCKET>(socket_), SD_BOTH);
}

}  // namespace vesko::standin
