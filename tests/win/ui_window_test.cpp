// The main window in-process, without an engine: its window procedure and custom frame,
// the tab model with tabs put into the list directly, the mouse, keys before dispatch,
// the error guard and the commands that need no view.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/files.h"
#include "ui/browser_app.h"
#include "ui/commands.h"
#include "ui/tab_strip_layout.h"
#include "ui_test_support_win.h"

namespace vesko {
namespace {

using uitest::KeyboardState;
using uitest::kPortal;
using uitest::WindowFixture;

TEST(MainWindow, CustomFrameClassTitleAndHiddenAddressField) {
    WindowFixture f(false);
    ASSERT_TRUE(f.created);
    wchar_t className[64] = {};
    GetClassNameW(f.app.window, className, 64);
    EXPECT_STREQ(className, L"VESKOS_BROWSER_KIOSK_TEST_V1");
    EXPECT_EQ(f.windowTitle(), L"Vesko Browser");

    // The client area is the whole window: the frame is the window's own drawing.
    RECT client{}, outer{};
    GetClientRect(f.app.window, &client);
    GetWindowRect(f.app.window, &outer);
    EXPECT_EQ(client.right, outer.right - outer.left);
    EXPECT_EQ(client.bottom, outer.bottom - outer.top);
    EXPECT_EQ(client.right, 1280);
    EXPECT_EQ(client.bottom, 850);

    ASSERT_EQ(GetDlgItem(f.app.window, 211), f.app.addressField);
    EXPECT_FALSE(IsWindowVisible(f.app.addressField) || (GetWindowLongW(f.app.addressField, GWL_STYLE) & WS_VISIBLE));
    EXPECT_EQ(SendMessageW(f.app.addressField, EM_GETLIMITTEXT, 0, 0), 8192);
    EXPECT_EQ(f.addressText(), kPortal);

    // Once the engine is ready the field takes its place in the toolbar.
    f.app.engineReady = true;
    f.app.layoutChildren();
    EXPECT_TRUE(GetWindowLongW(f.app.addressField, GWL_STYLE) & WS_VISIBLE);
    RECT field{};
    GetWindowRect(f.app.addressField, &field);
    MapWindowPoints(nullptr, f.app.window, reinterpret_cast<POINT*>(&field), 2);
    EXPECT_EQ(field.left, 198);
    EXPECT_EQ(field.top, 55);
    EXPECT_EQ(field.right - field.left, 1280 - 260);
    EXPECT_EQ(field.bottom - field.top, 22);

    // The field paints itself in the toolbar's colours.
    HDC dc = GetDC(f.app.addressField);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(f.app.window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(f.app.addressField)));
    LOGBRUSH logBrush{};
    ASSERT_NE(brush, nullptr);
    GetObjectW(brush, sizeof(logBrush), &logBrush);
    EXPECT_EQ(logBrush.lbColor, RGB(237, 241, 250));
    EXPECT_EQ(GetTextColor(dc), RGB(38, 54, 63));
    ReleaseDC(f.app.addressField, dc);
}

TEST(MainWindow, HitTestsTheFrameInScreenCoordinates) {
    WindowFixture f(false);
    f.addTab(kPortal);
    // Left of the primary monitor: screen coordinates are negative there.
    SetWindowPos(f.app.window, nullptr, -600, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    struct Case {
        const char* name;
        bool ready;
        int x, y;
        LRESULT expected;
    };
    static constexpr Case kCases[] = {
        {"left edge", false, 3, 400, HTLEFT},
        {"top left corner", false, 2, 2, HTTOPLEFT},
        {"bottom right corner", false, 1278, 848, HTBOTTOMRIGHT},
        {"empty strip drags", true, 700, 20, HTCAPTION},
        {"tab before the engine drags", false, 100, 20, HTCAPTION},
        {"tab once ready", true, 100, 20, HTCLIENT},
        {"new-tab button once ready", true, 300, 24, HTCLIENT},
        {"caption buttons", false, 1250, 20, HTCLIENT},
        {"toolbar", false, 600, 60, HTCLIENT},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        f.app.engineReady = c.ready;
        POINT p{c.x, c.y};
        ClientToScreen(f.app.window, &p);
        EXPECT_EQ(SendMessageW(f.app.window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), c.expected);
    }
}

TEST(MainWindow, MinimumSizeAndFontFollowTheDpi) {
    WindowFixture f;
    MINMAXINFO info{};
    SendMessageW(f.app.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 760);
    EXPECT_EQ(info.ptMinTrackSize.y, 550);

    struct Case {
        WORD dpi;
        double scale;
        LONG minWidth;
        LONG fontHeight;
    };
    // A message without a DPI keeps lengths at their 96-dpi size instead of making them 0.
    static constexpr Case kCases[] = {{144, 1.5, 1140, -20}, {120, 1.25, 950, -16}, {0, 1.0, 760, -13}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.dpi);
        RECT suggested{10, 20, 1310, 920};
        SendMessageW(f.app.window, WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_DOUBLE_EQ(f.app.dpiScale, c.scale);
        SendMessageW(f.app.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, c.minWidth);
        LOGFONTW font{};
        GetObjectW(f.app.uiFont.get(), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, c.fontHeight);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(f.app.addressField, WM_GETFONT, 0, 0)), f.app.uiFont.get());
        RECT now{};
        GetWindowRect(f.app.window, &now);
        EXPECT_EQ(now.right - now.left, 1300);
        EXPECT_EQ(now.bottom - now.top, 900);
    }
}

TEST(MainWindow, ClosingTabsKeepsTheRightOneSelected) {
    struct Case {
        const char* name;
        int count, active, closed;
        int expectedActive;
        const wchar_t* expectedTitle;
    };
    static constexpr Case kCases[] = {
        {"selected last tab: the new last", 4, 3, 3, 2, L"Skeda 3"},
        {"left of the selected: same tab", 4, 2, 0, 1, L"Skeda 3"},
        {"right of the selected: same tab", 4, 1, 3, 1, L"Skeda 2"},
        {"selected middle: the one moving in", 4, 1, 1, 1, L"Skeda 3"},
        {"outside the list: nothing", 4, 1, 4, 1, L"Skeda 2"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        WindowFixture f;
        f.addTabs(c.count);
        f.app.selectTab(c.active);
        f.app.closeTab(c.closed);
        EXPECT_EQ(f.app.activeTab, c.expectedActive);
        EXPECT_EQ(f.app.tabs[static_cast<std::size_t>(f.app.activeTab)]->title, c.expectedTitle);
        EXPECT_EQ(f.windowTitle(), std::wstring(c.expectedTitle) + L" \u2014 Vesko Browser");
    }
}

TEST(MainWindow, ClosedPortalTabsAreRememberedAndTheLastTabTakesTheWindow) {
    WindowFixture f;
    f.addTab(L"about:blank");
    f.addTab(kPortal + L"faqe");
    for (int i = 0; i < 31; ++i) f.addTab(kPortal + L"n" + std::to_wstring(i));
    f.app.selectTab(0);
    f.app.closeTab(0);
    EXPECT_TRUE(f.app.closedTabUrls.empty());
    f.app.closeTab(0);
    ASSERT_EQ(f.app.closedTabUrls.size(), 1u);
    EXPECT_EQ(*f.app.closedTabUrls.newest(), "https://portal.kordis.example/faqe");
    while (f.app.tabs.size() > 1) f.app.closeTab(0);
    EXPECT_EQ(f.app.closedTabUrls.size(), 30u);
    EXPECT_EQ(f.app.closedTabUrls.urls().front(), "https://portal.kordis.example/n0");

    ASSERT_NE(f.app.window, nullptr);
    f.app.closeTab(0);
    EXPECT_TRUE(f.app.tabs.empty());
    EXPECT_EQ(f.app.window, nullptr);
    EXPECT_EQ(f.app.addressField, nullptr);
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST(MainWindow, SelectingBringsTheTabIntoTheStrip) {
    WindowFixture f;
    f.addTabs(14);
    const int fit = static_cast<int>(layoutTabStrip(1280, 14, 0, 1.0).shown.size());
    f.app.selectTab(13);
    EXPECT_EQ(f.app.firstVisibleTab, 14 - fit);
    EXPECT_EQ(f.addressText(), kPortal + L"skeda/13");
    f.app.selectTab(1);
    EXPECT_EQ(f.app.firstVisibleTab, 1);
    f.app.selectTab(-1);
    EXPECT_EQ(f.app.activeTab, 1);
}

TEST(MainWindow, MouseOnTheStripAndCaption) {
    WindowFixture f;
    f.addTabs(3);
    f.app.selectTab(0);
    const auto strip = layoutTabStrip(1280, 3, 0, 1.0);
    const auto centre = [](const Rect& r) { return std::pair{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };

    auto [x, y] = centre(strip.shown[2].tab);
    f.mouse(WM_LBUTTONDOWN, x - 20, y);
    EXPECT_EQ(f.app.activeTab, 2);

    // Hover follows the pointer and the close glyph of the hovered tab.
    f.mouse(WM_MOUSEMOVE, x - 20, y);
    EXPECT_EQ(f.app.hoveredTab, 2);
    EXPECT_FALSE(f.app.tabCloseHovered);
    std::tie(x, y) = centre(strip.shown[1].close);
    f.mouse(WM_MOUSEMOVE, x, y);
    EXPECT_EQ(f.app.hoveredTab, 1);
    EXPECT_TRUE(f.app.tabCloseHovered);
    SendMessageW(f.app.window, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(f.app.hoveredTab, -1);

    // A click on a close glyph closes that tab, a middle-button release over a tab too;
    // over the empty strip it does nothing.
    f.mouse(WM_LBUTTONDOWN, x, y);
    ASSERT_EQ(f.app.tabs.size(), 2u);
    EXPECT_EQ(f.app.tabs[1]->title, L"Skeda 3");
    f.mouse(WM_MBUTTONUP, 900, 20);
    EXPECT_EQ(f.app.tabs.size(), 2u);
    std::tie(x, y) = centre(strip.shown[0].tab);
    f.mouse(WM_MBUTTONUP, x, y);
    ASSERT_EQ(f.app.tabs.size(), 1u);
    EXPECT_EQ(f.app.tabs[0]->title, L"Skeda 3");

    // A toolbar button looks pressed for a moment.
    f.mouse(WM_LBUTTONDOWN, 100, 64);
    EXPECT_EQ(f.app.pressedToolbarButton, 2);
    EXPECT_GE(f.app.pressedUntil, GetTickCount64() + 100);

    // Before the engine is ready only the caption buttons react.
    f.app.engineReady = false;
    f.mouse(WM_LBUTTONDOWN, 1280 - 138 + 92 + 23, 21);
    MSG close{};
    EXPECT_TRUE(PeekMessageW(&close, f.app.window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    std::tie(x, y) = centre(strip.shown[0].close);
    f.mouse(WM_LBUTTONDOWN, x, y);
    EXPECT_EQ(f.app.tabs.size(), 1u);
}

TEST(MainWindow, ScrollButtonsMoveTheStripWithinItsTabs) {
    WindowFixture f;
    f.addTabs(14);
    const auto strip = layoutTabStrip(1280, 14, 0, 1.0);
    const int maxFirst = 14 - static_cast<int>(strip.shown.size());
    const auto click = [&](const Rect& r) { f.mouse(WM_LBUTTONDOWN, (r.left + r.right) / 2, (r.top + r.bottom) / 2); };
    for (int i = 0; i < maxFirst + 3; ++i) click(layoutTabStrip(1280, 14, f.app.firstVisibleTab, 1.0).scrollRight);
    EXPECT_EQ(f.app.firstVisibleTab, maxFirst);
    click(strip.scrollLeft);
    EXPECT_EQ(f.app.firstVisibleTab, maxFirst - 1);
    for (int i = 0; i < maxFirst + 3; ++i) click(strip.scrollLeft);
    EXPECT_EQ(f.app.firstVisibleTab, 0);
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
        {"Ctrl+Tab", true, {VK_CONTROL}, WM_KEYDOWN, VK_TAB, true, 2, 4},
        {"Ctrl+Shift+Tab", true, {VK_CONTROL, VK_SHIFT}, WM_KEYDOWN, VK_TAB, true, 0, 4},
        {"Ctrl+Page Up", true, {VK_CONTROL}, WM_KEYDOWN, VK_PRIOR, true, 0, 4},
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
        MSG message{f.app.addressField, c.message, static_cast<WPARAM>(c.key), 0, 0, {}};
        EXPECT_EQ(f.app.preDispatchKey(message), c.taken);
        EXPECT_EQ(f.app.activeTab, c.activeAfter);
        EXPECT_EQ(f.app.tabs.size(), c.tabsAfter);
    }
}

TEST(MainWindow, ErrorGuardReportsOnTheStatusLine) {
    WindowFixture f;
    const std::int64_t before = unixTimeMs();
    f.app.runGuarded([] { throw std::runtime_error("ZOOM_FAILED 0x80070057"); });
    EXPECT_EQ(f.app.statusText, L"Veprimi nuk p\u00EBrfundoi: ZOOM_FAILED 0x80070057");
    EXPECT_GE(f.app.statusExpiresAt, before + 20000);
    EXPECT_LE(f.app.statusExpiresAt, unixTimeMs() + 20000);
    f.app.runGuarded([] { throw 42; });
    EXPECT_EQ(f.app.statusText, L"Veprimi nuk p\u00EBrfundoi.");
    f.app.runGuarded([&] { f.app.setStatus(L"mir\u00EB", 0); });
    EXPECT_EQ(f.app.statusText, L"mir\u00EB");
}

TEST(MainWindow, CommandsThatNeedNoView) {
    WindowFixture f;
    f.addTabs(3);
    f.app.selectTab(2);
    f.app.executeCommand(commands::NextTab);
    EXPECT_EQ(f.app.activeTab, 0);
    f.app.executeCommand(commands::PreviousTab);
    EXPECT_EQ(f.app.activeTab, 2);
    SendMessageW(f.app.window, WM_APP_COMMAND, commands::PreviousTab, 0);
    EXPECT_EQ(f.app.activeTab, 1);
    SendMessageW(f.app.window, WM_COMMAND, commands::NextTab, 0);
    EXPECT_EQ(f.app.activeTab, 2);

    // Nothing to reopen; then a remembered address whose reopening is refused (no
    // engine environment here) stays remembered.
    f.app.executeCommand(commands::ReopenClosedTab);
    EXPECT_EQ(f.app.statusText, L"Nuk ka skeda t\u00EB mbyllura p\u00EBr t\u2019u rihapur.");
    f.app.closeTab(0);
    ASSERT_EQ(f.app.closedTabUrls.size(), 1u);
    f.app.executeCommand(commands::ReopenClosedTab);
    EXPECT_EQ(f.app.tabs.size(), 2u);
    EXPECT_EQ(f.app.closedTabUrls.size(), 1u);

    // Page commands without a view and unknown numbers do nothing.
    f.app.setStatus(L"", 0);
    for (const std::int32_t id : {commands::Back, commands::ReloadOrStop, commands::ZoomIn, commands::Print, 211, 0}) {
        f.app.executeCommand(id);
    }
    EXPECT_EQ(f.app.statusText, L"");
    EXPECT_EQ(f.app.tabs.size(), 2u);

    // Before the engine is ready the tab commands are ignored too.
    f.app.engineReady = false;
    f.app.executeCommand(commands::CloseTab);
    f.app.executeCommand(commands::NextTab);
    EXPECT_EQ(f.app.tabs.size(), 2u);
    EXPECT_EQ(f.app.activeTab, 1);
}

TEST(MainWindow, EscapeInTheAddressFieldPutsTheTabsAddressBack) {
    WindowFixture f;
    f.addTabs(2);
    f.app.selectTab(1);
    SetWindowTextW(f.app.addressField, L"https://elsewhere.example/");
    SendMessageW(f.app.addressField, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(f.addressText(), kPortal + L"skeda/1");

    SendMessageW(f.app.addressField, WM_SETFOCUS, 0, 0);
    EXPECT_TRUE(f.app.addressFocused);
    SendMessageW(f.app.addressField, WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(f.app.addressFocused);
}

TEST(MainWindow, CloseWithoutUnsavedInputAsksNothing) {
    {
        WindowFixture f;
        SendMessageW(f.app.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(f.app.window, nullptr);
    }
    {
        WindowFixture f;
        f.addTab(kPortal, true);
        f.app.warnOnClose = false;
        SendMessageW(f.app.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(f.app.window, nullptr);
    }
}

}  // namespace
}  // namespace vesko
