#pragma once
// A blocking WebSocket client for ws://127.0.0.1:PORT/PATH, enough for a local DevTools
// endpoint: text messages out, whole messages in, pings answered while receiving.
// One thread uses it at a time.

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "chromium/websocket_frame.h"

namespace vesko::standin {

// The peer closed the connection, or it broke; nothing more can be sent or received.
class WebSocketClosed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether something accepts TCP connections on 127.0.0.1:port right now.
bool loopbackPortAccepts(std::uint16_t port);

class WebSocketClient {
public:
    // Connects and completes the upgrade within timeout; throws std::runtime_error.
    WebSocketClient(std::uint16_t port, std::string_view path, std::chrono::milliseconds timeout);
    ~WebSocketClient();
    WebSocketClient(const WebSocketClient&) = delete;
    WebSocketClient& operator=(const WebSocketClient&) = delete;

    void sendText(std::string_view text);
    // The payload of the next text or binary message, or nothing when none arrived within
    // timeout. Throws WebSocketClosed once the peer has closed.
    std::optional<std::string> receive(std::chrono::milliseconds timeout);
    // Sends a normal close and waits briefly for the peer's answer before dropping the socket.
    void close();
    bool isOpen() const { return socket_ != kNoSocket; }

private:
    using Socket = std::uintptr_t;  // SOCKET, kept out of this header
    static constexpr Socket kNoSocket = ~Socket{0};

    void sendFrame(WsOpcode opcode, std::string_view payload);
    // Reads what arrives within timeout into the decoder; false when nothing did.
    bool readSome(std::chrono::milliseconds timeout);
    void handshake(std::uint16_t port, std::string_view path, std::chrono::milliseconds timeout);
    void dropSocket();

    Socket socket_ = kNoSocket;
    WsDecoder decoder_;
    bool closeSent_ = false;
    std::string closedReason_ = "the WebSocket connection is closed";
};

}  // namespace vesko::standin
