#pragma once

#include <cstdint>

#include "base/user_text.h"
#include "ui/frame_focus.h"
#include "ui/hit_testing.h"
#include "ui/key_table.h"

namespace vesko {

// Virtual keys the frame's keyboard handling reads (their documented values).
inline constexpr std::int32_t kVkReturn = 0x0D;
inline constexpr std::int32_t kVkEscape = 0x1B;
inline constexpr std::int32_t kVkSpace = 0x20;
inline constexpr std::int32_t kVkEnd = 0x23;
inline constexpr std::int32_t kVkUp = 0x26;
inline constexpr std::int32_t kVkDown = 0x28;
inline constexpr std::int32_t kVkDelete = 0x2E;
inline constexpr std::int32_t kVkF6 = 0x75;
inline constexpr std::int32_t kVkF10 = 0x79;

// What the frame knows when a key arrives.
struct FrameKeyContext {
    int tabCount = 0;
    int activeTab = -1;
    bool canGoBack = false;
    bool canGoForward = false;
};

// Where the focus goes when it leaves the frame for the page: into the page as it was
// (Esc, F6), to the page's first element (Tab past the frame's last control) or to its last
// (Shift+Tab before the frame's first).
enum class PageEntry : std::uint8_t { None, AsItWas, First, Last };

struct FrameKeyOutcome {
    bool handled = false;
    FrameFocus focus;
    // What the key does besides moving the focus, as a click on the element would.
    FrameClick click;
    PageEntry page = PageEntry::None;
};

// A key pressed while the focus is at `focus` (the page, when the key comes from inside
// it). F6 and Shift+F6 cycle page → tab strip → toolbar → page; Tab and Shift+Tab walk
// tab strip → toolbar → address field → page; in the tab strip the arrows, Home and End
// move among the tabs, Enter or Space selects, Delete closes; in the toolbar the arrows,
// Home and End move among the enabled buttons, Enter or Space presses; F10 opens the menu;
// Esc returns to the page. Keys with Ctrl or Alt are never the frame's (the browser's
// shortcuts keep them), and in the page and the address field only F6 and F10 are.
FrameKeyOutcome frameKey(FrameFocus focus, std::int32_t virtualKey, KeyModifiers modifiers,
                         const FrameKeyContext& context);

// Where the focus lands when the page hands it over: Tab past its last element enters the
// tab strip at the active tab, Shift+Tab before its first enters the address field.
FrameFocus focusFromPage(bool forward, const FrameKeyContext& context);

// The focus after the tab list changed: a focused tab past the end moves to the last tab.
FrameFocus clampFocus(FrameFocus focus, const FrameKeyContext& context);

}  // namespace vesko
