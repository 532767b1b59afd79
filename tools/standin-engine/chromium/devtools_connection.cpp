#include "chromium/devtools_connection.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace vesko::standin {
namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

std::chrono::milliseconds remainingUntil(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds{0},
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

}  // namespace

DevToolsError::DevToolsError(std::string method, int code, const std::string& message)
    : std::runtime_error(method + " failed: " + message + " (" + std::to_string(code) + ")"),
      method_(std::move(method)),
      code_(code),
      protocolMessage_(message) {}

DevToolsConnection::DevToolsConnection(std::uint16_t port, std::string_view path, Milliseconds timeout)
    : socket_(port, path, timeout) {}

Json DevToolsConnection::call(std::string_view method, const Json& params, std::string_view sessionId,
                              Milliseconds timeout) {
    const std::int64_t id = nextId_++;
    Json command = {{"id", id}, {"method", method}, {"params", params.is_null() ? Json::object() : params}};
    if (!sessionId.empty()) command["sessionId"] = sessionId;
    socket_.sendText(command.dump());

    const auto deadline = Clock::now() + timeout;
    for (;;) {
        Json answer;
        const Received received = receiveOne(remainingUntil(deadline), answer);
        if (received == Received::Nothing) {
            throw std::runtime_error("no answer to " + std::string(method) + " within " +
                                     std::to_string(timeout.count()) + " ms");
        }
        // Other answers belong to commands whose caller stopped waiting; they are dropped.
        if (received != Received::Answer || answer["id"] != id) continue;
        if (answer.contains("error")) {
            const Json& error = answer["error"];
            throw DevToolsError(std::string(method), error.value("code", 0),
                                error.value("message", std::string("no message")));
        }
        return answer.value("result", Json::object());
    }
}

std::string DevToolsConnection::attachToTarget(std::string_view targetId) {
    const Json result = call("Target.attachToTarget", {{"targetId", targetId}, {"flatten", true}});
    return result.at("sessionId").get<std::string>();
}

std::optional<DevToolsEvent> DevToolsConnection::nextEvent(Milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Json ignored;
    while (events_.empty()) {
        if (receiveOne(remainingUntil(deadline), ignored) == Received::Nothing) return std::nullopt;
    }
    DevToolsEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}

std::vector<DevToolsEvent> DevToolsConnection::takeEvents() {
    // Whatever has already arrived on the socket counts as received.
    Json ignored;
    while (receiveOne(Milliseconds{0}, ignored) != Received::Nothing) {
    }
    std::vector<DevToolsEvent> taken(std::make_move_iterator(events_.begin()), std::make_move_iterator(events_.end()));
    events_.clear();
    return taken;
}

DevToolsConnection::Received DevToolsConnection::receiveOne(Milliseconds timeout, Json& answer) {
    const auto text = socket_.receive(timeout);
    if (!text) return Received::Nothing;
    Json message = Json::parse(*text, nullptr, false);
    if (!message.is_object()) throw std::runtime_error("DevTools sent something that is not a JSON object");
    if (message.contains("id")) {
        answer = std::move(message);
        return Received::Answer;
    }
    events_.push_back(DevToolsEvent{message.value("method", std::string()), message.value("params", Json::object()),
                                    message.value("sessionId", std::string())});
    return Received::Event;
}

}  // namespace vesko::standin
