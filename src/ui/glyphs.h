#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "ui/frame_geometry.h"

namespace vesko {

// The frame's icons, drawn as strokes in glyph units around the glyph's centre (y
// downwards, angles in degrees clockwise from the positive x axis) under a scale
// transform, with round caps and joins; the pen width is in glyph units too.
enum class GlyphKind : int {
    Back = 0,
    Forward = 1,
    Reload = 2,
    Home = 3,
    Stop = 4,
    Minimise = 5,
    Maximise = 6,
    Close = 7,
    Restore = 8,
    Menu = 9,
    Plus = 10,
    Information = 11,
};

struct GlyphLine {
    float x1, y1, x2, y2;
};

// A box in glyph units: an ellipse or arc inside it, or a rectangle outline.
struct GlyphBox {
    float x, y, width, height;
};

struct GlyphArc {
    GlyphBox box;
    float startDegrees;
    float sweepDegrees;
};

struct GlyphDisc {
    float cx, cy, diameter;
};

struct Glyph {
    float penWidth = 0.0f;  // 0 for a glyph drawn only with filled discs
    std::span<const GlyphLine> lines;
    std::span<const GlyphArc> arcs;
    std::span<const GlyphBox> ellipses;    // outlines
    std::span<const GlyphBox> rectangles;  // outlines
    std::span<const GlyphDisc> discs;      // filled in the glyph colour
};

const Glyph& glyphFor(GlyphKind kind);

// The busy spinner of a tab, in glyph units: a pale ring with a turning green arc that
// grows and shrinks between 60 and 260 degrees. Without animation it stands still at 0,
// sweeping 160.
inline constexpr GlyphBox kSpinnerBox{-6.0f, -6.0f, 12.0f, 12.0f};
inline constexpr float kSpinnerPenWidth = 1.7f;

struct SpinnerArc {
    double startDegrees = 0.0;
    double sweepDegrees = 0.0;
};

SpinnerArc spinnerArc(bool animate, std::uint64_t tickMs);

// Opacity of the progress line under the address box: a pulse between 48 and 108 with a
// period of about three seconds, or a steady 75 without animation.
std::uint8_t progressLineAlpha(bool animate, std::uint64_t tickMs);

// The four corner arcs of a rounded rectangle (top left, top right, bottom right, bottom
// left; each a quarter turn starting at 180, 270, 0 and 90 degrees) in pixel
// coordinates. The corner diameter is limited to the rectangle's width and height;
// nothing for an empty rectangle.
std::optional<std::array<GlyphArc, 4>> roundedRectArcs(const Rect& rect, float diameter);

}  // namespace vesko
