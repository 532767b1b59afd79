// The close-warning preference through the real data folder under Wine: read at start,
// written by the menu switch and by the close warning's check box, a failed save on the
// status line; and the close warning itself, answered from inside its dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>

#include "ui/commands.h"
#include "ui_test_support_win.h"

namespace vesko {
namespace {

using uitest::DialogAnswerer;
using uitest::kPortal;
using uitest::SavedPreferences;
using uitest::WindowFixture;

constexpr char kWarnOn[] = "{\n  \"warnOnClose\": true\n}\n";
constexpr char kWarnOff[] = "{\n  \"warnOnClose\": false\n}\n";
constexpr wchar_t kNotSaved[] = L"Preferenca nuk u ruajt; vlen vet\u00EBm p\u00EBr k\u00EBt\u00EB hapje.";

TEST(Preferences, ReadFromTheDataFolderAtStart) {
    const SavedPreferences saved;
    struct Case {
        const char* name;
        std::string content;  // empty: no file
        bool warnOnClose;
    };
    const Case cases[] = {
        {"no file", "", true},
        {"off", kWarnOff, false},
        {"on", kWarnOn, true},
        {"other members beside it", R"({"theme": "dark", "warnOnClose": false, "zoom": 2})", false},
        {"the number 0", R"({"warnOnClose": 0})", true},
        {"the string false", R"({"warnOnClose": "false"})", true},
        {"an empty object", "{}", true},
        {"an array", "[false]", true},
        {"not JSON", "warnOnClose=false", true},
        {"a comment", "{/* off */ \"warnOnClose\": false}", true},
        {"9000 bytes", R"({"warnOnClose": false})" + std::string(9000, ' '), true},
        {"8192 bytes", R"({"warnOnClose": false})" + std::string(8192 - 22, ' '), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        saved.clear();
        if (!c.content.empty()) saved.write(c.content);
        BrowserApp app(GetModuleHandleW(nullptr));
        app.warnOnClose = !c.warnOnClose;
        app.loadPreferences();
        EXPECT_EQ(app.warnOnClose, c.warnOnClose);
    }
    // An empty file is no document either.
    saved.write("");
    BrowserApp app(GetModuleHandleW(nullptr));
    app.warnOnClose = false;
    app.loadPreferences();
    EXPECT_TRUE(app.warnOnClose);
}

TEST(Preferences, TheMenuSwitchWritesTheFileAndRearmsTheWarning) {
    const SavedPreferences saved;
    saved.write(R"({"theme": "dark", "warnOnClose": true})");
    WindowFixture f(false);  // the switch works before the engine is ready
    f.app.loadPreferences();
    f.app.closeWarningSuppressed = true;

    f.app.executeCommand(commands::ToggleCloseWarning);
    EXPECT_FALSE(f.app.warnOnClose);
    EXPECT_FALSE(f.app.closeWarningSuppressed);
    EXPECT_EQ(saved.read(), std::string(kWarnOff));
    EXPECT_EQ(saved.read()->size(), 27u);
    EXPECT_EQ(f.app.statusText, L"Paralajm\u00EBrimi i mbylljes u \u00E7aktivizua.");

    f.app.executeCommand(commands::ToggleCloseWarning);
    EXPECT_TRUE(f.app.warnOnClose);
    EXPECT_EQ(saved.read(), std::string(kWarnOn));
    EXPECT_EQ(saved.read()->size(), 26u);
    EXPECT_EQ(f.app.statusText, L"Paralajm\u00EBrimi i mbylljes u aktivizua.");

    // What was written is what the next start reads.
    BrowserApp next(GetModuleHandleW(nullptr));
    next.warnOnClose = false;
    next.loadPreferences();
    EXPECT_TRUE(next.warnOnClose);
}

TEST(Preferences, AFailedSaveKeepsTheValueForThisRunAndSaysSo) {
    const SavedPreferences saved;
    saved.write(kWarnOn);
    // A folder where the temporary file has to go: the write fails, the old file stays.
    std::filesystem::create_directories(saved.path().wstring() + L".tmp");
    BrowserApp app(GetModuleHandleW(nullptr));
    app.warnOnClose = false;
    app.savePreferences();
    EXPECT_FALSE(app.warnOnClose);
    EXPECT_EQ(app.statusText, kNotSaved);
    EXPECT_GT(app.statusExpiresAt, 0);
    EXPECT_EQ(saved.read(), std::string(kWarnOn));
}

// Each dialog costs about two seconds under Wine without a window manager (its window
// waits for a withdrawal that never comes), so the cases are few and each one counts.
TEST(CloseWarning, AnswersDecideAndTheCheckBoxIsSaved) {
    const SavedPreferences saved;
    struct Case {
        const char* name;
        int button;
        bool tick;
        bool closes;
        bool warnOnClose;
        bool suppressed;
        const char* file;  // nullptr: not written
    };
    static constexpr Case kCases[] = {
        {"Po closes and silences the warning for this run", 1001, false, true, true, true, nullptr},
        {"Escape keeps the tab", IDCANCEL, false, false, true, false, nullptr},
        {"Jo with the box ticked keeps the tab, warning off", 1002, true, false, false, false, kWarnOff},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        saved.clear();
        WindowFixture f;
        f.addTab(kPortal + L"a", true);
        f.addTab(kPortal + L"b", true);
        f.addTab(kPortal + L"c");
        f.app.selectTab(1);
        const DialogAnswerer answer(c.button, c.tick);
        f.app.closeTab(1);
        EXPECT_EQ(DialogAnswerer::shown(), 1);
        EXPECT_EQ(f.app.tabs.size(), c.closes ? 2u : 3u);
        EXPECT_EQ(f.app.warnOnClose, c.warnOnClose);
        EXPECT_EQ(f.app.closeWarningSuppressed, c.suppressed);
        if (c.file != nullptr) {
            EXPECT_EQ(saved.read(), std::string(c.file));
        } else {
            EXPECT_FALSE(saved.read().has_value());
        }
        // After "Po", or with the warning off, the other dirty tab closes without a question;
        // otherwise it asks again.
        f.app.closeTab(0);
        EXPECT_EQ(DialogAnswerer::shown(), c.closes || !c.warnOnClose ? 1 : 2);
    }
}

TEST(CloseWarning, ClosingTheWindowAsksOnceForAllItsTabs) {
    const SavedPreferences saved;
    WindowFixture f;
    for (int i = 0; i < 3; ++i) f.addTab(kPortal + std::to_wstring(i), true);
    const DialogAnswerer answer(1001, false);
    SendMessageW(f.app.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(DialogAnswerer::shown(), 1);
    EXPECT_EQ(f.app.window, nullptr);
}

}  // namespace
}  // namespace vesko
