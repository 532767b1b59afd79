#include "ui/zoom_rule.h"

#include <limits>

#include <gtest/gtest.h>

#include "ui/commands.h"

namespace vesko {
namespace {

struct Case {
    std::int32_t command;
    double current;
    double target;
};

static constexpr Case kCases[] = {
    // Steps are plain additions and keep the binary residue of 0.1.
    {commands::ZoomIn, 1.0, 1.1},
    {commands::ZoomIn, 1.1, 1.2000000000000002},
    {commands::ZoomIn, 1.2000000000000002, 1.3000000000000003},
    {commands::ZoomOut, 1.0, 0.9},
    {commands::ZoomOut, 0.6, 0.5},
    // The bounds hold at both ends, also for a view zoomed beyond them by other means.
    {commands::ZoomIn, 2.0, 2.0},
    {commands::ZoomIn, 1.95, 2.0},
    {commands::ZoomOut, 0.5, 0.5},
    {commands::ZoomIn, 3.0, 2.0},
    {commands::ZoomOut, 0.25, 0.5},
    // Reset and presets ignore the current zoom.
    {commands::ZoomReset, 1.7, 1.0},
    {commands::ZoomPreset + 0, 1.0, 0.5},
    {commands::ZoomPreset + 1, 1.0, 0.75},
    {commands::ZoomPreset + 5, 1.0, 1.25},
    {commands::ZoomPreset + 8, 1.0, 2.0},
};

TEST(ZoomRule, Targets) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << " from " << c.current);
        const auto target = zoomTarget(c.command, c.current);
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(*target, c.target);  // exact: the floating-point result is the contract
    }
    for (std::int32_t id : {0, 100, 129, 133, 299, 309}) EXPECT_FALSE(zoomTarget(id, 1.0).has_value()) << id;
}

TEST(ZoomRule, UnusableCurrentZoomCountsAsOne) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(effectiveZoom(std::nullopt), 1.0);
    EXPECT_EQ(effectiveZoom(kNaN), 1.0);
    EXPECT_EQ(effectiveZoom(1.25), 1.25);
    EXPECT_EQ(*zoomTarget(commands::ZoomIn, kNaN), 1.1);
    EXPECT_EQ(*zoomTarget(commands::ZoomOut, -kInf), 0.9);
}

TEST(ZoomRule, PercentTexts) {
    struct Percent {
        double zoom;
        const char* status;
    };
    const Percent cases[] = {
        {1.1, "Zoom: 110%"}, {0.5, "Zoom: 50%"}, {1.2000000000000002, "Zoom: 120%"}, {1.3000000000000003, "Zoom: 130%"},
        // Halves away from zero.
        {1.125, "Zoom: 113%"}, {1.124, "Zoom: 112%"}, {-0.005, "Zoom: -1%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        EXPECT_EQ(zoomStatusText(c.zoom), c.status);
    }
    EXPECT_EQ(zoomIndicatorText(1.25), "Zoom 125%");
    for (const ZoomPreset& preset : kZoomPresets) EXPECT_EQ(zoomPercent(preset.factor), preset.percent);
}

}  // namespace
}  // namespace vesko
