#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vesko {

struct ZoomPreset {
    double factor;
    int percent;
};

// The zoom presets of the menu, in order; preset i is command ZoomPreset + i.
inline constexpr std::array<ZoomPreset, 9> kZoomPresets = {{
    {0.5, 50}, {0.75, 75}, {0.9, 90}, {1.0, 100}, {1.1, 110},
    {1.25, 125}, {1.5, 150}, {1.75, 175}, {2.0, 200},
}};

inline constexpr double kZoomStep = 0.1;
inline constexpr double kMinZoom = 0.5;
inline constexpr double kMaxZoom = 2.0;
inline constexpr std::uint32_t kZoomStatusSeconds = 3;

// The zoom the view reports, as the window uses it: 1.0 when the view could not be asked
// or answered something that is not a finite number, so that a step never starts from
// garbage.
double effectiveZoom(std::optional<double> reported);

// The zoom factor a zoom command sets, from the view's current factor: a preset, 1.0
// for the reset, or one step up or down by plain floating-point addition (repeated steps
// can give 1.2000000000000002) limited to 0.5 .. 2.0; a current factor that is not a
// finite number counts as 1.0. No value for other commands.
std::optional<double> zoomTarget(std::int32_t command, double current);

// A zoom factor as a whole percentage, halves away from zero (1.1 gives 110).
long long zoomPercent(double zoom);

// "Zoom: 110%" — the status text after a zoom command.
std::string zoomStatusText(double zoom);

// "Zoom 110%" — the zoom shown at the right end of the status line.
std::string zoomIndicatorText(double zoom);

}  // namespace vesko
