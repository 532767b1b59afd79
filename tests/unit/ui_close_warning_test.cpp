#include "ui/close_warning.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

constexpr CloseWarningState kArmed{true, false};
constexpr CloseWarningState kSuppressed{true, true};
constexpr CloseWarningState kOff{false, false};
constexpr std::int32_t kEscape = 2;

struct Case {
    const char* name;
    bool shown;
    std::int32_t button;
    bool ticked;
    bool close;
    CloseWarningState after;
    bool save;
};

static constexpr Case kCases[] = {
    {"Po", true, kCloseWarningYesButton, false, true, kSuppressed, false},
    {"Jo", true, kCloseWarningNoButton, false, false, kArmed, false},
    {"Escape", true, kEscape, false, false, kArmed, false},
    {"Po, box ticked", true, kCloseWarningYesButton, true, true, {false, true}, true},
    {"Jo, box ticked: stays open, warning off", true, kCloseWarningNoButton, true, false, kOff, true},
    {"dialog could not be shown", false, 0, true, false, kArmed, false},
};

TEST(CloseWarning, Answers) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const CloseWarningOutcome outcome = closeWarningOutcome(kArmed, c.shown, c.button, c.ticked);
        EXPECT_EQ(outcome.close, c.close);
        EXPECT_EQ(outcome.state, c.after);
        EXPECT_EQ(outcome.savePreferences, c.save);
        EXPECT_EQ(closeWarningNeeded(outcome.state), c.after == kArmed);
    }
}

TEST(CloseWarning, ToggleReArms) {
    EXPECT_EQ(toggledCloseWarning(kOff), kArmed);
    EXPECT_EQ(toggledCloseWarning(kSuppressed), kOff);
    EXPECT_EQ(toggledCloseWarning(toggledCloseWarning(kSuppressed)), kArmed);
    EXPECT_EQ(closeWarningToggleStatus(kArmed).text, "Paralajmërimi i mbylljes u aktivizua.");
    EXPECT_EQ(closeWarningToggleStatus(kOff).text, "Paralajmërimi i mbylljes u çaktivizua.");
}

TEST(CloseWarning, PageInfoContent) {
    EXPECT_EQ(pageInfoContent("portal.example"),
              "Faqja e lejuar: portal.example\n\n"
              "Local Assets është i integruar.\n"
              "Parametrat --disable-web-security dhe --allow-running-insecure-content janë aktivë për "
              "pajtueshmërinë me portalin.\n\n"
              "Zoom dhe paralajmërimi i mbylljes ndryshohen nga menuja me tri pika.");
}

}  // namespace
}  // namespace vesko
