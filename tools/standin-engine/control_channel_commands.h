#pragma once
// The control channel's protocol, apart from any socket: request lines in, reply and event
// lines out. Every request is one JSON object on one line,
//   {"id": 7, "cmd": "click", "view": "view#3", "text": "Ndihma"}
// answered by one line with the same id,
//   {"id": 7, "ok": true, "result": {...}}   or   {"id": 7, "ok": false, "error": "NO_SUCH_LINK", "message": "..."}
// A client that subscribed also gets the record of host calls, one event per line:
//   {"event": "call", "sequence": 12, "object": "view#3", "method": "Navigate", "detail": "https://..."}
// Runs on the thread that owns the engine objects; commands that wait for the host (a
// request, a pop-up, a download, a permission, a key) answer once the engine is done.

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "standin.h"

namespace vesko::standin {

// The other end of one connection.
class ChannelClient {
public:
    virtual ~ChannelClient() = default;
    // One complete line, without its line feed.
    virtual void sendLine(const std::string& line) = 0;
};

// A refusal of one request, reported on its reply line with its code.
struct CommandError : std::runtime_error {
    CommandError(std::string code, const std::string& message) : std::runtime_error(message), code(std::move(code)) {}
    std::string code;
};
[[noreturn]] void refuse(const char* code, const std::string& message);
// A request's text member; `fallback` when it has none.
inline std::string text(const nlohmann::ordered_json& request, const char* name, std::string fallback = {}) {
    return request.contains(name) ? request.at(name).get<std::string>() : fallback;
}
// A request's boolean member; false when it has none.
inline bool flag(const nlohmann::ordered_json& request, const char* name) {
    return request.contains(name) && request.at(name).get<bool>();
}

// processFailure: the failure of {kind, reason, exitCode} raised on the view
// (control_channel_failures.cpp); answers what will be reported.
nlohmann::ordered_json processFailureCommand(ICoreWebView2Controller* controller, const nlohmann::ordered_json& request);
// endUnresponsive: the view's hang ends.
nlohmann::ordered_json endUnresponsiveCommand(const LiveView& view);
// processes: the view's process ids, once they are known (null until then).
std::function<nlohmann::ordered_json()> processesCommand(const LiveView& view);

// workerRequest: a request of the view's page's service or shared worker, raised on every
// view whose filter takes the worker's kind (control_channel_checks.cpp); answers which
// views saw it and what answered it, once done.
std::function<nlohmann::ordered_json()> workerRequestCommand(const LiveView& view, const nlohmann::ordered_json& request);
// resourceCounts: what the program holds (its own counts, read through its export, and
// Windows' counters), what the engine holds, and the process's working set
// (control_channel_resource_counts.cpp).
nlohmann::ordered_json resourceCountsCommand();
// How many host calls the record holds (call_record.cpp); it keeps every one.
std::size_t callRecordSize();
// faults: the host's faults the engine recorded so far.
nlohmann::ordered_json faultsCommand();
// contextMenu, externalScheme, drop and certificateErrors: the routes out of a view
// (control_channel_lockdown.cpp).
std::function<nlohmann::ordered_json()> contextMenuCommand(const LiveView& view, const nlohmann::ordered_json& request);
std::function<nlohmann::ordered_json()> externalSchemeCommand(const LiveView& view, const nlohmann::ordered_json& request);
nlohmann::ordered_json dropCommand(const LiveView& view, const nlohmann::ordered_json& request);
nlohmann::ordered_json certificateErrorsCommand(const LiveView& view);
// key: a key pressed while the focus is in the view's page ({key}: a name or virtual key;
// kind, ctrl, shift, alt, repeat; control_channel_focus.cpp); answers whether the host
// handled it.
std::function<nlohmann::ordered_json()> keyCommand(const LiveView& view, const nlohmann::ordered_json& request);
// moveFocusRequested: the keyboard leaves the view's page ({reason}: next, previous or
// programmatic); answers whether the host handled it and whether the focus stayed in the
// view.
std::function<nlohmann::ordered_json()> moveFocusRequestedCommand(const LiveView& view,
                                                                  const nlohmann::ordered_json& request);
// The live frames of the view (control_channel_frames.cpp).
nlohmann::ordered_json liveFramesJson(ICoreWebView2Controller* controller);
// The frame a request's "frame" member names (its id, name or document address); nullopt
// without one. Refuses NO_SUCH_FRAME.
std::optional<LiveFrame> namedFrame(ICoreWebView2Controller* controller, const nlohmann::ordered_json& request);
// A page message from that frame's document, or from the top document at `source`.
void postFrom(ICoreWebView2Controller* controller, const std::optional<LiveFrame>& frame, const std::wstring& source,
              const std::wstring& json);

class ControlCommands {
public:
    // Handles one request line (without its line feed); the reply comes now or from a
    // later poll().
    void handleLine(const std::shared_ptr<ChannelClient>& client, std::string_view line);
    // Answers every waiting command whose outcome has arrived.
    void poll();
    // True while some command waits for the engine.
    bool waiting() const { return !pending_.empty(); }
    // A client that went: no more replies or events for it.
    void forget(const ChannelClient* client);
    // One new entry of the call record, streamed to the subscribed clients.
    void onRecord(const RecordedCall& call);

    // The error line for input that is not a request at all (a line too long to read).
    static std::string errorLine(const nlohmann::ordered_json& id, std::string_view code, std::string_view message);

private:
    struct Pending {
        std::weak_ptr<ChannelClient> client;
        nlohmann::ordered_json id;
        // The result once the outcome is complete; null while it is not.
        std::function<nlohmann::ordered_json()> result;
    };
    struct Subscriber {
        std::weak_ptr<ChannelClient> client;
    };

    void run(const std::shared_ptr<ChannelClient>& client, const nlohmann::ordered_json& id,
             const nlohmann::ordered_json& request);

    std::vector<Pending> pending_;
    std::vector<Subscriber> subscribers_;
};

}  // namespace vesko::standin
