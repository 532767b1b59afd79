// The window's small pieces of state: tab order, closed tabs, the close warning, the status
// line, zoom and the animation tick.
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "policy/compiled_config.h"
#include "ui/close_warning.h"
#include "ui/closed_tab_memory.h"
#include "ui/commands.h"
#include "ui/frame_animation.h"
#include "ui/status_line.h"
#include "ui/tab_order.h"
#include "ui/zoom_rule.h"

namespace vesko {
namespace {

TEST(TabOrder, NextPreviousAndSelectionAfterClose) {
    // With no valid selection next and previous start from either end.
    static constexpr struct { int active, count, next, previous; } kCases[] = {
        {0, 3, 1, 2}, {2, 3, 0, 1}, {0, 1, 0, 0}, {-1, 3, 0, 2}, {-1, 0, -1, -1}};
    for (const auto& c : kCases) {
        EXPECT_EQ(nextTabIndex(c.active, c.count), c.next) << c.active << " of " << c.count;
        EXPECT_EQ(previousTabIndex(c.active, c.count), c.previous) << c.active << " of " << c.count;
    }
    EXPECT_EQ(activeTabAfterClose(4, 4, 4), 3);  // selected last tab: the new last tab
    EXPECT_EQ(activeTabAfterClose(2, 2, 4), 2);  // the tab that moved into its place
    EXPECT_EQ(activeTabAfterClose(3, 1, 4), 2);  // closed left of it: same tab stays selected
    EXPECT_EQ(activeTabAfterClose(0, 0, 0), -1);
    EXPECT_EQ(windowTitleForTab("KORDIS"), "KORDIS \xE2\x80\x94 Vesko Browser");
}

TEST(ClosedTabMemory, ThirtyNewestPortalAddresses) {
    const std::string portal = "https://" + std::string(config::kPortalHost);
    ClosedTabMemory memory;
    for (const auto& url : {std::string("about:blank"), "blob:" + portal, portal + ":8443"}) memory.remember(url);
    EXPECT_EQ(memory.newest(), std::nullopt);
    for (int i = 1; i <= 31; ++i) memory.remember(portal + "/" + std::to_string(i));
    EXPECT_EQ(memory.size(), 30u);
    EXPECT_EQ(memory.urls().front(), portal + "/2");
    // A reopen that opened a tab forgets the address; the next one takes the one before.
    memory.forgetNewest();
    EXPECT_EQ(memory.newest(), portal + "/30");
}

constexpr CloseWarningState kArmed{true, false};
constexpr CloseWarningState kSuppressed{true, true};
constexpr CloseWarningState kOff{false, false};

TEST(CloseWarning, Answers) {
    static constexpr struct {
        const char* name; bool shown; std::int32_t button; bool ticked, close; CloseWarningState after; bool save;
    } kCases[] = {
        {"Po", true, kCloseWarningYesButton, false, true, kSuppressed, false},
        {"Escape", true, 2, false, false, kArmed, false},
        {"Po, box ticked", true, kCloseWarningYesButton, true, true, {false, true}, true},
        {"Jo, box ticked: stays open, warning off", true, kCloseWarningNoButton, true, false, kOff, true},
        {"dialog could not be shown", false, 0, true, false, kArmed, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const CloseWarningOutcome outcome = closeWarningOutcome(kArmed, c.shown, c.button, c.ticked);
        EXPECT_EQ(outcome.close, c.close);
        EXPECT_EQ(outcome.state, c.after);
        EXPECT_EQ(outcome.savePreferences, c.save);
        EXPECT_EQ(closeWarningNeeded(outcome.state), c.after == kArmed);
    }
    // The menu toggle re-arms a suppressed warning.
    EXPECT_EQ(toggledCloseWarning(kOff), kArmed);
    EXPECT_EQ(toggledCloseWarning(kSuppressed), kOff);
    EXPECT_EQ(&closeWarningToggleStatus(kArmed), &kCloseWarningOnStatus);
    EXPECT_EQ(&closeWarningToggleStatus(kOff), &kCloseWarningOffStatus);
}

TEST(StatusLine, TimedTextGivesWayToTheDefault) {
    constexpr std::int64_t kNow = 1'700'000'000'000;
    const StatusLine timed{"Zoom: 110%", statusExpiry(20, kNow)};
    EXPECT_EQ(statusLineText(timed, kNow + 19'999, true, false), "Zoom: 110%");
    EXPECT_EQ(statusLineText(timed, kNow + 20'000, true, false), "Gati");
    EXPECT_EQ(statusLineText(timed, kNow + 20'000, true, true), "Po ngarkohet\xE2\x80\xA6");
    const StatusLine untilReplaced{"Po rifreskohet", statusExpiry(0, kNow)};
    EXPECT_EQ(statusLineText(untilReplaced, kNow + 86'400'000LL * 365, true, true), "Po rifreskohet");
    // Before the engine is ready an idle status line is empty.
    EXPECT_EQ(statusLineText({}, kNow, false, true), "");
    EXPECT_EQ(userErrorText("ZOOM_FAILED 0x80070057"), "Veprimi nuk p\xC3\xABrfundoi: ZOOM_FAILED 0x80070057");
    // A page's progress waits for a notice to run out, never for a lasting text or for
    // any other text.
    EXPECT_FALSE(progressMayReplace(true, kNow + 1, kNow));
    EXPECT_TRUE(progressMayReplace(true, kNow, kNow));
    EXPECT_TRUE(progressMayReplace(true, 0, kNow));
    EXPECT_TRUE(progressMayReplace(false, kNow + 3'000, kNow));
}

TEST(ZoomRule, TargetsAndPercentTexts) {
    using namespace commands;
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    static constexpr struct { std::int32_t command; double current, target; } kCases[] = {
        // Steps are plain additions and keep the binary residue of 0.1.
        {ZoomIn, 1.0, 1.1}, {ZoomIn, 1.1, 1.2000000000000002}, {ZoomOut, 1.0, 0.9},
        // The bounds hold at both ends; reset and presets ignore the current zoom.
        {ZoomIn, 1.95, 2.0}, {ZoomOut, 0.55, 0.5}, {ZoomReset, 1.7, 1.0}, {300, 1.0, 0.5}, {ZoomPresetLast, 1.0, 2.0},
        // A zoom that cannot be read counts as 100 %.
        {ZoomIn, kNaN, 1.1}, {ZoomOut, -kInfinity, 0.9},
    };
    for (const auto& c : kCases) {
        const auto target = zoomTarget(c.command, c.current);
        ASSERT_TRUE(target.has_value()) << c.command << " from " << c.current;
        EXPECT_EQ(*target, c.target) << c.command << " from " << c.current;  // exact: the result is the contract
    }
    for (std::int32_t id : {129, 133, 299, 309}) EXPECT_FALSE(zoomTarget(id, 1.0).has_value()) << id;
    EXPECT_EQ(effectiveZoom(std::nullopt), 1.0);
    EXPECT_EQ(effectiveZoom(1.25), 1.25);
    // Halves away from zero.
    static constexpr struct { double zoom; const char* status; } kPercents[] = {
        {1.2000000000000002, "Zoom: 120%"}, {0.5, "Zoom: 50%"}, {1.125, "Zoom: 113%"}, {1.124, "Zoom: 112%"},
        {-0.005, "Zoom: -1%"}};
    for (const auto& c : kPercents) EXPECT_EQ(zoomStatusText(c.zoom), c.status) << c.zoom;
    EXPECT_EQ(zoomIndicatorText(1.25), "Zoom 125%");
}

int ticksToSettle(float from, bool hovered, bool animations) {
    AnimationInput input{from, hovered, animations};
    for (int ticks = 0; ticks < 1000; ++ticks) {
        const AnimationStep step = animationStep(input);
        if (!step.invalidateTabStrip) return ticks;
        input.newTabHoverLevel = step.newTabHoverLevel;
    }
    return -1;
}

TEST(FrameAnimation, HoverGlowPressedLookAndBusyTabs) {
    EXPECT_FLOAT_EQ(animationStep({0.0f, true}).newTabHoverLevel, 0.22f);
    EXPECT_EQ(animationStep({0.995f, true}).newTabHoverLevel, 1.0f);  // snaps onto the target
    // 0.78^19 is the first power below 0.01: nineteen ticks, about 300 ms, either way.
    EXPECT_EQ(ticksToSettle(0.0f, true, true), 19);
    EXPECT_EQ(ticksToSettle(1.0f, false, true), 19);
    // Without animations it jumps; within 0.001 of the target nothing repaints.
    EXPECT_EQ(ticksToSettle(0.6f, false, false), 1);
    EXPECT_EQ(ticksToSettle(0.0005f, false, true), 0);

    AnimationInput pressed{.pressedToolbarButton = 2, .pressedUntil = pressedLookUntil(5000), .tickMs = 5159};
    EXPECT_EQ(animationStep(pressed).pressedToolbarButton, 2);
    pressed.tickMs = 5160;
    EXPECT_EQ(animationStep(pressed).pressedToolbarButton, -1);
    EXPECT_TRUE(animationStep(pressed).invalidateWindow);

    EXPECT_TRUE(animationStep({.anyTabBusy = true}).invalidateTopBands);
    EXPECT_FALSE(animationStep({.animationsEnabled = false, .anyTabBusy = true}).invalidateTopBands);
    EXPECT_FALSE(animationStep({}).invalidateTopBands);
}

}  // namespace
}  // namespace vesko
