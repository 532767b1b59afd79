#include "ui/tab_strip_layout.h"

#include <algorithm>

#include "ui/dpi_scale.h"
#include "ui/frame_metrics.h"

namespace vesko {

TabStripLayout layoutTabStrip(int clientWidth, int tabCount, int firstVisibleTab, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    const int count = std::max(tabCount, 0);

    const int available = std::max(S(metrics::kTabStripMinWidth), clientWidth - S(metrics::kTabStripReservedWidth));
    const int fit = available / std::max(S(metrics::kTabMinWidth), 1);
    const int maxFirst = count - std::max(fit, 1);

    TabStripLayout layout;
    layout.firstVisibleTab = std::clamp(firstVisibleTab, 0, std::max(maxFirst, 0));
    const int shown = std::min(std::max(fit, 1), count - layout.firstVisibleTab);
    const int width = shown > 0 ? std::min(available / shown, S(metrics::kTabMaxWidth)) : S(metrics::kTabWidthNoTabs);

    int x = S(metrics::kTabsLeft);
    layout.shown.reserve(static_cast<std::size_t>(std::max(shown, 0)));
    for (int i = 0; i < shown; ++i) {
        const int right = x + width - S(3);
        layout.shown.push_back(TabStripEntry{
            layout.firstVisibleTab + i,
            Rect{x, S(5), right, S(42)},
            Rect{right - S(28), S(12), right - S(4), S(36)},
        });
        x += width;
    }

    layout.more = layout.firstVisibleTab + shown < count;
    if (layout.more) layout.scrollRight = Rect{x + S(2), S(10), x + S(20), S(38)};
    layout.newTab = Rect{x + S(layout.more ? 26 : 3), S(10), x + S(layout.more ? 54 : 31), S(38)};
    layout.scrollLeft = Rect{S(32), S(7), S(46), S(35)};
    return layout;
}

int scrollTabIntoView(int index, int clientWidth, int tabCount, int firstVisibleTab, double dpiScale) {
    if (index < firstVisibleTab) firstVisibleTab = index;
    const TabStripLayout layout = layoutTabStrip(clientWidth, tabCount, firstVisibleTab, dpiScale);
    firstVisibleTab = layout.firstVisibleTab;
    if (!layout.shown.empty()) {
        const int lastShown = layout.shown.back().index;
        if (index > lastShown) firstVisibleTab += index - lastShown;
    }
    return firstVisibleTab;
}

const TabStripEntry* tabEntryAt(const TabStripLayout& layout, Point p) {
    for (const TabStripEntry& entry : layout.shown) {
        if (entry.tab.contains(p)) return &entry;
    }
    return nullptr;
}

}  // namespace vesko
