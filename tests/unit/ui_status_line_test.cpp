#include "ui/status_line.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

constexpr std::int64_t kNow = 1'700'000'000'000;

TEST(StatusLine, TimedTextGivesWayToTheDefault) {
    const StatusLine timed{"Zoom: 110%", statusExpiry(20, kNow)};
    EXPECT_EQ(statusLineText(timed, kNow + 19'999, true, false), "Zoom: 110%");
    EXPECT_EQ(statusLineText(timed, kNow + 20'000, true, false), "Gati");
    EXPECT_EQ(statusLineText(timed, kNow + 20'000, true, true), "Po ngarkohet…");

    const StatusLine untilReplaced{"Po rifreskohet faqja…", statusExpiry(0, kNow)};
    EXPECT_EQ(untilReplaced.expiresAt, 0);
    EXPECT_EQ(statusLineText(untilReplaced, kNow + 86'400'000LL * 365, true, true), "Po rifreskohet faqja…");

    EXPECT_EQ(statusLineText({}, kNow, true, false), "Gati");
    // Before the engine is ready an idle status line is empty.
    EXPECT_EQ(statusLineText({}, kNow, false, true), "");
    EXPECT_EQ(statusLineText({"BAD_ASSET_PACK", kNow + 1}, kNow, false, false), "BAD_ASSET_PACK");
}

TEST(StatusLine, ErrorTexts) {
    EXPECT_EQ(userErrorText("ZOOM_FAILED 0x80070057"), "Veprimi nuk përfundoi: ZOOM_FAILED 0x80070057");
    EXPECT_EQ(kUnknownErrorText, "Veprimi nuk përfundoi.");
}

}  // namespace
}  // namespace vesko
