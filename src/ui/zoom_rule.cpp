#include "ui/zoom_rule.h"

#include <algorithm>
#include <cmath>

#include "ui/commands.h"

namespace vesko {

double effectiveZoom(std::optional<double> reported) {
    if (!reported || !std::isfinite(*reported)) return 1.0;
    return *reported;
}

std::optional<double> zoomTarget(std::int32_t command, double current) {
    if (isZoomPresetCommand(command)) {
        return kZoomPresets[static_cast<std::size_t>(command - commands::ZoomPreset)].factor;
    }
    current = effectiveZoom(current);
    switch (command) {
        case commands::ZoomReset: return 1.0;
        case commands::ZoomIn: return std::clamp(current + kZoomStep, kMinZoom, kMaxZoom);
        case commands::ZoomOut: return std::clamp(current - kZoomStep, kMinZoom, kMaxZoom);
        default: return std::nullopt;
    }
}

long long zoomPercent(double zoom) {
    // Factors far outside anything a view accepts still give a defined number.
    const double percent = std::isnan(zoom) ? 0.0 : std::clamp(zoom * 100.0, -1e15, 1e15);
    return std::llround(percent);
}

std::string zoomStatusText(double zoom) {
    return "Zoom: " + std::to_string(zoomPercent(zoom)) + "%";
}

std::string zoomIndicatorText(double zoom) {
    return "Zoom " + std::to_string(zoomPercent(zoom)) + "%";
}

}  // namespace vesko
