#include "ui/dpi_scale.h"
#include "ui/frame_layout.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

struct PxCase {
    unsigned dpi;
    double units;
    int pixels;
};

static constexpr PxCase kPxCases[] = {
    {96, 43, 43}, {96, 0, 0},
    // Halves round up: 90 × 1.25 = 112.5, 2 × 1.25 = 2.5, 43 × 1.5 = 64.5.
    {120, 90, 113}, {120, 2, 3}, {144, 43, 65}, {144, 7, 11}, {144, 1, 2},
    {120, 43, 54}, {120, 39, 49}, {120, 163, 204}, {144, 88, 132}, {144, 138, 207},
    // A window Windows cannot measure answers 0 dpi and is drawn at 96.
    {0, 43, 43},
};

TEST(DpiScale, ScalePx) {
    for (const auto& c : kPxCases) {
        SCOPED_TRACE(testing::Message() << c.units << " units at " << c.dpi << " dpi");
        EXPECT_EQ(scalePx(c.units, dpiScaleForDpi(c.dpi)), c.pixels);
    }
}

struct ChildCase {
    unsigned dpi;
    int width;
    int height;
    Rect address;
    Rect view;
    Size minimum;
};

static constexpr ChildCase kChildCases[] = {
    {96, 1280, 850, {198, 55, 1218, 77}, {0, 88, 1280, 823}, {760, 550}},
    {120, 1280, 850, {248, 69, 1203, 97}, {0, 110, 1280, 816}, {950, 688}},
    {144, 1280, 850, {297, 83, 1187, 116}, {0, 132, 1280, 809}, {1140, 825}},
    // Squeezed below the minimum (while being minimised): the address field keeps 120
    // units and the view never turns upside down.
    {144, 300, 100, {297, 83, 477, 116}, {0, 132, 300, 132}, {1140, 825}},
};

TEST(FrameLayout, ChildWindowsAndMinimumSize) {
    for (const auto& c : kChildCases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.dpi << " dpi");
        const double s = dpiScaleForDpi(c.dpi);
        EXPECT_EQ(addressFieldRect(c.width, s), c.address);
        EXPECT_EQ(viewBounds(c.width, c.height, s), c.view);
        EXPECT_EQ(minimumTrackSize(s), c.minimum);
    }
}

}  // namespace
}  // namespace vesko
