#pragma once

#include <windows.h>

namespace vesko {

class BrowserApp;

inline constexpr int kAddressFieldId = 211;
inline constexpr int kAddressFieldLimit = 8192;

// The single-line address field of the toolbar, a child of `parent`, hidden until
// the engine is ready. Enter opens the typed address in the active tab; Escape puts the
// tab's address back and returns to the page.
HWND createAddressField(BrowserApp& app, HWND parent, HINSTANCE instance);

}  // namespace vesko
