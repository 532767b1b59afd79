#include "chromium/websocket_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>

#include "chromium/websocket_handshake.h"

namespace vesko::standin {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kHandshakeLimit = 16 * 1024;
constexpr milliseconds kCloseWait{1000};
constexpr DWORD kSendTimeoutMs = 10000;
constexpr milliseconds kProbeTimeout{500};

void ensureWinsock() {
    // Started once for the process and never cleaned up: sockets may live until exit.
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("Winsock could not be started");
}

std::string socketError(const char* what) {
    return std::string(what) + " (Winsock error " + std::to_string(WSAGetLastError()) + ")";
}

// Connects within timeout, so that a listener which no longer accepts (a browser shutting
// down with a full backlog) cannot hold us in connect() for minutes.
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
        timeval wait{static_cast<long>(timeout.count() / 1000), static_cast<long>((timeout.count() % 1000) * 1000)};
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

// Whether s becomes readable within timeout.
bool waitReadable(SOCKET s, milliseconds timeout) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    const auto ms = std::max<milliseconds::rep>(0, timeout.count());
    timeval wait{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == SOCKET_ERROR) throw WebSocketClosed(socketError("waiting for the WebSocket failed"));
    return ready > 0;
}

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
        throw std::runtime_error(socketError(("cannot connect to 127.0.0.1:" + std::to_string(port)).c_str()));
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
    const std::string key = base64Encode(randomBytes(16));
    const std::string request = upgradeRequest(port, path, key);
    if (send(static_cast<SOCKET>(socket_), request.data(), static_cast<int>(request.size()), 0) !=
        static_cast<int>(request.size())) {
        throw std::runtime_error(socketError("sending the WebSocket handshake failed"));
    }
    const auto deadline = Clock::now() + timeout;
    std::string received;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (received.size() > kHandshakeLimit) throw std::runtime_error("WebSocket handshake answer too long");
        if (!waitReadable(static_cast<SOCKET>(socket_), remainingUntil(deadline))) {
            throw std::runtime_error("no answer to the WebSocket handshake in time");
        }
        std::array<char, 4096> chunk;
        const int got = recv(static_cast<SOCKET>(socket_), chunk.data(), static_cast<int>(chunk.size()), 0);
        if (got <= 0) throw std::runtime_error("WebSocket handshake refused: the server closed the connection");
        received.append(chunk.data(), static_cast<std::size_t>(got));
    }
    checkUpgradeResponse(std::string_view(received).substr(0, headEnd + 2), key);
    // A server may send its first frames right behind the answer.
    decoder_.feed(std::string_view(received).substr(headEnd + 4));
}

void WebSocketClient::sendText(std::string_view text) { sendFrame(WsOpcode::Text, text); }

void WebSocketClient::sendFrame(WsOpcode opcode, std::string_view payload) {
    if (!isOpen()) throw WebSocketClosed(closedReason_);
    const std::string mask = randomBytes(4);
    const WsMaskKey key{static_cast<std::uint8_t>(mask[0]), static_cast<std::uint8_t>(mask[1]),
                        static_cast<std::uint8_t>(mask[2]), static_cast<std::uint8_t>(mask[3])};
    const std::string frame = encodeClientFrame(opcode, payload, key);
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
    if (!waitReadable(static_cast<SOCKET>(socket_), timeout)) return false;
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
        while (auto message = decoder_.next()) {
            switch (message->opcode) {
                case WsOpcode::Text:
                case WsOpcode::Binary:
                    return std::move(message->payload);
                case WsOpcode::Ping:
                    sendFrame(WsOpcode::Pong, message->payload);
                    break;
                case WsOpcode::Close:
                    if (!closeSent_ && isOpen()) {
                        closeSent_ = true;
                        try {
                            sendFrame(WsOpcode::Close, message->closeCode ? closePayload(*message->closeCode) : "");
                        } catch (const WebSocketClosed&) {
                        }
                    }
                    closedReason_ = "the peer closed the WebSocket" +
                                    (message->closeCode ? " with code " + std::to_string(*message->closeCode) : "");
                    dropSocket();
                    throw WebSocketClosed(closedReason_);
                default:
                    break;  // an unsolicited pong needs no answer
            }
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
