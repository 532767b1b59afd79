#pragma once
// Helpers of the window tests: the real main window without an engine and with tabs put
// into the list directly, keys held for the thread, the preferences file kept as it was,
// and answers to the task dialogs from inside their modal loops.

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/files.h"
#include "app/preferences.h"
#include "ui/browser_app.h"

namespace vesko::uitest {

inline const std::wstring kPortal = L"https://portal.kordis.example/";

// A browser application with its real main window (hidden), no engine.
class WindowFixture {
public:
    explicit WindowFixture(bool engineReady = true) {
        app.startGraphics();
        created = app.createWindow();
        app.engineReady = engineReady;
        app.layoutChildren();
    }
    ~WindowFixture() {
        if (app.window != nullptr) DestroyWindow(app.window);
        // The window's end posts WM_QUIT; left in the queue it would end the next modal loop
        // (a dialog) at once.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    std::shared_ptr<BrowserApp::Tab> addTab(const std::wstring& url, bool dirty = false) {
        auto tab = std::make_shared<BrowserApp::Tab>();
        tab->id = static_cast<std::uint32_t>(app.nextTabId++);
        tab->url = url;
        tab->title = L"Skeda " + std::to_wstring(tab->id);
        tab->loading = false;
        tab->dirty = dirty;
        app.tabs.push_back(tab);
        return tab;
    }
    void addTabs(int count) {
        for (int i = 0; i < count; ++i) addTab(kPortal + L"skeda/" + std::to_wstring(i));
    }

    std::wstring windowTitle() const {
        wchar_t text[512] = {};
        GetWindowTextW(app.window, text, 512);
        return text;
    }

    BrowserApp app{GetModuleHandleW(nullptr)};
    bool created = false;
};

// Keys held down for the thread while the object lives, as GetKeyState sees them.
class KeyboardState {
public:
    explicit KeyboardState(const std::vector<int>& keys) {
        GetKeyboardState(previous_);
        BYTE state[256] = {};
        for (const int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    ~KeyboardState() { SetKeyboardState(previous_); }
    KeyboardState(const KeyboardState&) = delete;
    KeyboardState& operator=(const KeyboardState&) = delete;

private:
    BYTE previous_[256] = {};
};

// Keeps the data folder's preferences.json as it was before the test, and starts the test
// without one.
class SavedPreferences {
public:
    SavedPreferences() : path_(dataDirectory() / kPreferencesFileName) {
        if (std::filesystem::is_regular_file(path_)) {
            std::ifstream in(path_, std::ios::binary);
            previous_ = std::string(std::istreambuf_iterator<char>(in), {});
        }
        clear();
    }
    ~SavedPreferences() {
        clear();
        if (previous_) std::ofstream(path_, std::ios::binary) << *previous_;
    }
    SavedPreferences(const SavedPreferences&) = delete;
    SavedPreferences& operator=(const SavedPreferences&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void write(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::optional<std::string> read() const {
        if (!std::filesystem::is_regular_file(path_)) return std::nullopt;
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void clear() const {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::remove_all(path_.wstring() + L".tmp", ignored);
    }

private:
    std::filesystem::path path_;
    std::optional<std::string> previous_;
};

// Answers every task dialog titled "Vesko Browser" that this thread shows while the
// object lives: ticks the check box if asked, then presses the button (IDCANCEL for
// Escape). A thread timer does it from inside the dialog's own message loop.
class DialogAnswerer {
public:
    DialogAnswerer(int button, bool tickCheckBox) {
        button_ = button;
        tick_ = tickCheckBox;
        shown_ = 0;
        timer_ = SetTimer(nullptr, 0, 30, &DialogAnswerer::onTimer);
    }
    ~DialogAnswerer() { KillTimer(nullptr, timer_); }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    static int shown() { return shown_; }

private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = FindWindowW(L"#32770", L"Vesko Browser");
        if (dialog == nullptr || !IsWindowVisible(dialog)) return;
        ++shown_;
        if (tick_) SendMessageW(dialog, TDM_CLICK_VERIFICATION, TRUE, FALSE);
        SendMessageW(dialog, TDM_CLICK_BUTTON, static_cast<WPARAM>(button_), 0);
    }

    UINT_PTR timer_ = 0;
    static inline int button_ = 0;
    static inline bool tick_ = false;
    static inline int shown_ = 0;
};

}  // namespace vesko::uitest
