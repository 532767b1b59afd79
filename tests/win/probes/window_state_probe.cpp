// Prints the state of the running browser's main window, found by its class, as one line:
// "found=1 iconic=0 zoomed=1 visible=1 foreground=1 width=1608 height=1008 client=0,0,1600,1000
// work=0,0,1600,1000 title=..." (client area and its monitor's work area in screen coordinates).
// "found=0" when there is none.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/wide_text_win.h"
#include "ui/window_state_win.h"

int wmain() {
    HWND window = FindWindowW(vesko::kMainWindowClassName, nullptr);
    if (window == nullptr) {
        std::printf("found=0\n");
        return 0;
    }
    RECT bounds{};
    GetWindowRect(window, &bounds);
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    std::printf("found=1 iconic=%d zoomed=%d visible=%d foreground=%d width=%ld height=%ld client=%ld,%ld,%ld,%ld "
                "work=%ld,%ld,%ld,%ld title=%s\n",
                IsIconic(window) ? 1 : 0, IsZoomed(window) ? 1 : 0, IsWindowVisible(window) ? 1 : 0,
                GetForegroundWindow() == window ? 1 : 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
                client.left, client.top, client.right, client.bottom, work.left, work.top, work.right, work.bottom,
                vesko::toUtf8(title).c_str());
    return 0;
}
