#include "ui/frame_animation.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

int ticksToSettle(float from, bool hovered, bool animations) {
    AnimationInput input;
    input.newTabHoverLevel = from;
    input.newTabHovered = hovered;
    input.animationsEnabled = animations;
    for (int ticks = 0; ticks < 1000; ++ticks) {
        const AnimationStep step = animationStep(input);
        if (!step.invalidateTabStrip) return ticks;
        input.newTabHoverLevel = step.newTabHoverLevel;
    }
    return -1;
}

TEST(FrameAnimation, HoverGlow) {
    AnimationInput input;
    input.newTabHovered = true;
    EXPECT_FLOAT_EQ(animationStep(input).newTabHoverLevel, 0.22f);
    // 0.78^19 is the first power below 0.01: nineteen ticks, about 300 ms, either way.
    EXPECT_EQ(ticksToSettle(0.0f, true, true), 19);
    EXPECT_EQ(ticksToSettle(1.0f, false, true), 19);
    input.newTabHoverLevel = 0.995f;
    EXPECT_EQ(animationStep(input).newTabHoverLevel, 1.0f);  // snaps onto the target
    // Without animations it jumps; within 0.001 of the target nothing repaints.
    EXPECT_EQ(ticksToSettle(0.6f, false, false), 1);
    EXPECT_EQ(ticksToSettle(0.0005f, false, true), 0);
}

TEST(FrameAnimation, PressedLookEndsAtItsDeadline) {
    AnimationInput input;
    input.pressedToolbarButton = 2;
    input.pressedUntil = pressedLookUntil(5000);
    input.tickMs = 5159;
    EXPECT_EQ(animationStep(input).pressedToolbarButton, 2);
    EXPECT_FALSE(animationStep(input).invalidateWindow);
    input.tickMs = 5160;
    EXPECT_EQ(animationStep(input).pressedToolbarButton, -1);
    EXPECT_TRUE(animationStep(input).invalidateWindow);
}

TEST(FrameAnimation, BusyTabsAnimateOnlyWithAnimationsOn) {
    AnimationInput input;
    input.anyTabBusy = true;
    EXPECT_TRUE(animationStep(input).invalidateTopBands);
    input.animationsEnabled = false;
    EXPECT_FALSE(animationStep(input).invalidateTopBands);
    input.animationsEnabled = true;
    input.anyTabBusy = false;
    EXPECT_FALSE(animationStep(input).invalidateTopBands);
}

}  // namespace
}  // namespace vesko
