// The control channel's commands for what a host must cope with beyond one view: requests
// of workers, raised on every view that takes them, and the faults the engine recorded.
#include <string>

#include "base/wide_text_win.h"
#include "control_channel_commands.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::ordered_json;

std::string member(const Json& request, const char* name, const char* fallback) {
    return request.contains(name) ? request.at(name).get<std::string>() : fallback;
}

}  // namespace

std::function<Json()> workerRequestCommand(const LiveView& view, const Json& request) {
    const std::string worker = member(request, "worker", "service");
    if (worker != "service" && worker != "shared") refuse("BAD_REQUEST", "worker is \"service\" or \"shared\"");
    const std::string kind = member(request, "kind", "fetch");
    if (kind != "fetch" && kind != "script") refuse("BAD_REQUEST", "a worker's request is of kind fetch or script");
    const auto outcome = requestFromWorker(
        view.controller, toWide(request.at("url").get<std::string>()),
        worker == "service" ? COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SERVICE_WORKER
                            : COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SHARED_WORKER,
        kind == "fetch" ? COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH : COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT);
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    return [outcome]() -> Json {
        if (!outcome->done) return Json();
        const ResourceOutcome& resource = outcome->resource;
        return Json{{"raisedOn", outcome->raisedOn},
                    {"answeredByHost", resource.answeredByHost},
                    {"networkError", resource.networkError},
                    {"status", resource.status},
                    {"bytes", resource.body.size()}};
    };
}

Json faultsCommand() {
    return Json{{"faults", faults()}};
}

}  // namespace vesko::standin
