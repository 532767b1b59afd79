#pragma once

#include "ui/frame_geometry.h"

namespace vesko {

// Height of the tab-strip band and the bottom of the toolbar band, where the page
// starts; the status band at the bottom.
int tabStripBottom(double dpiScale);
int toolbarBottom(double dpiScale);
int statusBandHeight(double dpiScale);

// Where the address edit control sits inside the toolbar (never narrower than 120
// units, however narrow the window).
Rect addressFieldRect(int clientWidth, double dpiScale);

// The page view of a tab: between the toolbar and the status band, never of negative
// height.
Rect viewBounds(int clientWidth, int clientHeight, double dpiScale);

// Smallest window the user can drag it to.
Size minimumTrackSize(double dpiScale);

// Width of the invisible resize edge of a window that is not maximised.
int resizeBorder(double dpiScale);

// Windows places a maximised window that has a resize frame beyond its monitor's work
// area by the frame's thickness on every side. A window that draws its own frame and
// takes the whole window rectangle as client area would lose that band off screen, so
// the maximised client area is the proposed window rectangle less the frame thickness.
Rect maximizedClientArea(Rect window, int frameX, int frameY);

}  // namespace vesko
