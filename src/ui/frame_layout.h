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

}  // namespace vesko
