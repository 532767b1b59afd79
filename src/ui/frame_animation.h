#pragma once

#include <cstdint>

namespace vesko {

// State the 16 ms animation tick looks at.
struct AnimationInput {
    float newTabHoverLevel = 0.0f;
    bool newTabHovered = false;
    bool animationsEnabled = true;
    int pressedToolbarButton = -1;
    // Tick counts in milliseconds (GetTickCount64).
    std::uint64_t pressedUntil = 0;
    std::uint64_t tickMs = 0;
    // Some tab is loading or reports page activity.
    bool anyTabBusy = false;
};

// What one tick changes and which parts of the window it repaints.
struct AnimationStep {
    float newTabHoverLevel = 0.0f;
    int pressedToolbarButton = -1;
    bool invalidateTabStrip = false;  // the band from the top to the tab strip's bottom
    bool invalidateWindow = false;    // everything
    bool invalidateTopBands = false;  // the band from the top to the toolbar's bottom
};

// The new-tab button's hover glow eases toward its target (22 % of the remaining way per
// tick, snapping once within 0.01), or jumps there when the system turns client-area
// animations off; a pressed toolbar button returns to normal at its deadline; busy tabs
// keep the spinners and the progress line moving.
AnimationStep animationStep(const AnimationInput& input);

// The deadline of the pressed look for a click at `tickMs`.
std::uint64_t pressedLookUntil(std::uint64_t tickMs);

}  // namespace vesko
