#include "chromium/input_events.h"

#include <cmath>

#include "base/wide_text_win.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::json;

Json pointAt(const WindowInput& input) {
    const double zoom = input.zoom > 0 ? input.zoom : 1.0;
    return Json{{"x", input.client.x / zoom}, {"y", input.client.y / zoom}};
}

// Which buttons are still held, as the protocol's bit mask (left 1, right 2, middle 4).
int heldButtons(WPARAM wParam) {
    int buttons = 0;
    if ((wParam & MK_LBUTTON) != 0) buttons |= 1;
    if ((wParam & MK_RBUTTON) != 0) buttons |= 2;
    if ((wParam & MK_MBUTTON) != 0) buttons |= 4;
    return buttons;
}

std::optional<InputCommand> mouse(const WindowInput& input, const char* type, const char* button) {
    Json params = pointAt(input);
    params["type"] = type;
    params["button"] = button;
    params["buttons"] = heldButtons(input.wParam);
    params["modifiers"] = input.modifiers;
    if (std::string_view(type) != "mouseMoved") params["clickCount"] = input.clickCount;
    return InputCommand{"Input.dispatchMouseEvent", std::move(params)};
}

std::optional<InputCommand> key(const WindowInput& input, const char* type) {
    const UINT virtualKey = static_cast<UINT>(input.wParam);
    const KeyNames names = keyNamesOf(virtualKey, (input.modifiers & 8) != 0);
    Json params = {{"type", type},
                   {"modifiers", input.modifiers},
                   {"windowsVirtualKeyCode", virtualKey},
                   {"nativeVirtualKeyCode", virtualKey},
                   {"autoRepeat", std::string_view(type) == "rawKeyDown" && (input.lParam & (1 << 30)) != 0},
                   {"isSystemKey", input.message == WM_SYSKEYDOWN || input.message == WM_SYSKEYUP}};
    if (!names.key.empty()) params["key"] = names.key;
    if (!names.code.empty()) params["code"] = names.code;
    return InputCommand{"Input.dispatchKeyEvent", std::move(params)};
}

std::optional<InputCommand> character(const WindowInput& input) {
    const wchar_t unit = static_cast<wchar_t>(input.wParam);
    // Control characters are the key-down's business; Enter alone types a character.
    if (unit < 0x20 && unit != L'\r') return std::nullopt;
    if (unit == 0x7f) return std::nullopt;
    const std::string text = toUtf8(std::wstring(1, unit));
    return InputCommand{"Input.dispatchKeyEvent",
                        {{"type", "char"}, {"modifiers", input.modifiers}, {"text", text}, {"unmodifiedText", text}}};
}

}  // namespace

int inputModifiers(bool alt, bool control, bool shift) {
    return (alt ? 1 : 0) | (control ? 2 : 0) | (shift ? 8 : 0);
}

std::optional<InputCommand> inputCommandFor(const WindowInput& input) {
    switch (input.message) {
        case WM_MOUSEMOVE: return mouse(input, "mouseMoved", "none");
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: return mouse(input, "mousePressed", "left");
        case WM_LBUTTONUP: return mouse(input, "mouseReleased", "left");
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: return mouse(input, "mousePressed", "right");
        case WM_RBUTTONUP: return mouse(input, "mouseReleased", "right");
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: return mouse(input, "mousePressed", "middle");
        case WM_MBUTTONUP: return mouse(input, "mouseReleased", "middle");
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL: {
            // One notch (120) scrolls about three lines, as a desktop browser does.
            const double notches = static_cast<short>(HIWORD(input.wParam)) / 120.0;
            Json params = pointAt(input);
            params["type"] = "mouseWheel";
            params["modifiers"] = input.modifiers;
            const bool horizontal = input.message == WM_MOUSEHWHEEL;
            params["deltaX"] = horizontal ? notches * 100.0 : 0.0;
            params["deltaY"] = horizontal ? 0.0 : -notches * 100.0;
            return InputCommand{"Input.dispatchMouseEvent", std::move(params)};
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: return key(input, "rawKeyDown");
        case WM_KEYUP:
        case WM_SYSKEYUP: return key(input, "keyUp");
        case WM_CHAR: return character(input);
        default: return std::nullopt;
    }
}

KeyNames keyNamesOf(UINT virtualKey, bool shift) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        const char letter = static_cast<char>(shift ? virtualKey : virtualKey - 'A' + 'a');
        return {std::string(1, letter), std::string("Key") + static_cast<char>(virtualKey)};
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        return {std::string(1, static_cast<char>(virtualKey)), std::string("Digit") + static_cast<char>(virtualKey)};
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F24) {
        const std::string name = "F" + std::to_string(virtualKey - VK_F1 + 1);
        return {name, name};
    }
    struct Entry {
        UINT virtualKey;
        const char* key;
        const char* code;
    };
    static constexpr Entry kNamed[] = {
        {VK_BACK, "Backspace", "Backspace"}, {VK_TAB, "Tab", "Tab"},
        {VK_RETURN, "Enter", "Enter"},       {VK_ESCAPE, "Escape", "Escape"},
        {VK_SPACE, " ", "Space"},            {VK_DELETE, "Delete", "Delete"},
        {VK_LEFT, "ArrowLeft", "ArrowLeft"}, {VK_RIGHT, "ArrowRight", "ArrowRight"},
        {VK_UP, "ArrowUp", "ArrowUp"},       {VK_DOWN, "ArrowDown", "ArrowDown"},
        {VK_HOME, "Home", "Home"},           {VK_END, "End", "End"},
        {VK_PRIOR, "PageUp", "PageUp"},      {VK_NEXT, "PageDown", "PageDown"},
        {VK_SHIFT, "Shift", "ShiftLeft"},    {VK_CONTROL, "Control", "ControlLeft"},
        {VK_MENU, "Alt", "AltLeft"},         {VK_INSERT, "Insert", "Insert"},
    };
    for (const Entry& entry : kNamed) {
        if (entry.virtualKey == virtualKey) return {entry.key, entry.code};
    }
    return {};
}

}  // namespace vesko::standin
