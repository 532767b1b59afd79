#pragma once
// Mouse, wheel and keyboard messages of a view window as the protocol's Input commands:
// the page gets the user's input as if its own window had received it.

#include <windows.h>

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace vesko::standin {

struct InputCommand {
    std::string method;  // "Input.dispatchMouseEvent" or "Input.dispatchKeyEvent"
    nlohmann::json params;
};

// The protocol's modifier bits: Alt 1, Ctrl 2, Meta 4, Shift 8.
int inputModifiers(bool alt, bool control, bool shift);

struct WindowInput {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    POINT client{};       // the pointer in client pixels (wheel messages carry screen ones)
    int modifiers = 0;    // as inputModifiers gives them
    double zoom = 1.0;    // the view's zoom: a page pixel covers zoom client pixels
    int clickCount = 1;   // for button presses: 2 on a double click
};

// The command for one window message; nothing for messages the page does not see (and
// for characters that only the key-down carries, such as backspace or escape).
std::optional<InputCommand> inputCommandFor(const WindowInput& input);

// The DOM key and code names of a virtual key ("Enter"/"Enter", "a"/"KeyA"); empty names
// for keys without one here.
struct KeyNames {
    std::string key;
    std::string code;
};
KeyNames keyNamesOf(UINT virtualKey, bool shift);

}  // namespace vesko::standin
