#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/frame_paint.h"

namespace vesko {

class BrowserApp;

// What the frame looks like right now, gathered from the application object and the
// window for the portable painter.
FrameSnapshot frameSnapshot(const BrowserApp& app);

// WM_PAINT of the main window: the frame is drawn into an off-screen bitmap as large as
// the update area needs, then copied to the window in one blit, so it never flickers.
void paintMainWindow(BrowserApp& app);

// Draws the operations in order onto `dc` (anti-aliased where the operation says so).
// `instance` holds icon resource 1; `font` is the UI font.
void drawPaintOps(HDC dc, HINSTANCE instance, HFONT font, const std::vector<PaintOp>& ops);

// The UI font at the window's scale: "Segoe UI Variable Text" where that family is
// installed, else "Segoe UI". The caller owns the font.
HFONT createUiFont(HWND window, double dpiScale);

// Drawing primitives of the frame, in device pixels.
void fillRoundedRect(HDC dc, const Rect& rect, Color color, float diameter, std::uint8_t alpha);
void drawGlyph(HDC dc, Point centre, double scale, GlyphKind kind, Color color);
void drawSpinner(HDC dc, Point centre, double scale, const SpinnerArc& arc);
void drawAppIcon(HDC dc, HINSTANCE instance, int left, int top, int size);

}  // namespace vesko
