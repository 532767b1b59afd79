#pragma once

#include <vector>

#include "ui/frame_geometry.h"

namespace vesko {

// One tab shown in the strip: its index in the tab list, the tab's rectangle and the
// rectangle of its close glyph.
struct TabStripEntry {
    int index = 0;
    Rect tab;
    Rect close;

    friend bool operator==(const TabStripEntry&, const TabStripEntry&) = default;
};

struct TabStripLayout {
    // The scroll offset clamped to the tabs that exist; the window stores it back.
    int firstVisibleTab = 0;
    std::vector<TabStripEntry> shown;
    // Tabs are hidden to the right of the last shown one.
    bool more = false;
    Rect newTab;
    Rect scrollLeft;
    // Empty unless `more`.
    Rect scrollRight;
};

// Places as many tabs as fit beside the application icon and left of the caption
// buttons, each between 90 and 238 units wide, starting at `firstVisibleTab`, followed
// by the scroll-right mark (when tabs are hidden) and the new-tab button. Recomputed on
// every mouse message and paint; a few integer operations per shown tab.
TabStripLayout layoutTabStrip(int clientWidth, int tabCount, int firstVisibleTab, double dpiScale);

// The scroll offset after selecting tab `index`: a tab left of the strip becomes the
// first shown tab, a tab right of it the last shown tab; otherwise the offset stays.
int scrollTabIntoView(int index, int clientWidth, int tabCount, int firstVisibleTab, double dpiScale);

// The first shown tab whose rectangle holds the point, or nullptr.
const TabStripEntry* tabEntryAt(const TabStripLayout& layout, Point p);

}  // namespace vesko
