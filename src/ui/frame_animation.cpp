#include "ui/frame_animation.h"

#include <cmath>

#include "ui/toolbar_layout.h"

namespace vesko {

AnimationStep animationStep(const AnimationInput& input) {
    AnimationStep step;
    step.newTabHoverLevel = input.newTabHoverLevel;
    step.pressedToolbarButton = input.pressedToolbarButton;

    const float target = input.newTabHovered ? 1.0f : 0.0f;
    const float level = input.newTabHoverLevel;
    if (std::fabs(level - target) > 0.001f) {
        float next = input.animationsEnabled ? static_cast<float>(level + (target - level) * 0.22) : target;
        if (std::fabs(next - target) < 0.01f) next = target;
        step.newTabHoverLevel = next;
        step.invalidateTabStrip = true;
    }

    if (input.pressedToolbarButton != kNoItem && input.tickMs >= input.pressedUntil) {
        step.pressedToolbarButton = kNoItem;
        step.invalidateWindow = true;
    }

    step.invalidateTopBands = input.anyTabBusy && input.animationsEnabled;
    return step;
}

std::uint64_t pressedLookUntil(std::uint64_t tickMs) {
    return tickMs + kPressedLookMs;
}

}  // namespace vesko
