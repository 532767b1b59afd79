// The frame's keyboard: moving the focus among the page, the tab strip, the toolbar and
// the address field, and the keys that act there. What each key does is decided by the
// portable frameKey; this file reads the keys and places the focus.
#include <windows.h>

#include "base/key_modifiers_win.h"
#include "ui/browser_app_win.h"
#include "ui/main_window_win.h"
#include "ui/tab_strip_layout.h"

namespace vesko {

FrameKeyContext BrowserApp::frameKeyContext() const {
    FrameKeyContext context;
    context.tabCount = static_cast<int>(tabs_.size());
    context.activeTab = activeTab_;
    if (const auto tab = activeTab()) {
        context.canGoBack = tab->canGoBack;
        context.canGoForward = tab->canGoForward;
    }
    return context;
}

bool BrowserApp::takeFrameKey(const MSG& message) {
    if (!engine_.ready()) return false;
    FrameFocus focus = window_.focus;
    if (message.hwnd == window_.addressField && window_.addressField != nullptr) {
        focus.zone = FocusZone::AddressField;
    } else if (message.hwnd != window_.window || window_.window == nullptr) {
        return false;
    }
    const auto key = static_cast<std::int32_t>(message.wParam);
    const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    const bool repeat = (static_cast<std::uint32_t>(message.lParam) & kKeyWasDownBit) != 0;
    if (key == VK_MENU) {
        // Alt released with nothing pressed in between opens the menu, as a menu bar would.
        if (keyDown) {
            if (!repeat) altAlone_ = true;
            return false;
        }
        if (message.message != WM_SYSKEYUP && message.message != WM_KEYUP) return false;
        const bool alone = altAlone_;
        altAlone_ = false;
        if (alone) runGuarded([this] { showMenu(true); });
        return alone;
    }
    if (!keyDown) return false;
    altAlone_ = false;  // Alt held with another key is a modifier
    const FrameKeyOutcome outcome = frameKey(focus, key, heldKeyModifiers(), frameKeyContext());
    if (!outcome.handled) return false;
    // A held key walks on; what acts (select, close, press) acts once per press.
    if (repeat && outcome.click.action != FrameAction::None) return true;
    runGuarded([&] { applyFrameKey(outcome); });
    return true;
}

void BrowserApp::onPageFrameKey(std::int32_t virtualKey, bool shift) {
    FrameFocus focus = window_.focus;
    focus.zone = FocusZone::Page;
    const FrameKeyOutcome outcome = frameKey(focus, virtualKey, KeyModifiers{false, shift, false}, frameKeyContext());
    if (outcome.handled) applyFrameKey(outcome);
}

void BrowserApp::pageFocusLeaving(TabView& tab, bool forward) {
    // Only the page in front can hand the keyboard on; the control after it (the tab strip)
    // or before it (the address field) takes it.
    if (!isActive(tab) || window_.window == nullptr) return;
    moveFrameFocus(focusFromPage(forward, frameKeyContext()), PageEntry::None);
}

void BrowserApp::applyFrameKey(const FrameKeyOutcome& outcome) {
    if (outcome.click.action == FrameAction::ShowMenu) {
        showMenu(true);
    } else if (outcome.click.action != FrameAction::None) {
        // Selecting or closing a tab hands the focus to a page on the way; the keyboard
        // stays where the key left it.
        performFrameClick(*this, window_, outcome.click);
    }
    if (window_.window == nullptr) return;  // the last tab took the window with it
    moveFrameFocus(clampFocus(outcome.focus, frameKeyContext()), outcome.page);
}

void BrowserApp::moveFrameFocus(FrameFocus focus, PageEntry entry) {
    window_.focus = focus;
    switch (focus.zone) {
        case FocusZone::TabStrip: {
            RECT client{};
            GetClientRect(window_.window, &client);
            window_.firstVisibleTab = scrollTabIntoView(focus.tab, client.right - client.left,
                                                        static_cast<int>(tabs_.size()), window_.firstVisibleTab,
                                                        window_.frameScale());
            SetFocus(window_.window);
            break;
        }
        case FocusZone::Toolbar:
            SetFocus(window_.window);
            break;
        case FocusZone::AddressField:
            focusAddressField();
            break;
        case FocusZone::Page:
            if (const auto tab = activeTab()) {
                if (entry == PageEntry::First || entry == PageEntry::Last) {
                    tab->moveFocusInto(entry == PageEntry::First);
                } else {
                    tab->focus();
                }
            }
            break;
    }
    repaint();
}

}  // namespace vesko
