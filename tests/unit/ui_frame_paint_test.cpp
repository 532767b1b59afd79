#include "ui/frame_paint.h"

#include <string>

#include <gtest/gtest.h>

#include "ui/dpi_scale.h"

namespace vesko {
namespace {

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
    for (const PaintOp& op : ops) {
        if (const Op* o = std::get_if<Op>(&op)) found.push_back(*o);
    }
    return found;
}

// The one operation of a kind that sits on `where` (a glyph centre or a rectangle).
template <class Op, class Where>
Op only(const std::vector<PaintOp>& ops, const Where& where) {
    std::vector<Op> found;
    for (const Op& op : opsOf<Op>(ops)) {
        if constexpr (std::is_same_v<Op, GlyphOp>) {
            if (op.centre == where) found.push_back(op);
        } else {
            if (op.rect == where) found.push_back(op);
        }
    }
    EXPECT_EQ(found.size(), 1u) << "at " << where;
    return found.empty() ? Op{} : found.front();
}

template <class Op>
int countOn(const std::vector<PaintOp>& ops, const Rect& rect) {
    int n = 0;
    for (const Op& op : opsOf<Op>(ops)) n += op.rect == rect ? 1 : 0;
    return n;
}

struct PositionCase {
    unsigned dpi;
    Point captionGlyphs[3];
    int toolbarGlyphX[4];
    int glyphY;
    int menuGlyphX;
    Rect addressBox;
    Rect statusBand;
    Rect statusText;
    Rect zoomText;
};

static constexpr PositionCase kPositionCases[] = {
    {96, {{1165, 21}, {1211, 21}, {1257, 21}}, {25, 64, 103, 142}, 64, 1259,
     {165, 47, 1230, 82}, {0, 823, 1280, 850}, {12, 824, 1030, 850}, {1035, 824, 1268, 850}},
    {120, {{1136, 26}, {1194, 26}, {1251, 26}}, {31, 80, 129, 178}, 80, 1254,
     {206, 59, 1217, 103}, {0, 816, 1280, 850}, {15, 817, 967, 850}, {974, 817, 1265, 850}},
    {144, {{1108, 32}, {1177, 32}, {1246, 32}}, {38, 96, 155, 213}, 96, 1248,
     {248, 71, 1205, 123}, {0, 809, 1280, 850}, {18, 811, 905, 850}, {912, 811, 1262, 850}},
};

// No tabs yet: back and forward grey, no progress line, "Gati" and 100 %.
TEST(FramePaint, FrameWithoutTabsAtEachDpi) {
    for (const auto& c : kPositionCases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi");
        const auto ops = paintFrame(readyFrame(c.dpi));
        const GlyphKind captionKinds[] = {GlyphKind::Minimise, GlyphKind::Maximise, GlyphKind::Close};
        for (int j = 0; j < 3; ++j) EXPECT_EQ(only<GlyphOp>(ops, c.captionGlyphs[j]).kind, captionKinds[j]);
        for (int i = 0; i < 4; ++i) {
            const GlyphOp glyph = only<GlyphOp>(ops, Point{c.toolbarGlyphX[i], c.glyphY});
            EXPECT_EQ(glyph.kind, static_cast<GlyphKind>(i));
            EXPECT_EQ(glyph.scale, c.dpi / 96.0);
            EXPECT_EQ(glyph.color, i < 2 ? kColorGlyphDisabled : kColorGlyph);
        }
        EXPECT_EQ(only<GlyphOp>(ops, Point{c.menuGlyphX, c.glyphY}).kind, GlyphKind::Menu);
        EXPECT_EQ(only<RoundedFillOp>(ops, c.addressBox).color, kColorAddressBox);
        EXPECT_EQ(only<FillOp>(ops, c.statusBand).color, kColorStatusBand);
        EXPECT_EQ(only<TextOp>(ops, c.statusText).text, "Gati");
        const TextOp zoom = only<TextOp>(ops, c.zoomText);
        EXPECT_EQ(zoom.text, "Zoom 100%");
        EXPECT_EQ(zoom.layout, TextLayout::Right);
        EXPECT_TRUE(opsOf<SpinnerOp>(ops).empty());
        EXPECT_EQ(opsOf<RoundedFillOp>(ops).size(), 1u);  // the address box only
    }
    // At 144 dpi the strip band is 65 high and the toolbar ends at 132.
    const auto ops = paintFrame(readyFrame(144));
    EXPECT_EQ(only<FillOp>(ops, Rect{0, 0, 1280, 65}).color, kColorTabStrip);
    EXPECT_EQ(only<FillOp>(ops, Rect{0, 65, 1280, 132}).color, kColorToolbar);
}

TEST(FramePaint, BeforeTheEngineIsReady) {
    FrameSnapshot frame = readyFrame(96, {"KORDIS"});
    frame.engineReady = false;
    frame.activeTab = 0;
    const auto ops = paintFrame(frame);
    // Background, strip band with the icon, caption buttons, status band and zoom only.
    EXPECT_EQ(opsOf<FillOp>(ops).size(), 3u);
    EXPECT_EQ(opsOf<IconOp>(ops).size(), 1u);
    EXPECT_EQ(opsOf<GlyphOp>(ops).size(), 3u);
    EXPECT_EQ(opsOf<RoundedFillOp>(ops).size(), 0u);
    ASSERT_EQ(opsOf<TextOp>(ops).size(), 1u);
    frame.status = {"WEBVIEW_LOADER_CHANGED", 0};
    EXPECT_EQ(opsOf<TextOp>(paintFrame(frame))[0].text, "WEBVIEW_LOADER_CHANGED");
}

TEST(FramePaint, Tabs) {
    FrameSnapshot frame = readyFrame(96, {"Faqja kryesore", "Lista", "Formulari"});
    frame.tabs[2].dirty = true;
    frame.tabs[2].zoom = 1.25;
    frame.activeTab = 2;
    frame.hover.hoveredTab = 1;
    frame.hover.tabCloseHovered = true;
    const auto ops = paintFrame(frame);

    // 1280 wide: three tabs of 238 from x = 45.
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{45, 5, 280, 42}).color, kColorTabStrip);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{283, 5, 518, 42}).color, kColorHoveredTab);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{521, 5, 756, 42}).color, kColorActiveTab);
    // The active tab's lower corners are squared off, so it joins the toolbar.
    EXPECT_EQ(countOn<FillOp>(ops, {521, 34, 756, 42}), 1);
    EXPECT_EQ(countOn<FillOp>(ops, {283, 34, 518, 42}), 0);
    const RoundedFillOp closeDisc = only<RoundedFillOp>(ops, Rect{490, 12, 514, 36});
    EXPECT_EQ(closeDisc.alpha, 110);
    EXPECT_EQ(closeDisc.diameter, 24.0f);

    EXPECT_EQ(only<TextOp>(ops, Rect{551, 5, 728, 42}).text, "• Formulari");
    EXPECT_EQ(only<TextOp>(ops, Rect{75, 5, 252, 42}).text, "Faqja kryesore");
    const GlyphOp close = only<GlyphOp>(ops, Point{264, 24});
    EXPECT_EQ(close.kind, GlyphKind::Close);
    EXPECT_DOUBLE_EQ(close.scale, 0.85);
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
    EXPECT_EQ(only<GlyphOp>(ops, Point{103, 64}).kind, GlyphKind::Reload);
    EXPECT_EQ(only<RoundedFillOp>(ops, progress).alpha, 104);  // (sin(1000 / 480) + 1) × 30 + 48
    EXPECT_EQ(only<TextOp>(ops, Rect{12, 824, 1030, 850}).text, "Po ngarkohet…");

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
    auto ops = paintFrame(frame);
    // The close button turns red with a white cross.
    EXPECT_EQ(only<GlyphOp>(ops, Point{1246, 32}).color, kColorCloseGlyphHovered);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{1214, 5, 1277, 57}).color, kColorCloseHover);

    frame.hover.hoveredCaptionButton = 0;
    frame.maximized = true;
    frame.hover.hoveredToolbarItem = 1;
    frame.pressedToolbarButton = 3;
    frame.addressFocused = true;
    ops = paintFrame(frame);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{1076, 5, 1139, 57}).color, kColorCaptionHover);
    EXPECT_EQ(only<GlyphOp>(ops, Point{1246, 32}).color, kColorCaptionGlyph);
    EXPECT_EQ(only<GlyphOp>(ops, Point{1177, 32}).kind, GlyphKind::Restore);
    // Toolbar button i spans px(39i + 7) .. px(39i + 43) by px(48) .. px(81), over a
    // faint shadow one unit lower.
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{69, 72, 123, 122}).color, kColorButtonHover);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{69, 74, 123, 124}).alpha, 10);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{186, 72, 240, 122}).color, kColorButtonPressed);
    EXPECT_EQ(countOn<RoundedFillOp>(ops, {11, 72, 65, 122}), 0);
    // The focused address box is a blue ring of two units around the usual fill.
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{248, 71, 1205, 123}).color, kColorAddressFocusRing);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{251, 74, 1202, 120}).color, kColorAddressBox);
}

TEST(FramePaint, ScrollMarksAndNewTabGlow) {
    FrameSnapshot frame = readyFrame(96);
    frame.clientWidth = 1000;
    for (int i = 0; i < 12; ++i) frame.tabs.push_back(PaintTab{"T" + std::to_string(i)});
    const Rect left{32, 7, 46, 35};
    const Rect right{791, 10, 809, 38};
    struct Case {
        int first;
        int left, right;
    };
    for (const Case c : {Case{0, 0, 1}, Case{2, 1, 1}, Case{9, 1, 0}}) {
        SCOPED_TRACE(c.first);
        frame.firstVisibleTab = c.first;
        const auto ops = paintFrame(frame);
        EXPECT_EQ(countOn<TextOp>(ops, left), c.left);
        EXPECT_EQ(countOn<TextOp>(ops, right), c.right);
    }
    frame.firstVisibleTab = 2;
    EXPECT_EQ(only<TextOp>(paintFrame(frame), left).text, "‹");
    EXPECT_EQ(only<TextOp>(paintFrame(frame), right).text, "›");

    // Half-way hover glow on the new-tab button (48, 10, 76, 38) of an empty strip.
    FrameSnapshot empty = readyFrame(96);
    empty.newTabHoverLevel = 0.5f;
    const auto ops = paintFrame(empty);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{48, 11, 76, 39}).alpha, 5);
    EXPECT_EQ(only<RoundedFillOp>(ops, Rect{48, 10, 76, 38}).alpha, 57);
    EXPECT_EQ(only<GlyphOp>(ops, Point{62, 24}).kind, GlyphKind::Plus);
}

TEST(Glyphs, SpinnerPulseAndCorners) {
    for (std::uint64_t t = 0; t < 20'000; t += 7) {
        const SpinnerArc arc = spinnerArc(true, t);
        ASSERT_TRUE(arc.startDegrees >= 0.0 && arc.startDegrees < 360.0) << t;
        ASSERT_TRUE(arc.sweepDegrees >= 60.0 && arc.sweepDegrees <= 260.0) << t;
        ASSERT_TRUE(progressLineAlpha(true, t) >= 48 && progressLineAlpha(true, t) <= 108) << t;
    }
    // Forward is Back mirrored.
    const Glyph& back = glyphFor(GlyphKind::Back);
    const Glyph& forward = glyphFor(GlyphKind::Forward);
    ASSERT_EQ(back.lines.size(), forward.lines.size());
    for (std::size_t i = 0; i < back.lines.size(); ++i) EXPECT_EQ(forward.lines[i].x2, -back.lines[i].x2);

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
