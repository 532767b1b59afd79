#pragma once

// The frame's geometry in design units (pixels at 96 dpi). Layout, hit-testing and
// painting scale each value with scalePx where it is used, so a number that both decides
// what the pointer hits and where something is drawn lives here once.

namespace vesko::metrics {

// Bands, top to bottom.
inline constexpr int kTabStripBottom = 43;    // the tab strip ends and the toolbar begins
inline constexpr int kToolbarBottom = 88;     // the toolbar ends and the page begins
inline constexpr int kStatusBandHeight = 27;  // the band along the bottom edge
inline constexpr int kResizeBorder = 7;       // invisible resize edge of a restored window

// Caption buttons at the right end of the tab strip.
inline constexpr int kCaptionButtonWidth = 46;
inline constexpr int kCaptionStripWidth = 138;  // three caption buttons
inline constexpr int kCaptionButtonBottom = 40;

// Toolbar buttons left of the address box, one every step from the left edge.
inline constexpr int kToolbarButtonsLeft = 7;
inline constexpr int kToolbarButtonStep = 39;
inline constexpr int kToolbarButtonWidth = 36;
inline constexpr int kToolbarButtonsRight = 163;  // a click left of this acts on a button
inline constexpr int kToolbarButtonTop = 48;      // rows the buttons and the menu button span
inline constexpr int kToolbarButtonBottom = 81;
inline constexpr int kMenuButtonWidth = 38;       // measured from the right edge

// The page-information icon at the left end of the address box.
inline constexpr int kPageInfoLeft = 169;
inline constexpr int kPageInfoRight = 197;

// Top-left corner of the address edit control.
inline constexpr int kAddressFieldLeft = 198;
inline constexpr int kAddressFieldTop = 55;

// Tabs.
inline constexpr int kTabsLeft = 45;              // right of the scroll-left arrow
inline constexpr int kTabStripReservedWidth = 252;  // strip width tabs never get
inline constexpr int kTabStripMinWidth = 100;     // width left for tabs in a narrow window
inline constexpr int kTabMinWidth = 90;           // narrower tabs scroll instead
inline constexpr int kTabMaxWidth = 238;
inline constexpr int kTabWidthNoTabs = 150;       // where the new-tab button goes with no tabs

}  // namespace vesko::metrics
