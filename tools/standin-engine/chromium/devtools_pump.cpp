#include "chromium/devtools_pump.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "chromium/duplex_websocket.h"
#include "engine_faults.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::json;

constexpr wchar_t kWindowClass[] = L"VeskoDevToolsPump";
constexpr UINT kWakeMessage = WM_APP + 1;

// The module this code lives in, so that the window class stays valid inside a DLL too.
HINSTANCE ownModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
    return module;
}

DevToolsReply failed(DevToolsFailure::Source source, std::string method, int code, std::string message) {
    return DevToolsReply{Json(), DevToolsFailure{source, std::move(method), code, std::move(message)}};
}

}  // namespace

DevToolsPump::DevToolsPump(std::uint16_t port, std::string_view path, std::chrono::milliseconds connectTimeout) {
    static const ATOM windowClass = [] {
        WNDCLASSW description{};
        description.lpfnWndProc = &DevToolsPump::windowProcedure;
        description.hInstance = ownModule();
        description.lpszClassName = kWindowClass;
        return RegisterClassW(&description);
    }();
    if (windowClass == 0) throw std::runtime_error("cannot register the DevTools pump's window class");
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ownModule(), this);
    if (window_ == nullptr) throw std::runtime_error("cannot create the DevTools pump's window");
    try {
        socket_ = std::make_unique<DuplexWebSocket>(port, path, connectTimeout);
    } catch (...) {
        DestroyWindow(window_);
        throw;
    }
    reader_ = std::thread([this] { readMessages(); });
}

DevToolsPump::~DevToolsPump() {
    *alive_ = false;
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    socket_->shutdown();
    reader_.join();
    socket_.reset();
    // Its queued wake-up goes with it; undelivered answers and events are dropped unrun.
    DestroyWindow(window_);
}

LRESULT CALLBACK DevToolsPump::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* pump = reinterpret_cast<DevToolsPump*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kWakeMessage && pump != nullptr) {
        pump->deliverQueued();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void DevToolsPump::readMessages() {
    std::string reason;
    try {
        for (;;) {
            Json message = Json::parse(socket_->receive(), nullptr, false);
            if (!message.is_object()) {
                reason = "DevTools sent something that is not a JSON object";
                socket_->shutdown();
                break;
            }
            enqueue([this, message = std::move(message)] { dispatch(message); });
        }
    } catch (const std::exception& error) {
        reason = error.what();
    }
    enqueue([this, reason] { connectionEnded(reason); });
}

void DevToolsPump::enqueue(std::function<void()> task) {
    std::lock_guard lock(queueMutex_);
    if (stopping_) return;
    queue_.push_back(std::move(task));
    if (!wakePosted_) wakePosted_ = PostMessageW(window_, kWakeMessage, 0, 0) != FALSE;
}

void DevToolsPump::post(std::function<void()> task) { enqueue(std::move(task)); }

void DevToolsPump::deliverQueued() {
    // One task at a time, so that a callback running a nested message loop keeps the order.
    const std::shared_ptr<bool> alive = alive_;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(queueMutex_);
            if (queue_.empty()) {
                wakePosted_ = false;
                return;
            }
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        {
            const DeliveryScope delivery("a DevTools event");
            task();
        }
        if (!*alive) return;  // a callback destroyed the pump
    }
}

void DevToolsPump::send(std::string_view method, const Json& params, std::string_view sessionId,
                        DevToolsCallback callback) {
    if (endReason_) {
        if (callback) {
            post([callback, reply = failed(DevToolsFailure::Source::Connection, std::string(method), 0,
                                           "the DevTools connection has ended: " + *endReason_)] { callback(reply); });
        }
        return;
    }
    const std::int64_t id = nextId_++;
    Json command = {{"id", id}, {"method", method}, {"params", params.is_null() ? Json::object() : params}};
    if (!sessionId.empty()) command["sessionId"] = sessionId;
    pending_.emplace(id, Pending{std::string(method), std::move(callback)});
    try {
        socket_->sendText(command.dump());
    } catch (const WebSocketClosed&) {
        // The reader sees the end as well and fails this command with the others.
    }
}

DevToolsPump::SubscriptionId DevToolsPump::subscribe(std::string method, std::optional<std::string> sessionId,
                                                     DevToolsEventHandler handler) {
    const SubscriptionId id = nextSubscription_++;
    subscriptions_.emplace(id, Subscription{std::move(method), std::move(sessionId), std::move(handler)});
    return id;
}

void DevToolsPump::unsubscribe(SubscriptionId id) { subscriptions_.erase(id); }

void DevToolsPump::onConnectionEnded(std::function<void(const std::string&)> handler) {
    endedHandler_ = std::move(handler);
}

void DevToolsPump::dispatch(const Json& message) {
    const auto id = message.find("id");
    if (id != message.end()) {
        if (id->is_number_integer()) answer(id->get<std::int64_t>(), message);
        return;
    }
    deliverEvent(DevToolsEvent{message.value("method", std::string()), message.value("params", Json::object()),
                               message.value("sessionId", std::string())});
}

void DevToolsPump::answer(std::int64_t id, const Json& message) {
    const auto found = pending_.find(id);
    if (found == pending_.end()) return;
    Pending pending = std::move(found->second);
    pending_.erase(found);
    if (!pending.callback) return;
    if (const auto error = message.find("error"); error != message.end()) {
        pending.callback(failed(DevToolsFailure::Source::Protocol, pending.method, error->value("code", 0),
                                error->value("message", std::string("no message"))));
        return;
    }
    pending.callback(DevToolsReply{message.value("result", Json::object()), std::nullopt});
}

void DevToolsPump::deliverEvent(const DevToolsEvent& event) {
    // Handlers may subscribe and unsubscribe while this runs: the ones matching now are
    // called unless they were removed meanwhile.
    std::vector<SubscriptionId> matching;
    for (const auto& [id, subscription] : subscriptions_) {
        if (subscription.method == event.method &&
            (!subscription.sessionId || *subscription.sessionId == event.sessionId)) {
            matching.push_back(id);
        }
    }
    const std::shared_ptr<bool> alive = alive_;
    for (const SubscriptionId id : matching) {
        const auto found = subscriptions_.find(id);
        if (found == subscriptions_.end()) continue;
        const DevToolsEventHandler handler = found->second.handler;  // it may unsubscribe itself
        handler(event);
        if (!*alive) return;
    }
}

void DevToolsPump::connectionEnded(const std::string& reason) {
    endReason_ = reason.empty() ? std::string("the connection closed") : reason;
    const std::shared_ptr<bool> alive = alive_;
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& [id, command] : pending) {
        if (!command.callback) continue;
        command.callback(failed(DevToolsFailure::Source::Connection, command.method, 0,
                                "the DevTools connection ended: " + *endReason_));
        if (!*alive) return;
    }
    if (endedHandler_) {
        const auto handler = endedHandler_;
        handler(*endReason_);
    }
}

}  // namespace vesko::standin
