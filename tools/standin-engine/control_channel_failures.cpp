// The control channel's commands for failed engine processes.
#include <array>
#include <cstdint>
#include <string>

#include "control_channel_commands.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::ordered_json;

// The enumerations' names as the protocol spells them: the lower-case tail, dashed.
constexpr std::array<const char*, 10> kKinds = {
    "browser-process-exited",      "render-process-exited",         "render-process-unresponsive",
    "frame-render-process-exited", "utility-process-exited",        "sandbox-helper-process-exited",
    "gpu-process-exited",          "ppapi-plugin-process-exited",   "ppapi-broker-process-exited",
    "unknown-process-exited"};
constexpr std::array<const char*, 7> kReasons = {"unexpected",    "unresponsive",  "terminated",     "crashed",
                                                  "launch-failed", "out-of-memory", "profile-deleted"};

template <std::size_t N>
int enumerated(const Json& value, const std::array<const char*, N>& names, const char* member) {
    if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (number >= 0 && number < static_cast<std::int64_t>(N)) return static_cast<int>(number);
    } else if (value.is_string()) {
        for (std::size_t i = 0; i < N; ++i) {
            if (value.get<std::string>() == names[i]) return static_cast<int>(i);
        }
    }
    refuse("BAD_REQUEST", std::string("member \"") + member + "\" must be one of the names or a number from 0 to " +
                              std::to_string(N - 1));
}

}  // namespace

Json processFailureCommand(ICoreWebView2Controller* controller, const Json& request) {
    const auto kind = static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(enumerated(request.at("kind"), kKinds, "kind"));
    auto reason = request.contains("reason")
                      ? static_cast<COREWEBVIEW2_PROCESS_FAILED_REASON>(enumerated(request.at("reason"), kReasons, "reason"))
                      : defaultReason(kind);
    int exitCode = request.contains("exitCode") ? static_cast<int>(request.at("exitCode").get<std::int64_t>())
                                                : defaultExitCode(kind);
    // What the engine fixes for these kinds, whatever was asked.
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) exitCode = defaultExitCode(kind);
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE) {
        reason = defaultReason(kind);
        exitCode = defaultExitCode(kind);
    }
    if (!raiseProcessFailure(controller, kind, reason, exitCode)) refuse("NO_SUCH_VIEW", "the view has closed");
    return Json{{"kind", kKinds[kind]}, {"reason", kReasons[reason]}, {"exitCode", exitCode}};
}

Json endUnresponsiveCommand(const LiveView& view) {
    if (!endUnresponsive(view.controller)) refuse("NOT_UNRESPONSIVE", "the view " + view.viewName + " does not hang");
    return Json{{"ended", true}};
}

std::function<Json()> processesCommand(const LiveView& view) {
    const auto ids = processIds(view.controller);
    if (!ids) refuse("NO_SUCH_VIEW", "the view " + view.viewName + " has closed");
    return [ids]() -> Json {
        if (!ids->done) return nullptr;
        return Json{{"browser", ids->browser},
                    {"renderer", ids->renderer == 0 ? Json(nullptr) : Json(ids->renderer)},
                    {"renderers", ids->renderers}};
    };
}

}  // namespace vesko::standin
