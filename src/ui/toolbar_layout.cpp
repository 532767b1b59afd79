#include "ui/toolbar_layout.h"

#include <algorithm>

#include "ui/commands.h"
#include "ui/dpi_scale.h"

namespace vesko {

// The button width and the caption strip are rounded separately, so at some scales the
// last pixel column of a strip divides into one slot too many (at 175 % the right edge
// of the Home button would otherwise count as the menu button). Indices are therefore
// clamped to the buttons that exist.

int toolbarItemAt(Point p, int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    if (p.y < S(48) || p.y >= S(81)) return kNoItem;
    if (p.x > clientWidth - S(38)) return kToolbarMenu;
    if (p.x >= S(169) && p.x < S(197)) return kToolbarPageInfo;
    if (p.x >= S(7) && p.x < S(163)) return toolbarButtonForClick(p.x, dpiScale);
    return kNoItem;
}

int toolbarButtonForClick(int x, double dpiScale) {
    const int step = std::max(scalePx(39, dpiScale), 1);
    return std::clamp((x - scalePx(7, dpiScale)) / step, 0, kToolbarButtonCount - 1);
}

int captionButtonAt(Point p, int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    const int stripLeft = clientWidth - S(138);
    if (p.y >= S(40) || p.x < stripLeft) return kNoItem;
    return std::clamp((p.x - stripLeft) / std::max(S(46), 1), 0, kCaptionButtonCount - 1);
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
