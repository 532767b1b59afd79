#include "chromium/websocket_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>

#include "chromium/loopback_socket.h"
#include "chromium/websocket_handshake.h"

namespace vesko::standin {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kCloseWait{1000};
constexpr DWORD kSendTimeoutMs = 10000;
constexpr milliseconds kProbeTimeout{500};

milliseconds remainingUntil(Clock::time_point deadline) {
    return std::max(milliseconds{0}, std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
}

}  // namespace

bool loopbackPortAccepts(std::uint16_t port) {
    const SOCKET s = connectLoopback(port, kProbeTimeout);
    if (s == INVALID_SOCKET) return false;
    closesocket(s);
    return true;
}

WebSocketClient::WebSocketClient(std::uint16_t port, std::string_view path, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    const SOCKET s = connectLoopback(port, timeout);
    if (s == INVALID_SOCKET) {
        throw std::runtime_error(socketError("cannot connect to 127.0.0.1:" + std::to_string(port)));
    }
    socket_ = static_cast<Socket>(s);
    const DWORD sendTimeout = kSendTimeoutMs;
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout), sizeof sendTimeout);
    try {
        handshake(port, path, remainingUntil(deadline));
    } catch (...) {
        dropSocket();
        throw;
    }
}

WebSocketClient::~WebSocketClient() {
    try {
        close();
    } catch (const std::exception&) {
        dropSocket();
    }
}

void WebSocketClient::handshake(std::uint16_t port, std::string_view path, milliseconds timeout) {
    decoder_.feed(exchangeUpgrade(static_cast<SOCKET>(socket_), port, path, timeout));
}

void WebSocketClient::sendText(std::string_view text) { sendFrame(WsOpcode::Text, text); }

void WebSocketClient::sendFrame(WsOpcode opcode, std::string_view payload) {
    if (!isOpen()) throw WebSocketClosed(closedReason_);
    const std::string frame = maskedClientFrame(opcode, payload);
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const int chunk = static_cast<int>(std::min<std::size_t>(frame.size() - sent, 1 << 20));
        const int done = send(static_cast<SOCKET>(socket_), frame.data() + sent, chunk, 0);
        if (done <= 0) {
            closedReason_ = socketError("sending on the WebSocket failed");
            dropSocket();
            throw WebSocketClosed(closedReason_);
        }
        sent += static_cast<std::size_t>(done);
    }
}

bool WebSocketClient::readSome(milliseconds timeout) {
    const Readiness readiness = waitReadable(static_cast<SOCKET>(socket_), timeout);
    if (readiness == Readiness::failed) throw WebSocketClosed(socketError("waiting for the WebSocket failed"));
    if (readiness == Readiness::timedOut) return false;
    std::array<char, 64 * 1024> chunk;
    const int got = recv(static_cast<SOCKET>(socket_), chunk.data(), static_cast<int>(chunk.size()), 0);
    if (got <= 0) {
        closedReason_ = got == 0 ? "the peer dropped the WebSocket connection without closing it"
                                 : socketError("receiving on the WebSocket failed");
        dropSocket();
        throw WebSocketClosed(closedReason_);
    }
    try {
        decoder_.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
    } catch (const WsProtocolError& error) {
        closedReason_ = error.what();
        dropSocket();
        throw;
    }
    return true;
}

std::optional<std::string> WebSocketClient::receive(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto message = nextDataOrClose(decoder_, [this](std::string_view ping) { sendFrame(WsOpcode::Pong, ping); })) {
            if (message->opcode != WsOpcode::Close) return std::move(message->payload);
            if (!closeSent_ && isOpen()) {
                closeSent_ = true;
                try {
                    sendFrame(WsOpcode::Close, message->closeCode ? closePayload(*message->closeCode) : "");
                } catch (const WebSocketClosed&) {
                }
            }
            closedReason_ = peerCloseReason(*message);
            dropSocket();
            throw WebSocketClosed(closedReason_);
        }
        if (!isOpen()) throw WebSocketClosed(closedReason_);
        if (!readSome(remainingUntil(deadline))) return std::nullopt;
    }
}

void WebSocketClient::close() {
    if (!isOpen()) return;
    if (!closeSent_) {
        closeSent_ = true;
        sendFrame(WsOpcode::Close, closePayload(1000));
    }
    const auto deadline = Clock::now() + kCloseWait;
    try {
        while (isOpen() && Clock::now() < deadline) receive(remainingUntil(deadline));
    } catch (const std::runtime_error&) {
        // The peer's close (or its dropping the connection) is what we waited for.
    }
    closedReason_ = "the WebSocket connection is closed";
    dropSocket();
}

void WebSocketClient::dropSocket() {
    if (socket_ == kNoSocket) return;
    closesocket(static_cast<SOCKET>(socket_));
    socket_ = kNoSocket;
}

}  // namespace vesko::standin
