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
          s_(frame.dpiScale),
          width_(frame.clientWidth),
          height_(frame.clientHeight),
          active_(frame.activeTab >= 0 && static_cast<std::size_t>(frame.activeTab) < frame.tabs.size()
                      ? &frame.tabs[static_cast<std::size_t>(frame.activeTab)]
                      : nullptr) {}

    std::vector<PaintOp> paint() {
        fill({0, 0, width_, height_}, kColorWindowBackground);
        fill({0, 0, width_, px(metrics::kTabStripBottom)}, kColorTabStrip);
        ops_.emplace_back(IconOp{{px(9), px(9)}, px(26)});
        if (f_.engineReady) {
            const TabStripLayout strip = layoutTabStrip(width_, static_cast<int>(f_.tabs.size()), f_.firstVisibleTab, s_);
            paintTabs(strip);
            paintScrollMarks(strip);
            paintNewTabButton(strip.newTab);
            fill({0, px(metrics::kTabStripBottom), width_, px(metrics::kToolbarBottom)}, kColorToolbar);
            paintToolbarButtons();
            paintAddressBox();
            paintInformationButton();
            paintProgressLine();
            paintMenuButton();
        }
        paintCaptionButtons();
        paintStatusLine();
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

            rounded(R, active ? kColorActiveTab : hovered ? kColorHoveredTab : kColorTabStrip, px(16));
            // The active tab joins the toolbar below it with square lower corners.
            if (active) fill({R.left, R.bottom - px(8), R.right, R.bottom}, kColorActiveTab);
            if (hovered && f_.hover.tabCloseHovered) rounded(entry.close, kColorTabCloseHover, px(24), 110);

            const Point mark{R.left + px(16), px(24)};
            if (tab.busy()) {
                ops_.emplace_back(SpinnerOp{mark, s_, spinnerArc(f_.animationsEnabled, f_.tickMs)});
            } else {
                ops_.emplace_back(IconOp{{mark.x - px(8), mark.y - px(8)}, px(16)});
            }

            std::string title = tab.dirty ? std::string(kDirtyMark) + tab.title : tab.title;
            text({R.left + px(30), R.top, R.right - px(28), R.bottom}, std::move(title), kColorTabTitle,
                 TextLayout::Left);
            glyph(centreOf(entry.close), s_ * 0.85, GlyphKind::Close, kColorTabCloseGlyph);
        }
    }

    void paintScrollMarks(const TabStripLayout& strip) {
        if (strip.firstVisibleTab > 0) {
            text(strip.scrollLeft, std::string(kScrollLeftMark), kColorScrollMark, TextLayout::Centered);
        }
        if (strip.more) {
            text(strip.scrollRight, std::string(kScrollRightMark), kColorScrollMark, TextLayout::Centered);
        }
    }

    void paintNewTabButton(const Rect& N) {
        const float v = std::clamp(f_.newTabHoverLevel, 0.0f, 1.0f);
        if (v > 0.001f) {
            const Rect shadow{N.left, N.top + px(1), N.right, N.bottom + px(1)};
            rounded(shadow, kColorNewTabShadow, px(28), static_cast<std::uint8_t>(v * 10));
            rounded(N, kColorNewTabHover, px(28), static_cast<std::uint8_t>(v * 115));
        }
        glyph(centreOf(N), s_, GlyphKind::Plus, kColorGlyph);
    }

    void paintToolbarButtons() {
        for (int i = 0; i < kToolbarButtonCount; ++i) {
            const int o = metrics::kToolbarButtonStep * i + metrics::kToolbarButtonsLeft;
            const bool pressed = i == f_.pressedToolbarButton;
            if (pressed || i == f_.hover.hoveredToolbarItem) {
                const int right = o + metrics::kToolbarButtonWidth;
                const int top = px(metrics::kToolbarButtonTop);
                const int bottom = px(metrics::kToolbarButtonBottom);
                rounded({px(o), top + px(1), px(right), bottom + px(1)}, kColorButtonShadow, px(32), 10);
                rounded({px(o), top, px(right), bottom}, pressed ? kColorButtonPressed : kColorButtonHover,
                        px(32));
            }
            auto kind = static_cast<GlyphKind>(i);
            if (i == kToolbarReloadOrStop && active_ != nullptr && active_->loading) kind = GlyphKind::Stop;
            Color color = kColorGlyph;
            if (i == kToolbarBack && (active_ == nullptr || !active_->canGoBack)) color = kColorGlyphDisabled;
            if (i == kToolbarForward && (active_ == nullptr || !active_->canGoForward)) color = kColorGlyphDisabled;
            glyph({px(o + metrics::kToolbarButtonWidth / 2), px(64)}, s_, kind, color);
        }
    }

    void paintAddressBox() {
        const int right = std::max(px(300), width_ - px(50));
        rounded({px(165), px(47), right, px(82)}, f_.addressFocused ? kColorAddressFocusRing : kColorAddressBox,
                px(19));
        // The inner fill leaves a ring of two units in the focus colour.
        if (f_.addressFocused) {
            rounded({px(167), px(49), std::max(px(298), width_ - px(52)), px(80)}, kColorAddressBox, px(17));
        }
    }

    void paintInformationButton() {
        if (f_.hover.hoveredToolbarItem == kToolbarPageInfo) {
            rounded({px(metrics::kPageInfoLeft), px(50), px(metrics::kPageInfoRight), px(79)}, kColorInfoHover, px(26));
        }
        glyph({px(183), px(64)}, s_ * 0.8, GlyphKind::Information, kColorGlyph);
    }

    void paintProgressLine() {
        if (active_ == nullptr || !active_->busy()) return;
        rounded({px(166), px(84), std::max(px(300), width_ - px(50)), px(86)}, kColorProgress, px(2),
                progressLineAlpha(f_.animationsEnabled, f_.tickMs));
    }

    void paintMenuButton() {
        if (f_.hover.hoveredToolbarItem == kToolbarMenu) {
            rounded({width_ - px(metrics::kMenuButtonWidth), px(metrics::kToolbarButtonTop), width_ - px(3), px(metrics::kToolbarButtonBottom)}, kColorButtonHover, px(32));
        }
        glyph({width_ - px(21), px(64)}, s_, GlyphKind::Menu, kColorGlyph);
    }

    void paintCaptionButtons() {
        const int X = width_ - px(metrics::kCaptionStripWidth);
        constexpr int W = metrics::kCaptionButtonWidth;
        for (int j = 0; j < kCaptionButtonCount; ++j) {
            const bool hovered = j == f_.hover.hoveredCaptionButton;
            if (hovered) {
                rounded({X + px(W * j) + px(2), px(3), X + px(W * j + W) - px(2), px(38)},
                        j == kCaptionClose ? kColorCloseHover : kColorCaptionHover, px(10));
            }
            GlyphKind kind = GlyphKind::Close;
            if (j == kCaptionMinimize) kind = GlyphKind::Minimise;
            if (j == kCaptionMaximize) kind = f_.maximized ? GlyphKind::Restore : GlyphKind::Maximise;
            const Color color = hovered && j == kCaptionClose ? kColorCloseGlyphHovered : kColorCaptionGlyph;
            glyph({X + px(W * j) + px(W / 2), px(21)}, s_, kind, color);
        }
    }

    void paintStatusLine() {
        fill({0, height_ - px(metrics::kStatusBandHeight), width_, height_}, kColorStatusBand);
        const bool activeBusy = active_ != nullptr && active_->busy();
        const std::string_view status = statusLineText(f_.status, f_.nowMs, f_.engineReady, activeBusy);
        if (!status.empty()) {
            text({px(12), height_ - px(26), width_ - px(250), height_}, std::string(status), kColorStatusText, TextLayout::Left);
        }
        const double zoom = active_ != nullptr ? active_->zoom : 1.0;
        text({width_ - px(245), height_ - px(26), width_ - px(12), height_}, zoomIndicatorText(zoom), kColorZoomText,
             TextLayout::Right);
    }

    const FrameSnapshot& f_;
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
