// The browser's run: graphics, preferences, the main window and the engine start, then
// the UI thread's message loop with its look at shortcut keys before dispatch.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "ui/gdiplus_win.h"

#include "ui/browser_app.h"
#include "ui/commands.h"
#include "ui/key_modifiers_win.h"
#include "ui/key_table.h"

namespace vesko {
namespace {

// The system's client-area animation setting; animations stay on when it cannot be read.
bool clientAreaAnimationsEnabled() {
    BOOL enabled = TRUE;
    if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &enabled, 0)) return true;
    return enabled != FALSE;
}

}  // namespace

int BrowserApp::run(HINSTANCE moduleInstance, int showCommand) {
    startGraphics();
    loadPreferences();
    animationsEnabled = clientAreaAnimationsEnabled();
    instance = moduleInstance;
    if (!createWindow()) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    if (!engineReady && !engineStarting) {
        // A failed start leaves the window open without tabs, the reason on the status line.
        runGuarded([this] {
            startEngine();
            layoutChildren();
        });
    }
    return runMessageLoop();
}

void BrowserApp::startGraphics() {
    if (gdiplusToken != 0) return;
    const Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        throw std::runtime_error("GRAPHICS_INIT_FAILED");
    }
    gdiplusToken = token;
}

int BrowserApp::runMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (preDispatchKey(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

bool BrowserApp::preDispatchKey(const MSG& message) {
    // Before the engine is ready every key reaches its window as ordinary input.
    if (!engineReady || (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)) return false;
    const auto key = static_cast<std::int32_t>(message.wParam);
    const KeyModifiers modifiers = heldKeyModifiers();
    bool taken = false;
    runGuarded([&] {
        if (const std::optional<int> index = ctrlDigitTabIndex(key, modifiers, static_cast<int>(tabs.size()))) {
            taken = true;
            selectTab(*index);
            return;
        }
        const std::int32_t command = keyToCommand(key, modifiers);
        if (command == commands::None) return;
        taken = true;
        executeCommand(command);
    });
    return taken;
}

}  // namespace vesko
