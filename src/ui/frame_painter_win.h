#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/frame_paint.h"
#include "ui/window_state_win.h"

namespace vesko {

// WM_PAINT of the main window: `frame` is drawn into an off-screen bitmap as large as the
// update area needs, then copied to the window in one blit, so it never flickers.
void paintMainWindow(const WindowState& window, const FrameSnapshot& frame);

// Draws the operations in order onto `dc` (anti-aliased where the operation says so).
// `instance` holds icon resource 1; `font` is the UI font.
void drawPaintOps(HDC dc, HINSTANCE instance, HFONT font, const std::vector<PaintOp>& ops);

// The UI font at the window's scale: "Segoe UI Variable Text" where that family is
// installed, else "Segoe UI". The caller owns the font.
HFONT createUiFont(HWND window, double dpiScale);

// Drawing primitives of the frame, in device pixels.
void fillRoundedRect(HDC dc, const Rect& rect, Color color, float diameter, std::uint8_t alpha);
void drawGlyph(HDC dc, Point centre, double scale, GlyphKind kind, Color color);
void drawSpinner(HDC dc, Point centre, double scale, const SpinnerArc& arc, Color trackColor, Color arcColor);
void drawAppIcon(HDC dc, HINSTANCE instance, int left, int top, int size);

}  // namespace vesko
