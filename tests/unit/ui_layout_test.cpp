// Where the frame's parts go at each scale, and what painting it draws.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "ui/dpi_scale.h"
#include "ui/frame_layout.h"
#include "ui/frame_paint.h"
#include "ui/tab_strip_layout.h"

namespace vesko {
namespace {

TEST(FrameLayout, ScaledPixelsChildWindowsAndMinimumSize) {
    static constexpr struct { unsigned dpi; double units; int pixels; } kCases[] = {
        {96, 43, 43}, {144, 88, 132},
        // Halves round up: 90 × 1.25 = 112.5, 43 × 1.5 = 64.5.
        {120, 90, 113}, {144, 43, 65}, {120, 39, 49},
        // A window Windows cannot measure answers 0 dpi and is drawn at 96.
        {0, 43, 43},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(scalePx(c.units, dpiScaleForDpi(c.dpi)), c.pixels) << c.units << " units at " << c.dpi << " dpi";
    }
    static constexpr struct { unsigned dpi; int width, height; Rect address, view; Size minimum; } kFrames[] = {
        {96, 1280, 850, {198, 55, 1218, 77}, {0, 88, 1280, 823}, {760, 550}},
        // Squeezed below the minimum (while being minimised): the address field keeps 120
        // units and the view never turns upside down.
        {144, 300, 100, {297, 83, 477, 116}, {0, 132, 300, 132}, {1140, 825}},
    };
    for (const auto& c : kFrames) {
        const double s = dpiScaleForDpi(c.dpi);
        EXPECT_EQ(addressFieldRect(c.width, s), c.address) << c.dpi;
        EXPECT_EQ(viewBounds(c.width, c.height, s), c.view) << c.dpi;
        EXPECT_EQ(minimumTrackSize(s), c.minimum) << c.dpi;
    }
}

TEST(FrameLayout, MaximisedClientAreaIsTheWorkArea) {
    // Wine on a 1600×1000 desktop (frame 4), Windows at 96 dpi (frame 4, padded border 4) on
    // a 1920×1080 monitor, and a second monitor to the left at 144 dpi (6 + 6).
    static constexpr struct { Rect window; int frameX, frameY; Rect client; } kCases[] = {
        {{-4, -4, 1604, 1004}, 4, 4, {0, 0, 1600, 1000}},
        {{-8, -8, 1928, 1048}, 8, 8, {0, 0, 1920, 1040}},
        {{-2572, -12, -12, 1428}, 12, 12, {-2560, 0, -24, 1416}},
    };
    for (const auto& c : kCases) EXPECT_EQ(maximizedClientArea(c.window, c.frameX, c.frameY), c.client);
}

TEST(TabStripLayout, LayoutsAndScrollingATabIntoView) {
    // The scroll-right mark is empty when no tab is hidden on the right.
    static constexpr struct {
        unsigned dpi; int width, tabs, first, clampedFirst, shown; Rect firstTab, lastClose, scrollRight, newTab;
    } kCases[] = {
        // 96 dpi, 1000 wide: 748 available, room for eight tabs. One tab takes the widest
        // size, eight share the room at 93 each, a ninth is scrolled out behind the mark.
        {96, 1000, 1, 0, 0, 1, {45, 5, 280, 42}, {252, 12, 276, 36}, {}, {286, 10, 314, 38}},
        {96, 1000, 8, 0, 0, 8, {45, 5, 135, 42}, {758, 12, 782, 36}, {}, {792, 10, 820, 38}},
        {96, 1000, 9, 0, 0, 8, {45, 5, 135, 42}, {758, 12, 782, 36}, {791, 10, 809, 38}, {815, 10, 843, 38}},
        // An offset past the last full strip is pulled back, a negative one counts as 0;
        // without tabs the new-tab button follows the icon.
        {96, 1000, 9, 5, 1, 8, {45, 5, 135, 42}, {758, 12, 782, 36}, {}, {792, 10, 820, 38}},
        {144, 1140, 3, -4, 0, 3, {68, 8, 317, 63}, {783, 18, 819, 54}, {}, {835, 15, 877, 57}},
        {96, 760, 0, 3, 0, 0, {}, {}, {}, {48, 10, 76, 38}},
        {144, 1500, 12, 2, 2, 8, {68, 8, 203, 63}, {1141, 18, 1177, 54}, {1191, 15, 1218, 57}, {1227, 15, 1269, 57}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.tabs << " tabs from " << c.first << ", " << c.width << " wide at "
                                        << c.dpi << " dpi");
        const TabStripLayout layout = layoutTabStrip(c.width, c.tabs, c.first, dpiScaleForDpi(c.dpi));
        EXPECT_EQ(layout.firstVisibleTab, c.clampedFirst);
        ASSERT_EQ(static_cast<int>(layout.shown.size()), c.shown);
        if (c.shown > 0) {
            EXPECT_EQ(layout.shown.front().index, c.clampedFirst);
            EXPECT_EQ(layout.shown.front().tab, c.firstTab);
            EXPECT_EQ(layout.shown.back().close, c.lastClose);
        }
        EXPECT_EQ(layout.more, !c.scrollRight.isEmpty());
        EXPECT_EQ(layout.scrollRight, c.scrollRight);
        EXPECT_EQ(layout.newTab, c.newTab);
    }
    EXPECT_EQ(layoutTabStrip(1000, 30, 12, 1.5).scrollLeft, (Rect{48, 11, 69, 53}));
    static constexpr struct { int index, tabs, first, expected; } kScrolls[] = {
        // 96 dpi, 1000 wide: eight tabs fit.
        {3, 20, 0, 0},    // already shown
        {15, 20, 0, 8},   // right of the strip: becomes the last shown tab
        {2, 20, 10, 2},   // left of the strip: becomes the first shown tab
        {9, 10, 50, 2},   // a stale offset is clamped before the tab is brought in
    };
    for (const auto& c : kScrolls) {
        EXPECT_EQ(scrollTabIntoView(c.index, 1000, c.tabs, c.first, 1.0), c.expected)
            << "tab " << c.index << " of " << c.tabs << " from " << c.first;
    }
}

FrameSnapshot readyFrame(unsigned dpi, std::vector<std::string> titles = {}) {
    FrameSnapshot frame;
    frame.clientWidth = 1280;
    frame.clientHeight = 850;
    frame.dpiScale = dpiScaleForDpi(dpi);
    frame.engineReady = true;
    for (auto& title : titles) frame.tabs.push_back(PaintTab{std::move(title)});
    return frame;
}

template <class Op>
std::vector<Op> opsOf(const std::vector<PaintOp>& ops) {
    std::vector<Op> found;
    for (const PaintOp& op : ops) if (const Op* o = std::get_if<Op>(&op)) found.push_back(*o);
    return found;
}

// Where an operation sits: a glyph's centre, anything else's rectangle.
Point placeOf(const GlyphOp& op) { return op.centre; }
template <class Op>
Rect placeOf(const Op& op) { return op.rect; }

template <class Op, class Where = decltype(placeOf(std::declval<const Op&>()))>
int countOn(const std::vector<PaintOp>& ops, const Where& where) {
    return static_cast<int>(std::ranges::count_if(opsOf<Op>(ops), [&](const Op& op) { return placeOf(op) == where; }));
}

// The one operation of a kind that sits on `where`.
template <class Op, class Where>
Op only(const std::vector<PaintOp>& ops, const Where& where) {
    EXPECT_EQ(countOn<Op>(ops, where), 1) << "at " << where;
    for (const Op& op : opsOf<Op>(ops)) if (placeOf(op) == where) return op;
    return Op{};
}

struct GlyphAt { Point at; GlyphKind kind; Color color; };
struct RoundedAt { Rect at; Color color; int alpha; };

void expectOps(const std::vector<PaintOp>& ops, std::initializer_list<GlyphAt> glyphs,
               std::initializer_list<RoundedAt> rounded = {}) {
    for (const GlyphAt& g : glyphs) {
        const GlyphOp op = only<GlyphOp>(ops, g.at);
        EXPECT_EQ(op.kind, g.kind) << g.at;
        EXPECT_EQ(op.color, g.color) << g.at;
    }
    for (const RoundedAt& r : rounded) {
        const RoundedFillOp op = only<RoundedFillOp>(ops, r.at);
        EXPECT_EQ(op.color, r.color) << r.at;
        EXPECT_EQ(op.alpha, r.alpha) << r.at;
    }
}

// No tabs yet: back and forward grey, the address box the only rounded fill, "Gati" and 100 %.
TEST(FramePaint, FrameWithoutTabsAndBeforeTheEngineIsReady) {
    using enum GlyphKind;
    const auto ops = paintFrame(readyFrame(96));
    expectOps(ops, {{{25, 64}, Back, kColorGlyphDisabled}, {{64, 64}, Forward, kColorGlyphDisabled},
                    {{103, 64}, Reload, kColorGlyph}, {{142, 64}, Home, kColorGlyph}, {{1259, 64}, Menu, kColorGlyph},
                    {{1165, 21}, Minimise, kColorCaptionGlyph}, {{1211, 21}, Maximise, kColorCaptionGlyph},
                    {{1257, 21}, Close, kColorCaptionGlyph}},
              {{{165, 47, 1230, 82}, kColorAddressBox, 255}});
    EXPECT_EQ(opsOf<RoundedFillOp>(ops).size(), 1u);
    EXPECT_TRUE(opsOf<SpinnerOp>(ops).empty());
    EXPECT_EQ(only<TextOp>(ops, Rect{12, 824, 1030, 850}).text, "Gati");
    const TextOp zoom = only<TextOp>(ops, Rect{1035, 824, 1268, 850});
    EXPECT_EQ(zoom.text, "Zoom 100%");
    EXPECT_EQ(zoom.layout, TextLayout::Right);
    // At 144 dpi the strip band is 65 high, the toolbar ends at 132 and glyphs grow.
    const auto scaled = paintFrame(readyFrame(144));
    EXPECT_EQ(only<FillOp>(scaled, Rect{0, 0, 1280, 65}).color, kColorTabStrip);
    EXPECT_EQ(only<FillOp>(scaled, Rect{0, 65, 1280, 132}).color, kColorToolbar);
    EXPECT_EQ(only<GlyphOp>(scaled, Point{1246, 32}).scale, 1.5);
    // Before the engine is ready: background, strip band with the icon, caption buttons,
    // status band and texts only.
    FrameSnapshot frame = readyFrame(96, {"KORDIS"});
    frame.engineReady = false;
    frame.activeTab = 0;
    frame.status = {"WEBVIEW_LOADER_CHANGED", 0};
    const auto early = paintFrame(frame);
    EXPECT_EQ(opsOf<FillOp>(early).size(), 3u);
    EXPECT_EQ(opsOf<IconOp>(early).size(), 1u);
    EXPECT_EQ(opsOf<GlyphOp>(early).size(), 3u);
    EXPECT_EQ(early.size(), 9u);  // and the status and zoom texts
    EXPECT_EQ(only<TextOp>(early, Rect{12, 824, 1030, 850}).text, "WEBVIEW_LOADER_CHANGED");
}

TEST(FramePaint, Tabs) {
    FrameSnapshot frame = readyFrame(96, {"Faqja kryesore", "Lista", "Formulari"});
    frame.tabs[2] = {"Formulari", 0, false, false, true, true, false, 1.25};  // dirty, can go back, zoomed
    frame.activeTab = 2;
    frame.hover.hoveredTab = 1;
    frame.hover.tabCloseHovered = true;
    const auto ops = paintFrame(frame);
    // Three tabs of 238 from x = 45; the close glyph of the hovered one on a disc. The
    // toolbar and the zoom text follow the active tab.
    expectOps(ops, {{{264, 24}, GlyphKind::Close, kColorTabCloseGlyph}, {{25, 64}, GlyphKind::Back, kColorGlyph},
                    {{64, 64}, GlyphKind::Forward, kColorGlyphDisabled}},
              {{{45, 5, 280, 42}, kColorTabStrip, 255}, {{283, 5, 518, 42}, kColorHoveredTab, 255},
               {{521, 5, 756, 42}, kColorActiveTab, 255}, {{490, 12, 514, 36}, kColorTabCloseHover, 110}});
    EXPECT_DOUBLE_EQ(only<GlyphOp>(ops, Point{264, 24}).scale, 0.85);
    // The active tab's lower corners are squared off, so it joins the toolbar.
    EXPECT_EQ(countOn<FillOp>(ops, {521, 34, 756, 42}), 1);
    EXPECT_EQ(countOn<FillOp>(ops, {283, 34, 518, 42}), 0);
    EXPECT_EQ(only<TextOp>(ops, Rect{551, 5, 728, 42}).text, "\xE2\x80\xA2 Formulari");
    EXPECT_EQ(only<TextOp>(ops, Rect{75, 5, 252, 42}).text, "Faqja kryesore");
    // Idle tabs show the icon, 16 units, centred at (left + 16, 24).
    EXPECT_EQ(opsOf<IconOp>(ops).at(1).topLeft, (Point{53, 16}));
    EXPECT_EQ(only<TextOp>(ops, Rect{1035, 824, 1268, 850}).text, "Zoom 125%");
}

TEST(FramePaint, BusyTabs) {
    FrameSnapshot frame = readyFrame(96, {"A", "B"});
    frame.tabs[0].ajaxBusy = true;
    frame.activeTab = 0;
    frame.tickMs = 1000;
    const Rect progress{166, 84, 1230, 86};
    auto ops = paintFrame(frame);
    // Page activity alone: spinner and progress line, but the button keeps Reload.
    ASSERT_EQ(opsOf<SpinnerOp>(ops).size(), 1u);
    EXPECT_EQ(opsOf<SpinnerOp>(ops)[0].centre, (Point{61, 24}));
    EXPECT_DOUBLE_EQ(opsOf<SpinnerOp>(ops)[0].arc.startDegrees, 240.0);
    expectOps(ops, {{{103, 64}, GlyphKind::Reload, kColorGlyph}}, {{progress, kColorProgress, 104}});
    EXPECT_EQ(only<TextOp>(ops, Rect{12, 824, 1030, 850}).text, "Po ngarkohet\xE2\x80\xA6");
    frame.tabs[0].loading = true;
    EXPECT_EQ(only<GlyphOp>(paintFrame(frame), Point{103, 64}).kind, GlyphKind::Stop);
    // Animations off: the spinner stands still and the line keeps alpha 75.
    frame.animationsEnabled = false;
    ops = paintFrame(frame);
    EXPECT_EQ(opsOf<SpinnerOp>(ops)[0].arc.startDegrees, 0.0);
    EXPECT_EQ(opsOf<SpinnerOp>(ops)[0].arc.sweepDegrees, 160.0);
    EXPECT_EQ(only<RoundedFillOp>(ops, progress).alpha, 75);
    // The busy tab in the background: spinner, no progress line.
    frame.activeTab = 1;
    ops = paintFrame(frame);
    EXPECT_EQ(opsOf<SpinnerOp>(ops).size(), 1u);
    EXPECT_EQ(countOn<RoundedFillOp>(ops, progress), 0);
}

TEST(FramePaint, HoveredAndPressedButtons) {
    FrameSnapshot frame = readyFrame(144);
    frame.hover.hoveredCaptionButton = 2;
    // The close button turns red with a white cross.
    expectOps(paintFrame(frame), {{{1246, 32}, GlyphKind::Close, kColorCloseGlyphHovered}},
              {{{1214, 5, 1277, 57}, kColorCloseHover, 255}});
    frame.hover.hoveredCaptionButton = 0;
    frame.maximized = true;
    frame.hover.hoveredToolbarItem = 1;
    frame.pressedToolbarButton = 3;
    frame.addressFocused = true;
    const auto ops = paintFrame(frame);
    // Hovered and pressed toolbar buttons over a faint shadow one unit lower; the focused
    // address box is a ring of two units around the usual fill.
    using enum GlyphKind;
    expectOps(ops, {{{1246, 32}, Close, kColorCaptionGlyph}, {{1177, 32}, Restore, kColorCaptionGlyph}},
              {{{1076, 5, 1139, 57}, kColorCaptionHover, 255}, {{69, 72, 123, 122}, kColorButtonHover, 255},
               {{69, 74, 123, 124}, kColorButtonShadow, 10}, {{186, 72, 240, 122}, kColorButtonPressed, 255},
               {{248, 71, 1205, 123}, kColorAddressFocusRing, 255}, {{251, 74, 1202, 120}, kColorAddressBox, 255}});
    EXPECT_EQ(countOn<RoundedFillOp>(ops, {11, 72, 65, 122}), 0);
}

TEST(FramePaint, ScrollMarksAndNewTabGlow) {
    FrameSnapshot frame = readyFrame(96);
    frame.clientWidth = 1000;
    for (int i = 0; i < 12; ++i) frame.tabs.push_back(PaintTab{"T" + std::to_string(i)});
    static constexpr struct { int first; const char* marks; } kCases[] = {
        // Left and right, '-' for none.
        {0, "-\xE2\x80\xBA"}, {2, "\xE2\x80\xB9\xE2\x80\xBA"}, {9, "\xE2\x80\xB9-"}};
    for (const auto& c : kCases) {
        frame.firstVisibleTab = c.first;
        const auto ops = paintFrame(frame);
        std::string shown;
        for (const Rect& mark : {Rect{32, 7, 46, 35}, Rect{791, 10, 809, 38}}) {
            shown += countOn<TextOp>(ops, mark) ? only<TextOp>(ops, mark).text : "-";
        }
        EXPECT_EQ(shown, c.marks) << c.first;
    }
    // Half-way hover glow on the new-tab button of an empty strip.
    FrameSnapshot empty = readyFrame(96);
    empty.newTabHoverLevel = 0.5f;
    expectOps(paintFrame(empty), {{{62, 24}, GlyphKind::Plus, kColorGlyph}},
              {{{48, 11, 76, 39}, kColorNewTabShadow, 5}, {{48, 10, 76, 38}, kColorNewTabHover, 57}});
}

TEST(Glyphs, RoundedCorners) {
    const auto arcs = roundedRectArcs({10, 20, 110, 50}, 16.0f);
    ASSERT_TRUE(arcs.has_value());
    EXPECT_EQ((*arcs)[2].box.x, 94.0f);  // bottom right corner
    EXPECT_EQ((*arcs)[2].box.y, 34.0f);
    EXPECT_EQ((*arcs)[2].startDegrees, 0.0f);
    // A two-pixel line becomes a capsule; an empty rectangle draws nothing.
    EXPECT_EQ(roundedRectArcs({0, 0, 100, 2}, 32.0f)->at(0).box.width, 2.0f);
    EXPECT_FALSE(roundedRectArcs({10, 10, 10, 20}, 8.0f).has_value());
}

}  // namespace
}  // namespace vesko
