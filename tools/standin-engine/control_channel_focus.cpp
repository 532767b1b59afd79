// The control channel's keyboard focus: the page's keyboard leaving the view, as Tab past
// its last focusable element or Shift+Tab before its first makes the engine report it.
#include <string>

#include "control_channel_commands.h"

namespace vesko::standin {

using Json = nlohmann::ordered_json;

std::function<Json()> moveFocusRequestedCommand(const LiveView& view, const Json& request) {
    const std::string reason = request.contains("reason") ? request.at("reason").get<std::string>() : "next";
    COREWEBVIEW2_MOVE_FOCUS_REASON chosen = COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT;
    if (reason == "previous") chosen = COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS;
    else if (reason == "programmatic") chosen = COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC;
    else if (reason != "next") refuse("BAD_REQUEST", "reason is next, previous or programmatic");
    const auto outcome = raiseMoveFocusRequested(view.controller, chosen);
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    return [outcome]() -> Json {
        if (!outcome->done) return Json();
        if (outcome->gone) refuse("NO_SUCH_VIEW", "the view closed before the keyboard left it");
        return Json{{"handled", outcome->handled}, {"focusInView", outcome->focusInView}};
    };
}

}  // namespace vesko::standin
