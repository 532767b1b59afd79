// The main window in-process, without an engine and with tabs put into the list
// directly: hit-testing through the window procedure, DPI changes, closing tabs, keys
// before dispatch and the error guard.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/commands.h"
#include "ui_test_support_win.h"

namespace vesko {
namespace {

using uitest::KeyboardState;
using uitest::kPortal;
using uitest::WindowFixture;

TEST(MainWindow, HitTestsInScreenCoordinatesLeftOfThePrimaryMonitor) {
    WindowFixture f(false);
    f.addTab(kPortal);
    SetWindowPos(f.app.window, nullptr, -600, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    struct Case {
        const char* name;
        bool ready;
        int x, y;
        LRESULT expected;
    };
    static constexpr Case kCases[] = {
        {"left edge", false, 3, 400, HTLEFT},
        {"bottom right corner", false, 1278, 848, HTBOTTOMRIGHT},
        {"empty strip drags", true, 700, 20, HTCAPTION},
        {"tab before the engine drags", false, 100, 20, HTCAPTION},
        {"tab once ready", true, 100, 20, HTCLIENT},
        {"caption buttons", false, 1250, 20, HTCLIENT},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        f.app.engineReady = c.ready;
        POINT p{c.x, c.y};
        ClientToScreen(f.app.window, &p);
        EXPECT_EQ(SendMessageW(f.app.window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), c.expected);
    }
}

TEST(MainWindow, DpiChangesScaleTheMinimumSizeAndFont) {
    WindowFixture f;
    struct Case {
        WORD dpi;
        LONG minWidth;
        LONG fontHeight;
    };
    // A message without a DPI keeps lengths at their 96-dpi size instead of making them 0.
    static constexpr Case kCases[] = {{144, 1140, -20}, {120, 950, -16}, {0, 760, -13}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.dpi);
        RECT suggested{10, 20, 1310, 920};
        SendMessageW(f.app.window, WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&suggested));
        MINMAXINFO info{};
        SendMessageW(f.app.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, c.minWidth);
        LOGFONTW font{};
        GetObjectW(f.app.uiFont.get(), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, c.fontHeight);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(f.app.addressField, WM_GETFONT, 0, 0)), f.app.uiFont.get());
        RECT now{};
        GetWindowRect(f.app.window, &now);
        EXPECT_EQ(now.right - now.left, 1300);
    }
}

TEST(MainWindow, ClosingATabSelectsTheRightOne) {
    struct Case {
        const char* name;
        int active, closed;
        const wchar_t* selectedAfter;
    };
    static constexpr Case kCases[] = {
        {"the selected last tab: the new last", 3, 3, L"Skeda 3"},
        {"left of the selected: the same tab", 2, 0, L"Skeda 3"},
        {"right of the selected: the same tab", 1, 3, L"Skeda 2"},
        {"the selected middle one: the tab moving in", 1, 1, L"Skeda 3"},
        {"outside the list: nothing", 1, 4, L"Skeda 2"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        WindowFixture f;
        f.addTabs(4);
        f.app.selectTab(c.active);
        f.app.closeTab(c.closed);
        ASSERT_TRUE(f.app.activeTabPointer());
        EXPECT_EQ(f.app.activeTabPointer()->title, c.selectedAfter);
        EXPECT_EQ(f.windowTitle(), std::wstring(c.selectedAfter) + L" \u2014 Vesko Browser");
    }
}

TEST(MainWindow, ClosedPortalTabsAreRememberedAndTheLastTabTakesTheWindow) {
    WindowFixture f;
    f.addTab(L"about:blank");
    f.addTab(kPortal + L"faqe");
    for (int i = 0; i < 31; ++i) f.addTab(kPortal + L"n" + std::to_wstring(i));
    f.app.closeTab(0);
    EXPECT_TRUE(f.app.closedTabUrls.empty());
    while (f.app.tabs.size() > 1) f.app.closeTab(0);
    EXPECT_EQ(f.app.closedTabUrls.size(), 30u);
    EXPECT_EQ(f.app.closedTabUrls.urls().front(), "https://portal.kordis.example/n0");

    // A refused reopen (there is no engine here) keeps the address.
    f.app.executeCommand(commands::ReopenClosedTab);
    EXPECT_EQ(f.app.tabs.size(), 1u);
    EXPECT_EQ(f.app.closedTabUrls.size(), 30u);

    f.app.closeTab(0);
    EXPECT_EQ(f.app.window, nullptr);
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST(MainWindow, KeysBeforeDispatch) {
    struct Case {
        const char* name;
        bool ready;
        std::vector<int> held;
        UINT message;
        int key;
        bool taken;
        int activeAfter;
        std::size_t tabsAfter;
    };
    const Case cases[] = {
        {"Ctrl+3", true, {VK_CONTROL}, WM_KEYDOWN, '3', true, 2, 4},
        {"Ctrl+9: the last tab", true, {VK_CONTROL}, WM_KEYDOWN, '9', true, 3, 4},
        {"Ctrl+5 past the last tab", true, {VK_CONTROL}, WM_KEYDOWN, '5', true, 1, 4},
        {"Ctrl+Shift+Tab", true, {VK_CONTROL, VK_SHIFT}, WM_KEYDOWN, VK_TAB, true, 0, 4},
        {"Ctrl+W closes the selected tab", true, {VK_CONTROL}, WM_KEYDOWN, 'W', true, 1, 3},
        {"F5 is taken even without a view", true, {}, WM_KEYDOWN, VK_F5, true, 1, 4},
        {"Alt+Left as a system key", true, {VK_MENU}, WM_SYSKEYDOWN, VK_LEFT, true, 1, 4},
        {"plain letters are typing", true, {}, WM_KEYDOWN, 'W', false, 1, 4},
        {"Ctrl+A is the field's", true, {VK_CONTROL}, WM_KEYDOWN, 'A', false, 1, 4},
        {"key releases pass", true, {VK_CONTROL}, WM_KEYUP, 'W', false, 1, 4},
        {"before the engine: Ctrl+W is typing", false, {VK_CONTROL}, WM_KEYDOWN, 'W', false, 1, 4},
        {"before the engine: Ctrl+3 too", false, {VK_CONTROL}, WM_KEYDOWN, '3', false, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture f(c.ready);
        f.addTabs(4);
        f.app.selectTab(1);
        const KeyboardState keys(c.held);
        // Addressed to the address field, as when the user types there.
        const MSG message{f.app.addressField, c.message, static_cast<WPARAM>(c.key), 0, 0, {}};
        EXPECT_EQ(f.app.preDispatchKey(message), c.taken);
        EXPECT_EQ(f.app.activeTab, c.activeAfter);
        EXPECT_EQ(f.app.tabs.size(), c.tabsAfter);
    }
}

TEST(MainWindow, ErrorGuardReportsOnTheStatusLine) {
    WindowFixture f;
    f.app.runGuarded([] { throw std::runtime_error("ZOOM_FAILED 0x80070057"); });
    EXPECT_EQ(f.app.statusText, L"Veprimi nuk p\u00EBrfundoi: ZOOM_FAILED 0x80070057");
    EXPECT_GT(f.app.statusExpiresAt, 0);
    f.app.runGuarded([] { throw 42; });
    EXPECT_EQ(f.app.statusText, L"Veprimi nuk p\u00EBrfundoi.");
}

}  // namespace
}  // namespace vesko
