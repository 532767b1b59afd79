#include "ui/glyphs.h"

#include <algorithm>
#include <cmath>

namespace vesko {
namespace {

constexpr GlyphLine kBackLines[] = {{-7, 0, 7, 0}, {-7, 0, -1, -6}, {-7, 0, -1, 6}};
constexpr GlyphLine kForwardLines[] = {{7, 0, -7, 0}, {7, 0, 1, -6}, {7, 0, 1, 6}};
constexpr GlyphArc kReloadArcs[] = {{{-7, -7, 14, 14}, 40, 280}};
constexpr GlyphLine kReloadLines[] = {{6, -8, 6, -2}, {6, -2, 0, -2}};
constexpr GlyphLine kHomeLines[] = {{-8, 0, 0, -7}, {0, -7, 8, 0}, {-5, -2, -5, 7}, {-5, 7, 5, 7}, {5, 7, 5, -2}};
constexpr GlyphLine kCrossLines[] = {{-6, -6, 6, 6}, {6, -6, -6, 6}};
constexpr GlyphLine kMinimiseLines[] = {{-6, 3, 6, 3}};
constexpr GlyphBox kMaximiseRects[] = {{-6, -6, 12, 12}};
constexpr GlyphLine kRestoreLines[] = {{-3, -7, 7, -7}, {7, -7, 7, 3}, {7, 3, 4, 3}, {-3, -7, -3, -4}};
constexpr GlyphBox kRestoreRects[] = {{-7, -3, 10, 10}};
constexpr GlyphDisc kMenuDiscs[] = {{0, -5, 2.4f}, {0, 0, 2.4f}, {0, 5, 2.4f}};
constexpr GlyphLine kPlusLines[] = {{-6, 0, 6, 0}, {0, -6, 0, 6}};
constexpr GlyphBox kInformationCircle[] = {{-7, -7, 14, 14}};
// The dot is a zero-length line that the round caps draw as a disc.
constexpr GlyphLine kInformationLines[] = {{0, -1, 0, 4}, {0, -4, 0, -4}};

constexpr std::span<const GlyphLine> kNoLines;
constexpr std::span<const GlyphArc> kNoArcs;
constexpr std::span<const GlyphBox> kNoBoxes;
constexpr std::span<const GlyphDisc> kNoDiscs;

// Pen width, lines, arcs, ellipses, rectangles, discs; indexed by GlyphKind.
constexpr Glyph kGlyphs[] = {
    {1.8f, kBackLines, kNoArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.8f, kForwardLines, kNoArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.8f, kReloadLines, kReloadArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.8f, kHomeLines, kNoArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.8f, kCrossLines, kNoArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.5f, kMinimiseLines, kNoArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.5f, kNoLines, kNoArcs, kNoBoxes, kMaximiseRects, kNoDiscs},
    {1.6f, kCrossLines, kNoArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.5f, kRestoreLines, kNoArcs, kNoBoxes, kRestoreRects, kNoDiscs},
    {0.0f, kNoLines, kNoArcs, kNoBoxes, kNoBoxes, kMenuDiscs},
    {1.6f, kPlusLines, kNoArcs, kNoBoxes, kNoBoxes, kNoDiscs},
    {1.5f, kInformationLines, kNoArcs, kInformationCircle, kNoBoxes, kNoDiscs},
};

}  // namespace

const Glyph& glyphFor(GlyphKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < std::size(kGlyphs) ? kGlyphs[index] : kGlyphs[static_cast<int>(GlyphKind::Close)];
}

SpinnerArc spinnerArc(bool animate, std::uint64_t tickMs) {
    const double t = animate ? static_cast<double>(tickMs) / 1000.0 : 0.0;
    return SpinnerArc{std::fmod(t * 240.0, 360.0), 160.0 + 100.0 * std::sin(2.5 * t)};
}

std::uint8_t progressLineAlpha(bool animate, std::uint64_t tickMs) {
    if (!animate) return 75;
    const double pulse = (std::sin(static_cast<double>(tickMs) / 480.0) + 1.0) * 30.0 + 48.0;
    return static_cast<std::uint8_t>(std::clamp(pulse, 0.0, 255.0));
}

std::optional<std::array<GlyphArc, 4>> roundedRectArcs(const Rect& rect, float diameter) {
    const auto w = static_cast<float>(rect.width());
    const auto h = static_cast<float>(rect.height());
    if (w <= 0.0f || h <= 0.0f) return std::nullopt;
    const float d = std::min({diameter, w, h});
    const auto left = static_cast<float>(rect.left);
    const auto top = static_cast<float>(rect.top);
    const auto right = static_cast<float>(rect.right);
    const auto bottom = static_cast<float>(rect.bottom);
    return std::array<GlyphArc, 4>{{
        {{left, top, d, d}, 180.0f, 90.0f},
        {{right - d, top, d, d}, 270.0f, 90.0f},
        {{right - d, bottom - d, d, d}, 0.0f, 90.0f},
        {{left, bottom - d, d, d}, 90.0f, 90.0f},
    }};
}

}  // namespace vesko
