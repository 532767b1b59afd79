// What the browser makes of failed engine processes: kinds and their report names, the
// limits on automatic recovery, where a stopped page goes back to, when a hung page is
// asked about, and the report's record of failures.
#include <string>

#include <gtest/gtest.h>

#include "engine/process_recovery.h"
#include "policy/compiled_config.h"

namespace vesko {
namespace {

TEST(ProcessRecovery, KindsAndTheirNames) {
    static constexpr struct {
        std::int32_t engineKind;
        FailureKind kind;
        const char* name;
    } kCases[] = {
        {0, FailureKind::browserExited, "browser-process-exited"},
        {1, FailureKind::rendererExited, "render-process-exited"},
        {2, FailureKind::rendererUnresponsive, "render-process-unresponsive"},
        {3, FailureKind::frameRendererExited, "frame-render-process-exited"},
        {6, FailureKind::otherProcess, "gpu-process-exited"},
        {9, FailureKind::otherProcess, "unknown-process-exited"},
        {10, FailureKind::otherProcess, "unknown"},
        {-1, FailureKind::otherProcess, "unknown"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(failureKind(c.engineKind), c.kind) << c.engineKind;
        EXPECT_EQ(failureKindName(c.engineKind), c.name);
    }
    EXPECT_EQ(failureReasonName(3), "crashed");
    EXPECT_EQ(failureReasonName(6), "profile-deleted");
    EXPECT_EQ(failureReasonName(7), "unknown");
}

TEST(ProcessRecovery, AtMostThreeInTheWindow) {
    // Five minutes for reloads: the fourth within them is refused, one that falls out of
    // the window makes room again.
    RateLimit reloads(kAutomaticReloads, kAutomaticReloadWindowMs);
    static constexpr struct {
        std::int64_t atMs;
        bool allowed;
    } kSteps[] = {
        {1000, true}, {2000, true}, {100000, true}, {300999, false}, {301000, true}, {301001, false}, {302000, true},
    };
    for (const auto& step : kSteps) EXPECT_EQ(reloads.allow(step.atMs), step.allowed) << step.atMs;
    EXPECT_EQ(kEngineRestarts, 3u);
    EXPECT_EQ(kEngineRestartWindowMs, 600000);
}

TEST(ProcessRecovery, AStoppedPageGoesBackWhereItWasIfAllowed) {
    const std::string portal = "https://" + std::string(config::kPortalHost) + "/";
    EXPECT_EQ(recoveryAddress(portal + "ndertesat.html?id=4"), portal + "ndertesat.html?id=4");
    EXPECT_EQ(recoveryAddress("https://elsewhere.example/"), portal);
    EXPECT_EQ(recoveryAddress("about:blank"), portal);
    EXPECT_EQ(recoveryAddress(""), portal);
}

TEST(ProcessRecovery, AHungPageIsAskedAboutAfterFifteenSecondsThenThirtyAfterWaiting) {
    HangWatch hang;
    EXPECT_FALSE(hang.active());
    using Step = HangWatch::Step;
    EXPECT_EQ(hang.report(100000), Step::showStatus);
    EXPECT_EQ(hang.report(105000), Step::none);
    EXPECT_EQ(hang.report(114999), Step::none);
    EXPECT_EQ(hang.report(115000), Step::ask);
    EXPECT_EQ(hang.report(120000), Step::none);  // asked once until answered
    EXPECT_TRUE(hang.asking());
    hang.waited(121000);
    EXPECT_FALSE(hang.asking());
    EXPECT_EQ(hang.report(150999), Step::none);
    EXPECT_EQ(hang.report(151000), Step::ask);
    // The reports stop: 12 seconds after the last one the page answers again.
    EXPECT_FALSE(hang.over(162999));
    EXPECT_TRUE(hang.over(163000));
    hang.clear();
    EXPECT_FALSE(hang.active());
    EXPECT_FALSE(hang.over(200000));
    EXPECT_EQ(hang.report(200000), Step::showStatus);
}

TEST(ProcessRecovery, TheLogKeepsTheNewest32) {
    FailureLog log;
    for (int i = 0; i < 33; ++i) log.add(DiagnosticsFailure{i, "render-process-exited", "crashed", 0, "", i});
    ASSERT_EQ(log.entries().size(), 32u);
    EXPECT_EQ(log.entries().front().time, 1);
    EXPECT_EQ(log.entries().back().time, 32);
}

}  // namespace
}  // namespace vesko
