#pragma once
// The main window's own state: its handles, its scale and font, and what the pointer does
// on the frame. The application object owns it and hands it to the window's message
// handlers and the painter.

#include <windows.h>

#include <cstdint>

#include "base/scoped_handles_win.h"
#include "ui/frame_focus.h"
#include "ui/frame_palette.h"
#include "ui/hit_testing.h"

namespace vesko {

// Private messages of the main window: a command id in wParam (the download's second
// step, WM_APP + 3, belongs to the engine side).
inline constexpr UINT WM_APP_COMMAND = WM_APP + 2;
// The hung-page question for the tab whose id is in wParam, asked outside the engine's event.
inline constexpr UINT WM_APP_HANG = WM_APP + 4;
// The engine's browser process is gone: the restart begins outside the engine's event.
inline constexpr UINT WM_APP_RESTART = WM_APP + 5;
// F6 or F10 pressed inside the page: virtual key in wParam, Shift held in lParam.
inline constexpr UINT WM_APP_FRAME_KEY = WM_APP + 9;
// Assistive technology asked for what a click does (or for the address text): see FrameRequest.
inline constexpr UINT WM_APP_FRAME_ACTION = WM_APP + 6;
// The frame changed: one message however many changes came before it is handled.
inline constexpr UINT WM_APP_FRAME_CHANGED = WM_APP + 7;

// Timers of the main window: the status line's second, the probe's time-out, the 16 ms
// animation tick, the second that looks whether hung pages answer again, and the longest
// wait for a lost browser process to be reported gone.
inline constexpr UINT_PTR kStatusTimer = 1;
inline constexpr UINT_PTR kProbeTimer = 2;
inline constexpr UINT_PTR kAnimationTimer = 3;
inline constexpr UINT_PTR kHangTimer = 4;
inline constexpr UINT_PTR kRestartTimer = 5;

// The main window's class; a second start finds the first browser by it.
inline constexpr wchar_t kMainWindowClassName[] = L"VESKOS_BROWSER_KIOSK_TEST_V1";

struct WindowState {
    HWND window = nullptr;
    HWND addressField = nullptr;
    HINSTANCE instance = nullptr;
    FontOwner uiFont;
    // The monitor's scale and the user's text size; the frame is laid out at their product.
    double dpiScale = 1.0;
    double textScale = 1.0;
    HoverState hover;
    std::int32_t pressedToolbarButton = -1;
    std::uint64_t pressedUntil = 0;
    float newTabHoverLevel = 0.0f;
    bool addressFocused = false;
    bool animationsEnabled = true;
    std::int32_t firstVisibleTab = 0;
    // The colours in force and the address field's background brush in them.
    FramePalette palette = normalPalette();
    BrushOwner addressFieldBrush;
    // Where the keyboard is on the frame, and whether the three-dots menu is open.
    FrameFocus focus;
    bool menuOpen = false;

    double frameScale() const { return dpiScale * textScale; }
};

}  // namespace vesko
