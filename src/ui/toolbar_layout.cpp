#include "ui/toolbar_layout.h"

#include <algorithm>

#include "ui/commands.h"
#include "ui/dpi_scale.h"
#include "ui/frame_metrics.h"

namespace vesko {

// The button width and the caption strip are rounded separately, so at some scales the
// last pixel column of a strip divides into one slot too many (at 175 % the right edge
// of the Home button would otherwise count as the menu button). Indices are therefore
// clamped to the buttons that exist.

namespace {

int toolbarButtonForClick(int x, double dpiScale) {
    const int step = std::max(scalePx(metrics::kToolbarButtonStep, dpiScale), 1);
    return std::clamp((x - scalePx(metrics::kToolbarButtonsLeft, dpiScale)) / step, 0, kToolbarButtonCount - 1);
}

}  // namespace

int toolbarItemForClick(int x, int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    if (x < S(metrics::kToolbarButtonsRight)) return toolbarButtonForClick(x, dpiScale);
    if (x > clientWidth - S(metrics::kMenuButtonWidth)) return kToolbarMenu;
    if (x >= S(metrics::kPageInfoLeft) && x < S(metrics::kPageInfoRight)) return kToolbarPageInfo;
    return kNoItem;
}

int toolbarItemAt(Point p, int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    if (p.y < S(metrics::kToolbarButtonTop) || p.y >= S(metrics::kToolbarButtonBottom)) return kNoItem;
    if (p.x < S(metrics::kToolbarButtonsLeft)) return kNoItem;
    return toolbarItemForClick(p.x, clientWidth, dpiScale);
}

int captionButtonAt(Point p, int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    const int stripLeft = clientWidth - S(metrics::kCaptionStripWidth);
    if (p.y >= S(metrics::kCaptionButtonBottom) || p.x < stripLeft) return kNoItem;
    return std::clamp((p.x - stripLeft) / std::max(S(metrics::kCaptionButtonWidth), 1), 0, kCaptionButtonCount - 1);
}

Rect toolbarItemRect(int item, int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    const int top = S(metrics::kToolbarButtonTop);
    const int bottom = S(metrics::kToolbarButtonBottom);
    if (item >= 0 && item < kToolbarButtonCount) {
        const int left = metrics::kToolbarButtonStep * item + metrics::kToolbarButtonsLeft;
        return Rect{S(left), top, S(left + metrics::kToolbarButtonWidth), bottom};
    }
    if (item == kToolbarMenu) return Rect{clientWidth - S(metrics::kMenuButtonWidth), top, clientWidth - S(3), bottom};
    if (item == kToolbarPageInfo) return Rect{S(metrics::kPageInfoLeft), top, S(metrics::kPageInfoRight), bottom};
    return {};
}

Rect captionButtonRect(int button, int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    const int left = clientWidth - S(metrics::kCaptionStripWidth);
    const int width = std::max(S(metrics::kCaptionButtonWidth), 1);
    return Rect{left + width * button, 0, left + width * (button + 1), S(metrics::kCaptionButtonBottom)};
}

std::int32_t toolbarButtonCommand(int button) {
    switch (button) {
        case kToolbarBack: return commands::Back;
        case kToolbarForward: return commands::Forward;
        case kToolbarReloadOrStop: return commands::ReloadOrStop;
        case kToolbarHome: return commands::Home;
        default: return commands::None;
    }
}

}  // namespace vesko
