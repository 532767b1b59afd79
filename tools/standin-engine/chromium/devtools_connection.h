#pragma once
// The DevTools protocol over a WebSocket: numbered commands answered by id, and events,
// kept in arrival order, that came in while a command waited for its answer. Target
// sessions are flattened: a command for a page carries the page's sessionId on the same
// socket.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "chromium/websocket_client.h"

namespace vesko::standin {

// The browser answered a command with an error.
class DevToolsError : public std::runtime_error {
public:
    DevToolsError(std::string method, int code, const std::string& message);
    const std::string& method() const { return method_; }
    int code() const { return code_; }
    const std::string& protocolMessage() const { return protocolMessage_; }

private:
    std::string method_;
    int code_;
    std::string protocolMessage_;
};

struct DevToolsEvent {
    std::string method;
    nlohmann::json params;
    std::string sessionId;  // empty for the browser's own events
};

class DevToolsConnection {
public:
    using Milliseconds = std::chrono::milliseconds;
    static constexpr Milliseconds kDefaultCallTimeout{10000};

    DevToolsConnection(std::uint16_t port, std::string_view path, Milliseconds timeout);

    // Sends the command and returns its result. Throws DevToolsError for an error
    // answer, std::runtime_error when none arrives within timeout, WebSocketClosed when
    // the connection ends first.
    nlohmann::json call(std::string_view method, const nlohmann::json& params = nlohmann::json::object(),
                        std::string_view sessionId = {}, Milliseconds timeout = kDefaultCallTimeout);
    // Attaches to a target with a flattened session and returns the session's id.
    std::string attachToTarget(std::string_view targetId);

    // The oldest event not yet taken, waiting up to timeout for one.
    std::optional<DevToolsEvent> nextEvent(Milliseconds timeout);
    // Every event received so far, oldest first, without waiting.
    std::vector<DevToolsEvent> takeEvents();

    void close() { socket_.close(); }
    bool isOpen() const { return socket_.isOpen(); }

private:
    enum class Received { Nothing, Event, Answer };
    // Reads one message within timeout: an event joins the queue, an answer goes to answer.
    Received receiveOne(Milliseconds timeout, nlohmann::json& answer);

    WebSocketClient socket_;
    std::int64_t nextId_ = 1;
    std::deque<DevToolsEvent> events_;
};

}  // namespace vesko::standin
