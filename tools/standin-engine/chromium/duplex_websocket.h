#pragma once
// A WebSocket to ws://127.0.0.1:PORT/PATH for a reader thread that blocks on it while
// other threads send. WebSocketClient serves one thread at a time; here sends are
// serialised by a lock, and shutdown() wakes a reader that is waiting for data.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "chromium/websocket_client.h"
#include "chromium/websocket_frame.h"

namespace vesko::standin {

class DuplexWebSocket {
public:
    // Connects and completes the upgrade within timeout; throws std::runtime_error.
    DuplexWebSocket(std::uint16_t port, std::string_view path, std::chrono::milliseconds timeout);
    // The reader must have returned from receive() by now.
    ~DuplexWebSocket();
    DuplexWebSocket(const DuplexWebSocket&) = delete;
    DuplexWebSocket& operator=(const DuplexWebSocket&) = delete;

    // Any thread. Throws WebSocketClosed; a failed send leaves half a frame on the wire, so
    // it also shuts the connection down.
    void sendText(std::string_view text);
    // The reader thread only: the payload of the next text or binary message, pings
    // answered on the way. Throws WebSocketClosed when the connection ends for any reason.
    std::string receive();
    // Any thread: says goodbye to the peer (best effort) and shuts the socket down, which
    // makes a waiting receive() return.
    void shutdown();

private:
    using Socket = std::uintptr_t;  // SOCKET, kept out of this header

    void sendFrame(WsOpcode opcode, std::string_view payload);
    void handshake(std::uint16_t port, std::string_view path, std::chrono::milliseconds timeout);

    Socket socket_;
    std::mutex sendMutex_;
    std::atomic<bool> shutDown_{false};
    bool closeSent_ = false;  // guarded by sendMutex_
    WsDecoder decoder_;       // the reader's alone after the handshake
};

}  // namespace vesko::standin
