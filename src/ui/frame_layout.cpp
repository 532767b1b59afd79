#include "ui/frame_layout.h"

#include <algorithm>

#include "ui/dpi_scale.h"
#include "ui/frame_metrics.h"

namespace vesko {

int tabStripBottom(double dpiScale) { return scalePx(metrics::kTabStripBottom, dpiScale); }
int toolbarBottom(double dpiScale) { return scalePx(metrics::kToolbarBottom, dpiScale); }
int statusBandHeight(double dpiScale) { return scalePx(metrics::kStatusBandHeight, dpiScale); }

Rect addressFieldRect(int clientWidth, double dpiScale) {
    const auto S = [dpiScale](double v) { return scalePx(v, dpiScale); };
    const int left = S(metrics::kAddressFieldLeft);
    const int top = S(metrics::kAddressFieldTop);
    return Rect{left, top, left + std::max(S(120), clientWidth - S(260)), top + S(22)};
}

Rect viewBounds(int clientWidth, int clientHeight, double dpiScale) {
    const int top = toolbarBottom(dpiScale);
    return Rect{0, top, clientWidth, std::max(top, clientHeight - statusBandHeight(dpiScale))};
}

Size minimumTrackSize(double dpiScale) {
    return Size{scalePx(760, dpiScale), scalePx(550, dpiScale)};
}

int resizeBorder(double dpiScale) { return scalePx(metrics::kResizeBorder, dpiScale); }

Rect maximizedClientArea(Rect window, int frameX, int frameY) {
    return Rect{window.left + frameX, window.top + frameY, window.right - frameX, window.bottom - frameY};
}

}  // namespace vesko
