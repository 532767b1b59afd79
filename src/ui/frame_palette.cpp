#include "ui/frame_palette.h"

#include <algorithm>
#include <cmath>

namespace vesko {
namespace {

double channelLuminance(std::uint8_t value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double relativeLuminance(Color c) {
    return 0.2126 * channelLuminance(c.r) + 0.7152 * channelLuminance(c.g) + 0.0722 * channelLuminance(c.b);
}

}  // namespace

FramePalette normalPalette() {
    FramePalette p;
    p.windowBackground = kColorWindowBackground;
    p.tabStrip = kColorTabStrip;
    p.activeTab = kColorActiveTab;
    p.hoveredTab = kColorHoveredTab;
    p.tabCloseHover = kColorTabCloseHover;
    p.tabTitle = kColorTabTitle;
    p.activeTabTitle = kColorTabTitle;
    p.tabCloseGlyph = kColorTabCloseGlyph;
    p.activeTabCloseGlyph = kColorTabCloseGlyph;
    p.scrollMark = kColorScrollMark;
    p.newTabShadow = kColorNewTabShadow;
    p.newTabHover = kColorNewTabHover;
    p.glyph = kColorGlyph;
    p.glyphHovered = kColorGlyph;
    p.glyphDisabled = kColorGlyphDisabled;
    p.toolbar = kColorToolbar;
    p.buttonShadow = kColorButtonShadow;
    p.buttonHover = kColorButtonHover;
    p.buttonPressed = kColorButtonPressed;
    p.addressBox = kColorAddressBox;
    p.addressFocusRing = kColorAddressFocusRing;
    p.infoHover = kColorInfoHover;
    p.progress = kColorProgress;
    p.spinnerTrack = kColorSpinnerTrack;
    p.spinnerArc = kColorSpinnerArc;
    p.captionHover = kColorCaptionHover;
    p.closeHover = kColorCloseHover;
    p.captionGlyph = kColorCaptionGlyph;
    p.captionGlyphHovered = kColorCaptionGlyph;
    p.closeGlyphHovered = kColorCloseGlyphHovered;
    p.statusBand = kColorStatusBand;
    p.statusText = kColorStatusText;
    p.zoomText = kColorZoomText;
    p.addressFieldBackground = kColorAddressFieldBackground;
    p.addressFieldText = kColorAddressFieldText;
    p.focusMark = kColorAddressFocusRing;
    return p;
}

FramePalette highContrastPalette(const SystemColors& s) {
    FramePalette p;
    p.windowBackground = s.buttonFace;
    p.tabStrip = s.buttonFace;
    p.activeTab = s.highlight;
    p.hoveredTab = s.highlight;
    p.tabCloseHover = s.highlight;
    p.tabTitle = s.buttonText;
    p.activeTabTitle = s.highlightText;
    p.tabCloseGlyph = s.buttonText;
    p.activeTabCloseGlyph = s.highlightText;
    p.scrollMark = s.buttonText;
    p.newTabShadow = s.buttonFace;
    p.newTabHover = s.highlight;
    p.glyph = s.buttonText;
    p.glyphHovered = s.highlightText;
    p.glyphDisabled = s.grayText;
    p.toolbar = s.buttonFace;
    p.buttonShadow = s.buttonFace;
    p.buttonHover = s.highlight;
    p.buttonPressed = s.highlight;
    p.addressBox = s.window;
    p.addressFocusRing = s.highlight;
    p.infoHover = s.highlight;
    p.progress = s.highlight;
    p.spinnerTrack = s.buttonFace;
    p.spinnerArc = s.buttonText;
    p.captionHover = s.highlight;
    p.closeHover = s.highlight;
    p.captionGlyph = s.buttonText;
    p.captionGlyphHovered = s.highlightText;
    p.closeGlyphHovered = s.highlightText;
    p.statusBand = s.buttonFace;
    p.statusText = s.buttonText;
    p.zoomText = s.buttonText;
    p.addressFieldBackground = s.window;
    p.addressFieldText = s.windowText;
    p.focusMark = s.buttonText;
    return p;
}

double contrastRatio(Color a, Color b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace vesko
