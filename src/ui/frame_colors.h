#pragma once

#include <cstdint>

namespace vesko {

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend constexpr bool operator==(const Color&, const Color&) = default;
};

// Colours of the window frame. Bands from top to bottom: tab strip, toolbar, page,
// status line.
inline constexpr Color kColorWindowBackground{0xF8, 0xFA, 0xFB};
inline constexpr Color kColorTabStrip{0xE8, 0xED, 0xF5};
inline constexpr Color kColorActiveTab{0xFF, 0xFF, 0xFF};
inline constexpr Color kColorHoveredTab{0xDA, 0xE1, 0xEC};
inline constexpr Color kColorTabCloseHover{0xBB, 0xC7, 0xD8};
inline constexpr Color kColorTabTitle{0x28, 0x2E, 0x35};
inline constexpr Color kColorTabCloseGlyph{0x43, 0x4A, 0x53};
inline constexpr Color kColorScrollMark{0x41, 0x49, 0x50};
inline constexpr Color kColorNewTabShadow{0x24, 0x34, 0x49};
inline constexpr Color kColorNewTabHover{0xB5, 0xC3, 0xD6};
inline constexpr Color kColorGlyph{0x5F, 0x63, 0x68};
inline constexpr Color kColorGlyphDisabled{0xB4, 0xB9, 0xC0};
inline constexpr Color kColorToolbar{0xFF, 0xFF, 0xFF};
inline constexpr Color kColorButtonShadow{0x1E, 0x2B, 0x3C};
inline constexpr Color kColorButtonHover{0xEF, 0xF2, 0xF6};
inline constexpr Color kColorButtonPressed{0xDA, 0xE1, 0xEB};
inline constexpr Color kColorAddressBox{0xED, 0xF2, 0xFA};
inline constexpr Color kColorAddressFocusRing{0x30, 0x6F, 0xCF};
inline constexpr Color kColorInfoHover{0xDC, 0xE4, 0xED};
inline constexpr Color kColorProgress{0x18, 0x77, 0x5E};
inline constexpr Color kColorSpinnerTrack{0xDC, 0xE7, 0xE3};
inline constexpr Color kColorSpinnerArc{0x18, 0x77, 0x5E};
inline constexpr Color kColorCaptionHover{0xD7, 0xDE, 0xE9};
inline constexpr Color kColorCloseHover{0xDB, 0x38, 0x42};
inline constexpr Color kColorCaptionGlyph{0x3C, 0x40, 0x43};
inline constexpr Color kColorCloseGlyphHovered{0xFF, 0xFF, 0xFF};
inline constexpr Color kColorStatusBand{0xEF, 0xF3, 0xF4};
inline constexpr Color kColorStatusText{0x51, 0x69, 0x70};
inline constexpr Color kColorZoomText{0x1A, 0x6F, 0x55};
// The address edit control paints itself in these (WM_CTLCOLOREDIT).
inline constexpr Color kColorAddressFieldBackground{237, 241, 250};
inline constexpr Color kColorAddressFieldText{38, 54, 63};

}  // namespace vesko
