#include "ui/frame_paint.h"

#include <algorithm>
#include <utility>

#include "ui/dpi_scale.h"
#include "ui/frame_metrics.h"
#include "ui/tab_strip_layout.h"
#include "ui/toolbar_layout.h"
#include "ui/zoom_rule.h"

namespace vesko {
namespace {

// "• " in front of the title of a tab with unsaved input.
constexpr std::string_view kDirtyMark = "\xE2\x80\xA2 ";
constexpr std::string_view kScrollLeftMark = "\xE2\x80\xB9";   // ‹
constexpr std::string_view kScrollRightMark = "\xE2\x80\xBA";  // ›

Point centreOf(const Rect& r) {
    return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class FramePainter {
public:
    explicit FramePainter(const FrameSnapshot& frame)
        : f_(frame),
          p_(frame.palette),
          s_(frame.dpiScale),
          width_(frame.clientWidth),
          height_(frame.clientHeight),
          active_(frame.activeTabOrNull()) {}

    std::vector<PaintOp> paint() {
        fill({0, 0, width_, height_}, p_.windowBackground);
        fill({0, 0, width_, px(metrics::kTabStripBottom)}, p_.tabStrip);
        ops_.emplace_back(IconOp{{px(9), px(9)}, px(26)});
        if (f_.engineReady) {
            const TabStripLayout strip = layoutTabStrip(width_, static_cast<int>(f_.tabs.size()), f_.firstVisibleTab, s_);
            paintTabs(strip);
            paintScrollMarks(strip);
            paintNewTabButton(strip.newTab);
            fill({0, px(metrics::kTabStripBottom), width_, px(metrics::kToolbarBottom)}, p_.toolbar);
            paintToolbarButtons();
            paintAddressBox();
            paintInformationButton();
            paintProgressLine();
            paintMenuButton();
        }
        paintCaptionButtons();
        paintStatusLine();
        if (f_.engineReady) paintFocusMark();
        return std::move(ops_);
    }

private:
    int px(double v) const { return scalePx(v, s_); }

    void fill(Rect r, Color c) { ops_.emplace_back(FillOp{r, c}); }
    void rounded(Rect r, Color c, int diameter, std::uint8_t alpha = 255) {
        ops_.emplace_back(RoundedFillOp{r, c, static_cast<float>(diameter), alpha});
    }
    void glyph(Point centre, double scale, GlyphKind kind, Color c) {
        ops_.emplace_back(GlyphOp{centre, scale, kind, c});
    }
    void text(Rect r, std::string t, Color c, TextLayout layout) {
        ops_.emplace_back(TextOp{r, std::move(t), c, layout});
    }

    void paintTabs(const TabStripLayout& strip) {
        for (const TabStripEntry& entry : strip.shown) {
            const PaintTab& tab = f_.tabs[static_cast<std::size_t>(entry.index)];
            const Rect& R = entry.tab;
            const bool active = entry.index == f_.activeTab;
            const bool hovered = entry.index == f_.hover.hoveredTab;

            rounded(R, active ? p_.activeTab : hovered ? p_.hoveredTab : p_.tabStrip, px(16));
            // The active tab joins the toolbar below it with square lower corners.
            if (active) fill({R.left, R.bottom - px(8), R.right, R.bottom}, p_.activeTab);
            if (hovered && f_.hover.tabCloseHovered) rounded(entry.close, p_.tabCloseHover, px(24), 110);
            const bool onFill = active || hovered;

            const Point mark{R.left + px(16), px(24)};
            if (tab.busy()) {
                ops_.emplace_back(SpinnerOp{mark, s_, spinnerArc(f_.animationsEnabled, f_.tickMs), p_.spinnerTrack,
                                        p_.spinnerArc});
            } else {
                ops_.emplace_back(IconOp{{mark.x - px(8), mark.y - px(8)}, px(16)});
            }

            std::string title = tab.dirty ? std::string(kDirtyMark) + tab.title : tab.title;
            text({R.left + px(30), R.top, R.right - px(28), R.bottom}, std::move(title),
                 onFill ? p_.activeTabTitle : p_.tabTitle,
                 TextLayout::Left);
            glyph(centreOf(entry.close), s_ * 0.85, GlyphKind::Close,
                  onFill ? p_.activeTabCloseGlyph : p_.tabCloseGlyph);
        }
    }

    void paintScrollMarks(const TabStripLayout& strip) {
        if (strip.firstVisibleTab > 0) {
            text(strip.scrollLeft, std::string(kScrollLeftMark), p_.scrollMark, TextLayout::Centered);
        }
        if (strip.more) {
            text(strip.scrollRight, std::string(kScrollRightMark), p_.scrollMark, TextLayout::Centered);
        }
    }

    void paintNewTabButton(const Rect& N) {
        const float v = std::clamp(f_.newTabHoverLevel, 0.0f, 1.0f);
        if (v > 0.001f) {
            const Rect shadow{N.left, N.top + px(1), N.right, N.bottom + px(1)};
            rounded(shadow, p_.newTabShadow, px(28), static_cast<std::uint8_t>(v * 10));
            rounded(N, p_.newTabHover, px(28), static_cast<std::uint8_t>(v * 115));
        }
        glyph(centreOf(N), s_, GlyphKind::Plus, f_.hover.newTabHovered ? p_.glyphHovered : p_.glyph);
    }

    void paintToolbarButtons() {
        for (int i = 0; i < kToolbarButtonCount; ++i) {
            const int o = metrics::kToolbarButtonStep * i + metrics::kToolbarButtonsLeft;
            const bool pressed = i == f_.pressedToolbarButton;
            if (pressed || i == f_.hover.hoveredToolbarItem) {
                const int right = o + metrics::kToolbarButtonWidth;
                const int top = px(metrics::kToolbarButtonTop);
                const int bottom = px(metrics::kToolbarButtonBottom);
                rounded({px(o), top + px(1), px(right), bottom + px(1)}, p_.buttonShadow, px(32), 10);
                rounded({px(o), top, px(right), bottom}, pressed ? p_.buttonPressed : p_.buttonHover,
                        px(32));
            }
            auto kind = static_cast<GlyphKind>(i);
            if (i == kToolbarReloadOrStop && active_ != nullptr && active_->loading) kind = GlyphKind::Stop;
            Color color = pressed || i == f_.hover.hoveredToolbarItem ? p_.glyphHovered : p_.glyph;
            if (i == kToolbarBack && (active_ == nullptr || !active_->canGoBack)) color = p_.glyphDisabled;
            if (i == kToolbarForward && (active_ == nullptr || !active_->canGoForward)) color = p_.glyphDisabled;
            glyph({px(o + metrics::kToolbarButtonWidth / 2), px(64)}, s_, kind, color);
        }
    }

    void paintAddressBox() {
        const int right = std::max(px(300), width_ - px(50));
        rounded({px(165), px(47), right, px(82)}, f_.addressFocused ? p_.addressFocusRing : p_.addressBox,
                px(19));
        // The inner fill leaves a ring of two units in the focus colour.
        if (f_.addressFocused) {
            rounded({px(167), px(49), std::max(px(298), width_ - px(52)), px(80)}, p_.addressBox, px(17));
        }
    }

    void paintInformationButton() {
        if (f_.hover.hoveredToolbarItem == kToolbarPageInfo) {
            rounded({px(metrics::kPageInfoLeft), px(50), px(metrics::kPageInfoRight), px(79)}, p_.infoHover, px(26));
        }
        const bool hovered = f_.hover.hoveredToolbarItem == kToolbarPageInfo;
        glyph({px(183), px(64)}, s_ * 0.8, GlyphKind::Information, hovered ? p_.glyphHovered : p_.glyph);
    }

    void paintProgressLine() {
        if (active_ == nullptr || !active_->busy()) return;
        rounded({px(166), px(84), std::max(px(300), width_ - px(50)), px(86)}, p_.progress, px(2),
                progressLineAlpha(f_.animationsEnabled, f_.tickMs));
    }

    void paintMenuButton() {
        if (f_.hover.hoveredToolbarItem == kToolbarMenu) {
            rounded({width_ - px(metrics::kMenuButtonWidth), px(metrics::kToolbarButtonTop), width_ - px(3), px(metrics::kToolbarButtonBottom)}, p_.buttonHover, px(32));
        }
        const bool hovered = f_.hover.hoveredToolbarItem == kToolbarMenu || f_.menuOpen;
        glyph({width_ - px(21), px(64)}, s_, GlyphKind::Menu, hovered ? p_.glyphHovered : p_.glyph);
    }

    void paintCaptionButtons() {
        const int X = width_ - px(metrics::kCaptionStripWidth);
        constexpr int W = metrics::kCaptionButtonWidth;
        for (int j = 0; j < kCaptionButtonCount; ++j) {
            const bool hovered = j == f_.hover.hoveredCaptionButton;
            if (hovered) {
                rounded({X + px(W * j) + px(2), px(3), X + px(W * j + W) - px(2), px(38)},
                        j == kCaptionClose ? p_.closeHover : p_.captionHover, px(10));
            }
            GlyphKind kind = GlyphKind::Close;
            if (j == kCaptionMinimize) kind = GlyphKind::Minimise;
            if (j == kCaptionMaximize) kind = f_.maximized ? GlyphKind::Restore : GlyphKind::Maximise;
            Color color = p_.captionGlyph;
            if (hovered) color = j == kCaptionClose ? p_.closeGlyphHovered : p_.captionGlyphHovered;
            glyph({X + px(W * j) + px(W / 2), px(21)}, s_, kind, color);
        }
    }

    // The keyboard's place on the frame, drawn only while the window itself holds the
    // focus (in the page or the address field the focus shows there).
    void paintFocusMark() {
        if (!f_.windowFocused) return;
        Rect mark;
        if (f_.focus.zone == FocusZone::TabStrip) {
            const TabStripLayout strip = layoutTabStrip(width_, static_cast<int>(f_.tabs.size()), f_.firstVisibleTab, s_);
            for (const TabStripEntry& entry : strip.shown) {
                if (entry.index == f_.focus.tab) mark = entry.tab;
            }
        } else if (f_.focus.zone == FocusZone::Toolbar) {
            mark = toolbarItemRect(f_.focus.toolbarItem, width_, s_);
        }
        if (!mark.isEmpty()) ops_.emplace_back(OutlineOp{mark, p_.focusMark, px(2)});
    }

    void paintStatusLine() {
        fill({0, height_ - px(metrics::kStatusBandHeight), width_, height_}, p_.statusBand);
        const bool activeBusy = active_ != nullptr && active_->busy();
        const std::string_view status = statusLineText(f_.status, f_.nowMs, f_.engineReady, activeBusy);
        if (!status.empty()) {
            text({px(12), height_ - px(26), width_ - px(250), height_}, std::string(status), p_.statusText, TextLayout::Left);
        }
        const double zoom = active_ != nullptr ? active_->zoom : 1.0;
        text({width_ - px(245), height_ - px(26), width_ - px(12), height_}, zoomIndicatorText(zoom), p_.zoomText,
             TextLayout::Right);
    }

    const FrameSnapshot& f_;
    const FramePalette& p_;
    const double s_;
    const int width_;
    const int height_;
    const PaintTab* const active_;
    std::vector<PaintOp> ops_;
};

}  // namespace

std::vector<PaintOp> paintFrame(const FrameSnapshot& frame) {
    return FramePainter(frame).paint();
}

int uiFontHeight(double dpiScale) {
    return scalePx(13, dpiScale);
}

}  // namespace vesko
