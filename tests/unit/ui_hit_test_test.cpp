#include "ui/hit_test.h"

#include <gtest/gtest.h>

#include "ui/dpi_scale.h"
#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

constexpr bool T = true;
constexpr bool F = false;

// A 1280 × 850 window with three tabs, none scrolled out.
FrameState frameAt(unsigned dpi, bool engineReady, bool maximized = false) {
    return FrameState{1280, 850, dpiScaleForDpi(dpi), 3, 0, engineReady, maximized};
}

struct HitCase {
    unsigned dpi;
    int x, y;
    bool ready, maximized;
    int expected;
};

static constexpr HitCase kHitCases[] = {
    {96, 0, 0, T, F, kHitTopLeft},
    {96, 0, 0, T, T, kHitCaption},      // no resize edges when maximised
    {96, 6, 400, T, F, kHitLeft},
    {96, 7, 400, T, F, kHitClient},     // just past the edge
    {96, 1279, 849, T, F, kHitBottomRight},
    {96, 600, 42, T, F, kHitCaption},   // last row of the strip, below the tabs
    {96, 283, 20, T, F, kHitClient},    // second tab
    {96, 283, 20, F, F, kHitCaption},   // tabs drag the window until the engine is ready
    {96, 281, 20, T, F, kHitCaption},   // the gap between two tabs
    {96, 1141, 20, T, F, kHitCaption},  // empty strip left of the caption buttons
    {120, 8, 400, T, F, kHitLeft},
    {120, 8, 400, T, T, kHitClient},
    {120, 640, 841, T, F, kHitBottom},
    {120, 600, 54, F, F, kHitClient},   // first row below the strip
    {120, 971, 30, T, F, kHitClient},   // new-tab button
    {120, 971, 30, F, F, kHitCaption},
    {120, 1107, 25, F, F, kHitClient},  // caption buttons
    {144, 10, 400, T, F, kHitLeft},
    {144, 11, 400, T, F, kHitClient},
    {144, 1279, 0, T, F, kHitTopRight},
    {144, 1279, 0, T, T, kHitClient},
    {144, 600, 64, T, F, kHitCaption},
    {144, 368, 30, T, F, kHitClient},
    {144, 59, 30, T, F, kHitClient},    // scroll-left button
    {144, 1072, 30, T, F, kHitCaption},
};

TEST(FrameHitTest, Table) {
    for (const auto& c : kHitCases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ") at " << c.dpi << " dpi, ready " << c.ready
                                        << ", maximised " << c.maximized);
        EXPECT_EQ(frameHitTest({c.x, c.y}, frameAt(c.dpi, c.ready, c.maximized)), c.expected);
    }
}

struct HoverCase {
    unsigned dpi;
    int x, y;
    bool ready;
    HoverState expected;  // toolbar item, caption button, new tab, tab, tab close
};

static constexpr HoverCase kHoverCases[] = {
    {96, 7, 48, T, {0, -1, F, -1, F}},       // back, top left pixel
    {96, 162, 64, T, {3, -1, F, -1, F}},     // home, last column
    {96, 163, 64, T, {-1, -1, F, -1, F}},    // between home and the address box
    {96, 169, 80, T, {5, -1, F, -1, F}},     // information icon
    {96, 1243, 64, T, {4, -1, F, -1, F}},    // menu button
    {96, 1242, 64, T, {-1, -1, F, -1, F}},
    {96, 1279, 39, T, {-1, 2, F, -1, F}},    // close, last row and column
    {96, 1279, 40, T, {-1, -1, F, -1, F}},
    {120, 58, 80, T, {1, -1, F, -1, F}},
    {120, 25, 101, T, {-1, -1, F, -1, F}},   // below the toolbar buttons
    {120, 1165, 49, T, {-1, 1, F, -1, F}},   // maximise
    {120, 971, 30, T, {-1, -1, T, -1, F}},   // new-tab button
    {120, 971, 30, F, {-1, -1, F, -1, F}},   // only once the engine is ready
    {120, 911, 15, T, {-1, -1, F, 2, T}},    // close glyph of the third tab
    {120, 910, 15, T, {-1, -1, F, 2, F}},    // beside it
    {144, 244, 96, T, {3, -1, F, -1, F}},
    {144, 254, 120, T, {5, -1, F, -1, F}},
    {144, 1224, 96, T, {4, -1, F, -1, F}},
    {144, 1073, 0, T, {-1, 0, F, -1, F}},
    {144, 68, 36, T, {-1, -1, F, 0, F}},
};

TEST(FrameHover, Table) {
    for (const auto& c : kHoverCases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ") at " << c.dpi << " dpi, ready " << c.ready);
        const HoverState hover = hoverAt({c.x, c.y}, frameAt(c.dpi, c.ready));
        EXPECT_EQ(hover.hoveredToolbarItem, c.expected.hoveredToolbarItem);
        EXPECT_EQ(hover.hoveredCaptionButton, c.expected.hoveredCaptionButton);
        EXPECT_EQ(hover.newTabHovered, c.expected.newTabHovered);
        EXPECT_EQ(hover.hoveredTab, c.expected.hoveredTab);
        EXPECT_EQ(hover.tabCloseHovered, c.expected.tabCloseHovered);
    }
}

// The button width and the strips are rounded separately. At 175 % the last column of
// the Home button divides into a fifth slot, which must not light up the menu button;
// at 105 % the last column of the window divides into a fourth caption slot.
TEST(FrameHover, SlotsStayWithinTheirButtons) {
    EXPECT_EQ(toolbarItemAt({284, 112}, 1280, dpiScaleForDpi(168)), kToolbarHome);
    EXPECT_EQ(clickAt({1279, 10}, frameAt(101, true)).action, FrameAction::Close);
    for (unsigned dpi = 96; dpi <= 480; ++dpi) {
        SCOPED_TRACE(dpi);
        const double s = dpiScaleForDpi(dpi);
        EXPECT_EQ(toolbarItemAt({scalePx(163, s) - 1, scalePx(64, s)}, 2000, s), kToolbarHome);
        EXPECT_EQ(captionButtonAt({1999, 0}, 2000, s), kCaptionClose);
    }
}

struct ClickCase {
    unsigned dpi;
    int x, y;
    bool ready, maximized;
    FrameAction action;
    int index;
};

static constexpr ClickCase kClickCases[] = {
    {96, 1143, 10, F, F, FrameAction::Minimize, -1},  // caption buttons work before the engine
    {96, 1188, 10, F, F, FrameAction::Maximize, -1},
    {96, 0, 60, T, F, FrameAction::ToolbarButton, 0},  // left of the back button
    {96, 162, 60, T, F, FrameAction::ToolbarButton, 3},
    {96, 7, 60, F, F, FrameAction::None, -1},           // toolbar before the engine
    {96, 513, 35, T, F, FrameAction::CloseTab, 1},      // close glyph, last pixel
    {96, 32, 7, T, F, FrameAction::ScrollLeft, -1},
    {120, 1165, 13, T, T, FrameAction::Restore, -1},
    {120, 1279, 49, F, F, FrameAction::Close, -1},
    {120, 500, 75, T, F, FrameAction::None, -1},        // address box
    {120, 211, 75, T, F, FrameAction::PageInfo, -1},
    {120, 354, 25, T, F, FrameAction::SelectTab, 1},
    {120, 354, 25, F, F, FrameAction::None, -1},
    {144, 1224, 131, T, F, FrameAction::ShowMenu, -1},
    {144, 30, 132, T, F, FrameAction::None, -1},        // page area
    {144, 656, 53, T, F, FrameAction::CloseTab, 1},
    {144, 994, 36, T, F, FrameAction::NewTab, -1},
    {144, 1040, 30, T, F, FrameAction::None, -1},       // empty strip
};

TEST(FrameClick, Table) {
    for (const auto& c : kClickCases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ") at " << c.dpi << " dpi, ready " << c.ready
                                        << ", maximised " << c.maximized);
        const FrameClick click = clickAt({c.x, c.y}, frameAt(c.dpi, c.ready, c.maximized));
        EXPECT_EQ(static_cast<int>(click.action), static_cast<int>(c.action));
        EXPECT_EQ(click.index, c.index);
    }
}

TEST(FrameClick, ScrollRightAndMiddleButton) {
    // Twelve tabs at 96 dpi, 1000 wide: eight shown from the fourth on, the mark after them.
    FrameState frame{1000, 700, 1.0, 12, 3, true, false};
    EXPECT_EQ(clickAt({45, 20}, frame), (FrameClick{FrameAction::SelectTab, 3}));
    EXPECT_EQ(clickAt({800, 20}, frame), (FrameClick{FrameAction::ScrollRight, -1}));
    frame.tabCount = 11;  // nothing hidden on the right: the new-tab button moves left
    EXPECT_EQ(clickAt({800, 20}, frame), (FrameClick{FrameAction::NewTab, -1}));

    EXPECT_EQ(middleClickTabAt({368, 30}, frameAt(144, true)), 1);
    EXPECT_EQ(middleClickTabAt({994, 36}, frameAt(144, true)), -1);  // new-tab button
    EXPECT_EQ(middleClickTabAt({368, 65}, frameAt(144, true)), -1);  // toolbar
}

}  // namespace
}  // namespace vesko
