// The control channel's commands for the routes out of a view: a right-click on a target,
// a link to an external scheme, a drop from another program, and the certificate errors
// the view met with the host's answers.
#include <algorithm>
#include <array>
#include <string>

#include "base/wide_text_win.h"
#include "control_channel_commands.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::ordered_json;

}  // namespace

std::function<Json()> contextMenuCommand(const LiveView& view, const Json& request) {
    static constexpr std::array<std::pair<const char*, MenuTargetKind>, 5> kTargets{{
        {"page", MenuTargetKind::page},
        {"link", MenuTargetKind::link},
        {"image", MenuTargetKind::image},
        {"selection", MenuTargetKind::selection},
        {"editable", MenuTargetKind::editable},
    }};
    const std::string target = text(request, "target", "page");
    const auto found = std::find_if(kTargets.begin(), kTargets.end(), [&](const auto& t) { return target == t.first; });
    if (found == kTargets.end()) refuse("BAD_REQUEST", "target is page, link, image, selection or editable");
    const auto outcome = requestContextMenu(view.controller, found->second);
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    return [outcome]() -> Json {
        if (!outcome->done) return Json();
        return Json{{"offered", outcome->offered},   {"remaining", outcome->remaining},
                    {"handled", outcome->handled},   {"shown", outcome->shown},
                    {"selectedCommand", outcome->selectedCommand}};
    };
}

std::function<Json()> externalSchemeCommand(const LiveView& view, const Json& request) {
    const auto outcome = launchExternalScheme(view.controller, toWide(request.at("url").get<std::string>()));
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    return [outcome]() -> Json {
        if (!outcome->done) return Json();
        return Json{{"cancelled", outcome->cancelled}, {"launched", outcome->launched}};
    };
}

Json dropCommand(const LiveView& view, const Json& request) {
    const auto reached = dropExternal(view.controller, toWide(request.at("url").get<std::string>()));
    if (!reached) refuse("NO_SUCH_VIEW", "the view has gone");
    return Json{{"reachedPage", *reached}};
}

Json certificateErrorsCommand(const LiveView& view) {
    static constexpr std::array<const char*, 3> kActions{"alwaysAllow", "cancel", "default"};
    Json list = Json::array();
    for (const CertificateErrorSeen& seen : certificateErrors(view.controller)) {
        const int action = static_cast<int>(seen.action);
        list.push_back(Json{{"url", toUtf8(seen.uri)},
                            {"document", seen.document},
                            {"action", seen.done && action >= 0 && action <= 2 ? kActions[action] : "pending"}});
    }
    return Json{{"certificateErrors", list}};
}

}  // namespace vesko::standin
