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

TEST(MainWindow, ErrorGuardReportsOnTheStatusLine) {
    WindowFixture f;
    f.app.runGuarded([] { throw std::runtime_error("ZOOM_FAILED 0x80070057"); });
    EXPECT_EQ(f.app.statusText(), L"Veprimi nuk p\u00EBrfundoi: ZOOM_FAILED 0x80070057");
    EXPECT_GT(f.inside.statusExpiresAt(), 0);
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
