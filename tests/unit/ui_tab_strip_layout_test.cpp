#include "ui/tab_strip_layout.h"

#include <gtest/gtest.h>

#include "ui/dpi_scale.h"

namespace vesko {
namespace {

struct Case {
    unsigned dpi;
    int width;
    int tabs;
    int first;
    // Expected:
    int clampedFirst;
    int shown;
    Rect firstTab;
    Rect lastClose;
    Rect scrollRight;  // empty when no tab is hidden on the right
    Rect newTab;
};

static constexpr Case kCases[] = {
    // 96 dpi, 1000 wide: 748 available, room for eight tabs. One tab takes the widest
    // size, eight share the room at 93 each, a ninth is scrolled out behind the mark.
    {96, 1000, 1, 0, 0, 1, {45, 5, 280, 42}, {252, 12, 276, 36}, {}, {286, 10, 314, 38}},
    {96, 1000, 8, 0, 0, 8, {45, 5, 135, 42}, {758, 12, 782, 36}, {}, {792, 10, 820, 38}},
    {96, 1000, 9, 0, 0, 8, {45, 5, 135, 42}, {758, 12, 782, 36}, {791, 10, 809, 38}, {815, 10, 843, 38}},
    // An offset past the last full strip is pulled back; no tabs, and the new-tab button
    // follows the icon.
    {96, 1000, 9, 5, 1, 8, {45, 5, 135, 42}, {758, 12, 782, 36}, {}, {792, 10, 820, 38}},
    {96, 760, 0, 3, 0, 0, {}, {}, {}, {48, 10, 76, 38}},
    // 120 dpi.
    {120, 1250, 1, 0, 0, 1, {56, 6, 350, 53}, {315, 15, 345, 45}, {}, {358, 13, 393, 48}},
    {120, 1250, 9, 0, 0, 8, {56, 6, 168, 53}, {945, 15, 975, 45}, {987, 13, 1009, 48}, {1017, 13, 1052, 48}},
    {120, 950, 20, 15, 15, 5, {56, 6, 179, 53}, {652, 15, 682, 45}, {}, {695, 13, 730, 48}},
    // 144 dpi; a negative offset counts as 0.
    {144, 1500, 1, 0, 0, 1, {68, 8, 420, 63}, {378, 18, 414, 54}, {}, {430, 15, 472, 57}},
    {144, 1500, 12, 2, 2, 8, {68, 8, 203, 63}, {1141, 18, 1177, 54}, {1191, 15, 1218, 57}, {1227, 15, 1269, 57}},
    {144, 1140, 3, -4, 0, 3, {68, 8, 317, 63}, {783, 18, 819, 54}, {}, {835, 15, 877, 57}},
};

TEST(TabStripLayout, Layouts) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.tabs << " tabs from " << c.first << ", " << c.width << " wide at "
                                        << c.dpi << " dpi");
        const TabStripLayout layout = layoutTabStrip(c.width, c.tabs, c.first, dpiScaleForDpi(c.dpi));
        EXPECT_EQ(layout.firstVisibleTab, c.clampedFirst);
        ASSERT_EQ(static_cast<int>(layout.shown.size()), c.shown);
        if (c.shown > 0) {
            EXPECT_EQ(layout.shown.front().index, c.clampedFirst);
            EXPECT_EQ(layout.shown.front().tab, c.firstTab);
            EXPECT_EQ(layout.shown.back().index, c.clampedFirst + c.shown - 1);
            EXPECT_EQ(layout.shown.back().close, c.lastClose);
        }
        EXPECT_EQ(layout.more, !c.scrollRight.isEmpty());
        EXPECT_EQ(layout.scrollRight, c.scrollRight);
        EXPECT_EQ(layout.newTab, c.newTab);
    }
    EXPECT_EQ(layoutTabStrip(1000, 30, 12, 1.5).scrollLeft, (Rect{48, 11, 69, 53}));
}

TEST(TabStripLayout, ScrollTabIntoView) {
    struct Scroll {
        int index, tabs, first, expected;
    };
    // 96 dpi, 1000 wide: eight tabs fit.
    const Scroll cases[] = {
        {3, 20, 0, 0},    // already shown
        {15, 20, 0, 8},   // right of the strip: becomes the last shown tab
        {19, 20, 4, 12},
        {2, 20, 10, 2},   // left of the strip: becomes the first shown tab
        {9, 10, 50, 2},   // a stale offset is clamped before the tab is brought in
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tab " << c.index << " of " << c.tabs << " from " << c.first);
        EXPECT_EQ(scrollTabIntoView(c.index, 1000, c.tabs, c.first, 1.0), c.expected);
    }
}

}  // namespace
}  // namespace vesko
