#include "ui/frame_layout.h"

#include <algorithm>

#include "ui/dpi_scale.h"

namespace vesko {

int tabStripBottom(double dpiScale) { return scalePx(43, dpiScale); }
int toolbarBottom(double dpiScale) { return scalePx(88, dpiScale); }
int statusBandHeight(double dpiScale) { return scalePx(27, dpiScale); }

Rect addressFieldRect(int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    const int left = S(198);
    const int top = S(55);
    return Rect{left, top, left + std::max(S(120), clientWidth - S(260)), top + S(22)};
}

Rect viewBounds(int clientWidth, int clientHeight, double dpiScale) {
    const int top = toolbarBottom(dpiScale);
    return Rect{0, top, clientWidth, std::max(top, clientHeight - statusBandHeight(dpiScale))};
}

Size minimumTrackSize(double dpiScale) {
    return Size{scalePx(760, dpiScale), scalePx(550, dpiScale)};
}

int resizeBorder(double dpiScale) { return scalePx(7, dpiScale); }

Rect maximizedClientArea(Rect window, int frameX, int frameY) {
    return Rect{window.left + frameX, window.top + frameY, window.right - frameX, window.bottom - frameY};
}

}  // namespace vesko
