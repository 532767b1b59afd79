#pragma once

#include "ui/frame_colors.h"

namespace vesko {

// Every colour the frame paints with. The normal palette is the frame's own look; in a
// high-contrast theme the palette is built from the user's system colours instead, so the
// frame reads the way every other window on that desktop does.
struct FramePalette {
    Color windowBackground;
    Color tabStrip;
    Color activeTab;
    Color hoveredTab;
    Color tabCloseHover;
    Color tabTitle;
    Color activeTabTitle;
    Color tabCloseGlyph;
    Color activeTabCloseGlyph;  // on the active or hovered tab's fill
    Color scrollMark;
    Color newTabShadow;
    Color newTabHover;
    Color glyph;
    Color glyphHovered;  // a toolbar glyph on its hover or pressed fill
    Color glyphDisabled;
    Color toolbar;
    Color buttonShadow;
    Color buttonHover;
    Color buttonPressed;
    Color addressBox;
    Color addressFocusRing;
    Color infoHover;
    Color progress;
    Color spinnerTrack;
    Color spinnerArc;
    Color captionHover;
    Color closeHover;
    Color captionGlyph;
    Color captionGlyphHovered;
    Color closeGlyphHovered;
    Color statusBand;
    Color statusText;
    Color zoomText;
    Color addressFieldBackground;
    Color addressFieldText;
    // The keyboard focus mark around a tab or a toolbar button; at least 3:1 against the
    // bands it is drawn on.
    Color focusMark;

    friend constexpr bool operator==(const FramePalette&, const FramePalette&) = default;
};

// The system colours a high-contrast theme sets (GetSysColor's window, window text,
// highlight, highlight text, button face, button text and grey text).
struct SystemColors {
    Color window;
    Color windowText;
    Color highlight;
    Color highlightText;
    Color buttonFace;
    Color buttonText;
    Color grayText;
};

FramePalette normalPalette();

// Bands in the button face with button text; the active tab, hover and pressed fills in
// the highlight with highlight text on them; disabled glyphs in grey text; the address
// box in the window colours; no shadows.
FramePalette highContrastPalette(const SystemColors& system);

// WCAG's contrast ratio of two colours, from 1 to 21.
double contrastRatio(Color a, Color b);

}  // namespace vesko
