#pragma once

#include <windows.h>

#include "ui/hit_testing.h"
#include "ui/window_state_win.h"

namespace vesko {

class BrowserApp;

// The main window's message handlers: the frame's geometry, hit-testing and hover come
// from the portable core; `state` is the window's own, `app` does what the user asked.
LRESULT handleMainWindowMessage(BrowserApp& app, WindowState& state, UINT message, WPARAM wParam, LPARAM lParam);

// Carries out what a click on a part of the frame does (the mouse, the keyboard and
// assistive technology all end here).
void performFrameClick(BrowserApp& app, WindowState& state, const FrameClick& click);

}  // namespace vesko
