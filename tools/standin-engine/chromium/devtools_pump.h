#pragma once
// The DevTools protocol without blocking: commands go out at once, and their answers and
// the browser's events come back later on the thread that created the pump, from that
// thread's message loop, never inside the call that sent the command. A reader thread
// waits on the socket and hands each message to that thread through a queue and a
// message-only window.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include <nlohmann/json.hpp>

#include "chromium/devtools_connection.h"

namespace vesko::standin {

class DuplexWebSocket;

struct DevToolsFailure {
    enum class Source {
        Protocol,    // the browser answered with an error
        Connection,  // the connection ended before an answer came
        Page,        // the command worked, but the page said no (a thrown script, a failed load)
    };
    Source source = Source::Protocol;
    std::string method;
    int code = 0;  // the protocol's error code; 0 when the failure is not the browser's answer
    std::string message;
};

struct DevToolsReply {
    nlohmann::json result;  // null when the command failed
    std::optional<DevToolsFailure> failure;
    bool ok() const { return !failure.has_value(); }
};

using DevToolsCallback = std::function<void(const DevToolsReply&)>;
using DevToolsEventHandler = std::function<void(const DevToolsEvent&)>;

class DevToolsPump {
public:
    using SubscriptionId = std::uint64_t;
    static constexpr std::chrono::milliseconds kDefaultConnectTimeout{10000};

    // Connects to the endpoint; throws std::runtime_error saying what failed.
    DevToolsPump(std::uint16_t port, std::string_view path,
                 std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout);
    // Stops the reader and drops whatever was not delivered yet, without running it.
    // Must run on the thread that created the pump.
    ~DevToolsPump();
    DevToolsPump(const DevToolsPump&) = delete;
    DevToolsPump& operator=(const DevToolsPump&) = delete;

    // Sends a command; callback (may be empty) later gets the result or the failure. Once
    // the connection has ended every command fails, also later, never inside send.
    void send(std::string_view method, const nlohmann::json& params, std::string_view sessionId,
              DevToolsCallback callback);
    // Events named method, of one session when sessionId is given ("" for the browser's
    // own events), of every session when not.
    SubscriptionId subscribe(std::string method, std::optional<std::string> sessionId, DevToolsEventHandler handler);
    void unsubscribe(SubscriptionId id);
    // Called once, after the pending commands have failed, when the connection ends.
    void onConnectionEnded(std::function<void(const std::string& reason)> handler);
    // Runs task later from the message loop, in order with the messages received.
    void post(std::function<void()> task);

    bool connected() const { return !endReason_.has_value(); }

private:
    struct Pending {
        std::string method;
        DevToolsCallback callback;
    };
    struct Subscription {
        std::string method;
        std::optional<std::string> sessionId;
        DevToolsEventHandler handler;
    };

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void readMessages();
    // From the reader thread as well: queues task and wakes the loop if it sleeps.
    void enqueue(std::function<void()> task);
    void deliverQueued();
    void dispatch(const nlohmann::json& message);
    void answer(std::int64_t id, const nlohmann::json& message);
    void deliverEvent(const DevToolsEvent& event);
    void connectionEnded(const std::string& reason);

    HWND window_ = nullptr;
    std::unique_ptr<DuplexWebSocket> socket_;
    std::thread reader_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    std::mutex queueMutex_;  // guards queue_ and wakePosted_, shared with the reader
    std::deque<std::function<void()>> queue_;
    bool wakePosted_ = false;
    bool stopping_ = false;

    // The creating thread's alone.
    std::int64_t nextId_ = 1;
    std::map<std::int64_t, Pending> pending_;
    SubscriptionId nextSubscription_ = 1;
    std::map<SubscriptionId, Subscription> subscriptions_;
    std::function<void(const std::string&)> endedHandler_;
    std::optional<std::string> endReason_;
};

}  // namespace vesko::standin
