// The control channel's keyboard: keys pressed in a view's page, and the page's keyboard
// leaving the view, as Tab past its last focusable element or Shift+Tab before its first
// makes the engine report it.
#include <array>
#include <cstdint>
#include <string>

#include "control_channel_commands.h"

namespace vesko::standin {

using Json = nlohmann::ordered_json;

namespace {

struct KeyName {
    const char* name;
    UINT key;
};
constexpr std::array<KeyName, 22> kKeys{{
    {"Tab", VK_TAB},         {"Enter", VK_RETURN},        {"Escape", VK_ESCAPE},     {"Space", VK_SPACE},
    {"PageUp", VK_PRIOR},    {"PageDown", VK_NEXT},       {"End", VK_END},           {"Home", VK_HOME},
    {"Left", VK_LEFT},       {"Up", VK_UP},               {"Right", VK_RIGHT},       {"Down", VK_DOWN},
    {"Add", VK_ADD},         {"Subtract", VK_SUBTRACT},   {"OemPlus", VK_OEM_PLUS},  {"OemMinus", VK_OEM_MINUS},
    {"Numpad0", VK_NUMPAD0}, {"F4", VK_F4},               {"F5", VK_F5},             {"F12", VK_F12},
    {"Backspace", VK_BACK},  {"Delete", VK_DELETE},
}};

UINT virtualKey(const Json& value) {
    if (value.is_number_integer()) {
        const auto key = value.get<std::int64_t>();
        if (key < 1 || key > 254) refuse("BAD_REQUEST", "a virtual key is 1 to 254");
        return static_cast<UINT>(key);
    }
    if (!value.is_string()) refuse("BAD_REQUEST", "member \"key\" must be a key name or number");
    const std::string name = value.get<std::string>();
    if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
        return static_cast<UINT>(name[0]);
    }
    for (const auto& entry : kKeys) {
        if (name == entry.name) return entry.key;
    }
    refuse("BAD_REQUEST", "unknown key " + name);
}

COREWEBVIEW2_KEY_EVENT_KIND keyEventKind(const Json& request) {
    const std::string name = text(request, "kind", "keyDown");
    if (name == "keyDown") return COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    if (name == "keyUp") return COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
    if (name == "systemKeyDown") return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
    if (name == "systemKeyUp") return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP;
    refuse("BAD_REQUEST", "unknown key event kind " + name);
}

}  // namespace

std::function<Json()> keyCommand(const LiveView& view, const Json& request) {
    if (!readView(view.controller)) refuse("NO_SUCH_VIEW", "the view " + view.viewName + " has gone");
    const UINT key = virtualKey(request.at("key"));
    const COREWEBVIEW2_KEY_EVENT_KIND kind = keyEventKind(request);
    const HeldModifiers held{flag(request, "ctrl"), flag(request, "shift"), flag(request, "alt")};
    const auto outcome = pressKey(view.controller, kind, key, flag(request, "repeat"), held);
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    return [outcome]() -> Json {
        if (!outcome->done) return Json();
        if (outcome->gone) refuse("NO_SUCH_VIEW", "the view closed before the key reached it");
        return Json{{"handled", outcome->handled}};
    };
}

std::function<Json()> moveFocusRequestedCommand(const LiveView& view, const Json& request) {
    const std::string reason = text(request, "reason", "next");
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
