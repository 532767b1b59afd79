// The main window in-process, without an engine and with tabs put into the list directly:
// the window procedure's hit-testing and DPI handling, closing tabs, keys before dispatch,
// the error guard, the preferences file in the real data folder, the close warning
// answered from inside its dialog, and drawing with GDI into a bitmap.
#include <gtest/gtest.h>

#include "win_test_support.h"  // windows.h before commctrl.h
#include <commctrl.h>

#include "base/files.h"
#include "ui/preferences.h"
#include "ui/commands.h"
#include "ui/frame_painter_win.h"
#include "ui/frame_palette.h"

namespace vesko {
namespace {

// A browser application with its real main window (hidden), no engine.
struct WindowFixture {
    BrowserApp app{GetModuleHandleW(nullptr)};
    BrowserAppTestAccess inside{app};

    explicit WindowFixture(bool engineReady = true) {
        app.startGraphics();
        app.createWindow();
        inside.setEngineReady(engineReady);
        app.layoutChildren();
    }
    ~WindowFixture() {
        if (app.window() != nullptr) DestroyWindow(app.window());
        // The window's end posts WM_QUIT; left in the queue it would end the next modal
        // loop (a dialog) at once.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void addTabs(int count, bool dirty = false) {
        for (int i = 0; i < count; ++i) {
            const std::uint32_t id = inside.nextTabId()++;
            auto tab = std::make_shared<TabView>(id, kPortal + L"skeda/" + std::to_wstring(id), PopupRequest{});
            tab->title = L"Skeda " + std::to_wstring(id);
            if (dirty) tab->unsaved.markTop();
            inside.tabs().push_back(tab);
        }
    }
};

TEST(MainWindow, HitTestsInScreenCoordinatesLeftOfThePrimaryMonitor) {
    WindowFixture f;
    f.addTabs(1);
    SetWindowPos(f.app.window(), nullptr, -600, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    static constexpr struct {
        bool ready;
        int x, y;
        LRESULT expected;
    } kCases[] = {{false, 3, 400, HTLEFT}, {false, 100, 20, HTCAPTION}, {true, 100, 20, HTCLIENT}};
    for (const auto& c : kCases) {
        f.inside.setEngineReady(c.ready);
        POINT p{c.x, c.y};
        ClientToScreen(f.app.window(), &p);
        EXPECT_EQ(SendMessageW(f.app.window(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), c.expected) << c.x << "," << c.y;
    }
}

TEST(MainWindow, DpiChangesScaleTheMinimumSizeAndFont) {
    WindowFixture f;
    // A message without a DPI keeps lengths at their 96-dpi size instead of making them 0.
    static constexpr struct {
        WORD dpi;
        LONG minWidth, fontHeight;
    } kCases[] = {{144, 1140, -20}, {0, 760, -13}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.dpi);
        RECT suggested{10, 20, 1310, 920};
        SendMessageW(f.app.window(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&suggested));
        MINMAXINFO info{};
        SendMessageW(f.app.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, c.minWidth);
        LOGFONTW font{};
        GetObjectW(f.inside.window().uiFont.get(), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, c.fontHeight);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(f.inside.window().addressField, WM_GETFONT, 0, 0)), f.inside.window().uiFont.get());
        RECT now{};
        GetWindowRect(f.app.window(), &now);
        EXPECT_EQ(now.right - now.left, 1300);
    }
}

TEST(MainWindow, ClosingTabsRemembersPortalAddressesAndTheLastTakesTheWindow) {
    WindowFixture f;
    f.addTabs(3);
    f.app.selectTab(2);
    f.app.closeTab(2);
    wchar_t title[64] = {};
    GetWindowTextW(f.app.window(), title, 64);
    EXPECT_STREQ(title, L"Skeda 2 \u2014 Vesko Browser");
    ASSERT_EQ(f.inside.closedTabUrls().size(), 1u);
    EXPECT_EQ(f.inside.closedTabUrls().urls().front(), "https://portal.kordis.example/skeda/3");
    // A refused reopen (there is no engine here) keeps the address.
    f.app.executeCommand(commands::ReopenClosedTab);
    EXPECT_EQ(f.app.tabs().size(), 2u);
    EXPECT_EQ(f.inside.closedTabUrls().size(), 1u);

    f.app.closeTab(0);
    f.app.closeTab(0);
    EXPECT_EQ(f.app.window(), nullptr);
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST(MainWindow, KeysBeforeDispatch) {
    struct Case {
        const char* name;
        bool ready;
        std::initializer_list<int> held;
        int key;
        bool taken;
        int activeAfter;
        std::size_t tabsAfter;
    };
    const Case cases[] = {
        {"Ctrl+3", true, {VK_CONTROL}, '3', true, 2, 4},
        {"Ctrl+W closes the selected tab", true, {VK_CONTROL}, 'W', true, 1, 3},
        {"plain letters are typing", true, {}, 'W', false, 1, 4},
        {"before the engine: Ctrl+W is typing", false, {VK_CONTROL}, 'W', false, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture f(c.ready);
        f.addTabs(4);
        f.app.selectTab(1);
        const HeldKeys keys(c.held);
        // Addressed to the address field, as when the user types there.
        const MSG message{f.inside.window().addressField, WM_KEYDOWN, static_cast<WPARAM>(c.key), 0, 0, {}};
        EXPECT_EQ(f.app.preDispatchKey(message), c.taken);
        EXPECT_EQ(f.app.activeIndex(), c.activeAfter);
        EXPECT_EQ(f.app.tabs().size(), c.tabsAfter);
    }
}

// Sends a key to the window the way the message loop hands it over.
bool pressKey(BrowserApp& app, HWND target, int key, UINT message = WM_KEYDOWN) {
    return app.preDispatchKey(MSG{target, message, static_cast<WPARAM>(key), 0, 0, {}});
}

void pumpMessages() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) break;
        DispatchMessageW(&m);
    }
}

TEST(MainWindow, KeyboardWalksTheFrameFromThePageAndBack) {
    WindowFixture f;
    ShowWindow(f.app.window(), SW_SHOW);
    f.addTabs(4);
    f.app.selectTab(1);
    HWND window = f.app.window();
    WindowState& state = f.inside.window();

    // F6 inside the page reaches the frame through the engine's key event.
    EXPECT_TRUE(f.app.takePageKey(0, VK_F6, {}, false));
    pumpMessages();
    EXPECT_EQ(state.focus, (FrameFocus{FocusZone::TabStrip, 1, 2}));
    EXPECT_EQ(GetFocus(), window);
    EXPECT_TRUE(pressKey(f.app, window, VK_RIGHT));
    EXPECT_TRUE(pressKey(f.app, window, VK_RETURN));
    EXPECT_EQ(f.app.activeIndex(), 2);
    // Selecting keeps the keyboard on the strip, where Delete closes the focused tab.
    EXPECT_EQ(GetFocus(), window);
    EXPECT_TRUE(pressKey(f.app, window, VK_END));
    EXPECT_TRUE(pressKey(f.app, window, VK_DELETE));
    EXPECT_EQ(f.app.tabs().size(), 3u);
    EXPECT_EQ(state.focus.tab, 2);
    EXPECT_TRUE(pressKey(f.app, window, VK_F6));
    EXPECT_EQ(state.focus.zone, FocusZone::Toolbar);
    EXPECT_TRUE(pressKey(f.app, window, VK_TAB));
    EXPECT_EQ(state.focus.zone, FocusZone::AddressField);
    EXPECT_EQ(GetFocus(), state.addressField);
    // Typing stays the field's; Escape there returns to the page as it always did.
    EXPECT_FALSE(pressKey(f.app, state.addressField, VK_LEFT));
    EXPECT_TRUE(pressKey(f.app, state.addressField, VK_F6, WM_KEYDOWN));
    EXPECT_EQ(state.focus.zone, FocusZone::Page);

    // Tab past the page's last element enters the strip at the selected tab, Shift+Tab
    // before its first enters the address field; a page behind another hands on nothing.
    f.app.pageFocusLeaving(*f.app.tabs()[2], false);
    EXPECT_EQ(state.focus.zone, FocusZone::AddressField);
    f.app.pageFocusLeaving(*f.app.tabs()[0], true);
    EXPECT_EQ(state.focus.zone, FocusZone::AddressField);
    f.app.pageFocusLeaving(*f.app.tabs()[2], true);
    EXPECT_EQ(state.focus, (FrameFocus{FocusZone::TabStrip, 2, state.focus.toolbarItem}));
    EXPECT_EQ(GetFocus(), window);

    // Alt pressed and released alone opens the menu (closed again by the queued Escape);
    // Alt with another key is a shortcut and opens nothing.
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(pressKey(f.app, window, VK_MENU, WM_SYSKEYDOWN));
    EXPECT_TRUE(pressKey(f.app, window, VK_MENU, WM_SYSKEYUP));
    EXPECT_FALSE(state.menuOpen);
    EXPECT_FALSE(pressKey(f.app, window, VK_MENU, WM_SYSKEYDOWN));
    pressKey(f.app, window, 'X', WM_SYSKEYDOWN);
    EXPECT_FALSE(pressKey(f.app, window, VK_MENU, WM_SYSKEYUP));
    pumpMessages();
}

TEST(MainWindow, HighContrastAndTextSizeFollowTheSystemAtOnce) {
    WindowFixture f;
    WindowState& state = f.inside.window();
    EXPECT_EQ(state.palette, normalPalette());
    const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HIGHLIGHT};
    const COLORREF before[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_HIGHLIGHT)};
    const COLORREF dark[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255)};
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const auto setFlags = [key](const wchar_t* flags) {
        RegSetValueExW(key, L"Flags", 0, REG_SZ, reinterpret_cast<const BYTE*>(flags),
                       static_cast<DWORD>((wcslen(flags) + 1) * sizeof(wchar_t)));
    };
    setFlags(L"127");
    SetSysColors(3, elements, dark);
    SendMessageW(f.app.window(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(state.palette.toolbar, (Color{0, 0, 0}));
    EXPECT_EQ(state.palette.glyph, (Color{255, 255, 255}));
    EXPECT_EQ(state.palette.activeTab, (Color{26, 235, 255}));
    setFlags(L"126");
    SetSysColors(3, elements, before);
    SendMessageW(f.app.window(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(state.palette, normalPalette());
    RegCloseKey(key);

    // "Make text bigger" at 150 %: the font and the bands grow by half.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    const NONCLIENTMETRICSW saved = metrics;
    metrics.lfMessageFont.lfHeight = -18;
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    SendMessageW(f.app.window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(saved), const_cast<NONCLIENTMETRICSW*>(&saved), 0);
    EXPECT_DOUBLE_EQ(state.textScale, 1.5);
    LOGFONTW font{};
    GetObjectW(state.uiFont.get(), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -20);
    RECT field{};
    GetWindowRect(state.addressField, &field);
    MapWindowPoints(nullptr, f.app.window(), reinterpret_cast<POINT*>(&field), 2);
    EXPECT_EQ(field.top, 83);
    SendMessageW(f.app.window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    EXPECT_DOUBLE_EQ(state.textScale, 1.0);
}

TEST(MainWindow, ErrorGuardReportsOnTheStatusLine) {
    WindowFixture f;
    f.app.runGuarded([] { throw std::runtime_error("ZOOM_FAILED 0x80070057"); });
    EXPECT_EQ(f.app.statusText(), L"Veprimi nuk p\u00EBrfundoi: ZOOM_FAILED 0x80070057");
    EXPECT_GT(f.inside.statusExpiresAt(), 0);
    // An error interrupts a screen reader; an ordinary status waits its turn.
    EXPECT_TRUE(f.app.frameSnapshot().status.urgent);
    f.app.setStatus(L"Gati", 0);
    EXPECT_FALSE(f.app.frameSnapshot().status.urgent);
    f.app.runGuarded([] { throw 42; });
    EXPECT_EQ(f.app.statusText(), L"Veprimi nuk p\u00EBrfundoi.");
}

// Keeps the data folder's preferences.json as it was before the test, and starts the
// test without one.
struct SavedPreferences {
    const std::filesystem::path path = dataDirectory() / kPreferencesFileName;
    const std::optional<std::string> previous = read();

    SavedPreferences() { clear(); }
    ~SavedPreferences() {
        clear();
        if (previous) writeText(path, *previous);
    }
    std::optional<std::string> read() const {
        return std::filesystem::is_regular_file(path) ? std::optional(readText(path)) : std::nullopt;
    }
    void clear() const {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        std::filesystem::remove_all(path.wstring() + L".tmp", ignored);
    }
};

constexpr char kWarnOn[] = "{\n  \"warnOnClose\": true\n}\n";
constexpr char kWarnOff[] = "{\n  \"warnOnClose\": false\n}\n";

bool warnOnCloseAtStart() {
    BrowserApp app(GetModuleHandleW(nullptr));
    BrowserAppTestAccess(app).loadPreferences();
    return app.warnOnClose();
}

TEST(Preferences, TheMenuSwitchWritesWhatTheNextStartReadsOrSaysItCouldNot) {
    const SavedPreferences saved;
    writeText(saved.path, R"({"theme": "dark", "warnOnClose": false})" + std::string(9000, ' '));
    EXPECT_TRUE(warnOnCloseAtStart());  // a file over 8 KiB is not read
    writeText(saved.path, R"({"theme": "dark", "warnOnClose": true})");
    WindowFixture f(false);  // the switch works before the engine is ready
    f.inside.loadPreferences();
    f.inside.closeWarningSuppressed() = true;

    f.app.executeCommand(commands::ToggleCloseWarning);
    EXPECT_FALSE(f.inside.closeWarningSuppressed());
    EXPECT_EQ(saved.read(), std::string(kWarnOff));
    EXPECT_EQ(f.app.statusText(), L"Paralajm\u00EBrimi i mbylljes u \u00E7aktivizua.");
    EXPECT_FALSE(warnOnCloseAtStart());
    f.app.executeCommand(commands::ToggleCloseWarning);
    EXPECT_EQ(saved.read(), std::string(kWarnOn));
    EXPECT_TRUE(warnOnCloseAtStart());

    // A folder where the temporary file has to go: the write fails, the old file stays,
    // and the value holds for this run.
    std::filesystem::create_directories(saved.path.wstring() + L".tmp");
    f.inside.warnOnClose() = false;
    f.inside.savePreferences();
    EXPECT_FALSE(f.app.warnOnClose());
    EXPECT_EQ(f.app.statusText(), L"Preferenca nuk u ruajt; vlen vet\u00EBm p\u00EBr k\u00EBt\u00EB hapje.");
    EXPECT_EQ(saved.read(), std::string(kWarnOn));
}

// Each dialog costs about two seconds under Wine without a window manager (its window
// waits for a withdrawal that never comes), so there are two.
TEST(CloseWarning, TheAnswerAndTheCheckBoxDecideAndTheWindowAsksOnce) {
    const SavedPreferences saved;
    {
        WindowFixture f;
        f.addTabs(2, true);
        f.app.selectTab(1);
        const DialogAnswerer answer(1002, true);  // "Jo", warning off
        f.app.closeTab(1);
        EXPECT_EQ(DialogAnswerer::shown(), 1);
        EXPECT_EQ(f.app.tabs().size(), 2u);
        EXPECT_FALSE(f.app.warnOnClose());
        EXPECT_EQ(saved.read(), std::string(kWarnOff));
        f.app.closeTab(0);  // no more questions
        EXPECT_EQ(DialogAnswerer::shown(), 1);
        EXPECT_EQ(f.app.tabs().size(), 1u);
    }
    WindowFixture f;
    f.addTabs(3, true);
    const DialogAnswerer answer(1001, false);  // "Po"
    SendMessageW(f.app.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(DialogAnswerer::shown(), 1);
    EXPECT_EQ(f.app.window(), nullptr);
}

// A white bitmap selected into a memory device context.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    int width, height;

    Canvas(int w, int h) : width(w), height(h) {
        const HDC screen = GetDC(nullptr);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    bool dark(int x, int y) const {
        const COLORREF p = GetPixel(dc, x, y);
        return GetRValue(p) < 160 && GetGValue(p) < 160 && GetBValue(p) < 160;
    }
    // The rightmost column with dark ink, or -1.
    int inkRight() const {
        for (int x = width - 1; x >= 0; --x) {
            for (int y = 0; y < height; ++y) {
                if (dark(x, y)) return x;
            }
        }
        return -1;
    }
};

TEST(FramePainting, PageTitlesKeepTheirAmpersandsAndTheInformationGlyphItsDot) {
    const GdiplusSession graphics;
    const FontOwner font(createUiFont(GetDesktopWindow(), 2.0));
    const auto inkWidth = [&](const char* text) {
        Canvas canvas(300, 60);
        drawPaintOps(canvas.dc, nullptr, font.get(), {TextOp{Rect{0, 0, 300, 60}, text, Color{}, TextLayout::Left}});
        return canvas.inkRight();
    };
    // Taken as a mnemonic prefix the ampersand would vanish: "&W" as wide as "W".
    ASSERT_GT(inkWidth("W"), 5);
    EXPECT_GT(inkWidth("&W"), inkWidth("W") + 5);

    Canvas canvas(100, 100);
    drawGlyph(canvas.dc, Point{50, 50}, 4.0, GlyphKind::Information, Color{});
    EXPECT_TRUE(canvas.dark(50, 50 - 16));   // the dot, 4 units above the centre
    EXPECT_FALSE(canvas.dark(50, 50 - 10));  // the gap between dot and stem
    EXPECT_TRUE(canvas.dark(50, 50 + 8));    // the stem
    EXPECT_TRUE(canvas.dark(50, 50 + 28));   // the circle, 7 units below
}

}  // namespace
}  // namespace vesko
