// The guards' address rules, the page-key rule, the tab title and the probe's texts.
#include <string>

#include <gtest/gtest.h>

#include "assets/runtime_probe.h"
#include "engine/navigation_rules.h"
#include "engine/page_events.h"
#include "policy/compiled_config.h"
#include "ui/commands.h"

namespace vesko {
namespace {

const std::string kPortal = "https://" + std::string(config::kPortalHost) + "/";

TEST(NavigationRules, DecisionTable) {
    struct Case {
        std::string url;
        bool topLevel;
        bool topLevelForPopup;
        bool frame;
        bool popup;  // probe not running
    };
    const std::vector<Case> cases = {
        {kPortal + "a", true, true, true, true},
        {"blob:" + kPortal + "x", true, true, true, true},
        {"about:blank", true, true, true, true},
        {"About:blank", false, false, false, false},
        {"about:blank#x", false, false, false, false},
        {"https://elsewhere.example/", false, false, false, false},
        {"https://" + std::string(config::kPortalHost) + ":8443/", false, false, false, false},
        {"javascript:alert(1)", false, false, false, false},
        {"", false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(topLevelNavigationAllowed(c.url, false), c.topLevel);
        EXPECT_EQ(topLevelNavigationAllowed(c.url, true), c.topLevelForPopup);
        EXPECT_EQ(frameNavigationAllowed(c.url), c.frame);
        EXPECT_EQ(popupAllowed(popupAddress(c.url), false), c.popup || c.url.empty());
        EXPECT_FALSE(popupAllowed(popupAddress(c.url), true));  // never while the probe runs
    }
    EXPECT_EQ(popupAddress(""), "about:blank");
    EXPECT_EQ(popupAddress(kPortal), kPortal);
}

TEST(NavigationRules, TypedAddresses) {
    const std::string host(config::kPortalHost);
    EXPECT_EQ(typedAddress(host), kPortal);
    EXPECT_EQ(typedAddress(host + "/"), host + "/");  // not the bare name: left as typed, then refused
    EXPECT_EQ(typedAddress(" " + host), " " + host);
    EXPECT_EQ(typedAddress(kPortal + "x"), kPortal + "x");
    EXPECT_EQ(navigationRefusedText(), "Vesko hap vet\xC3\xABm " + host + ".");
    EXPECT_EQ(typedAddressRefusedText(), "Lejohet vet\xC3\xABm " + host + ".");
}

TEST(PageEvents, KeysTakenFromAPage) {
    struct Case {
        const char* name;
        std::int32_t kind;
        std::int32_t key;
        KeyModifiers mods;
        std::int32_t command;
    };
    static constexpr Case kCases[] = {
        {"Ctrl+Tab", 0, kVkTab, {true, false, false}, commands::NextTab},
        {"Ctrl+Shift+Tab", 0, kVkTab, {true, true, false}, commands::PreviousTab},
        {"Ctrl+T", 0, 'T', {true, false, false}, commands::NewTab},
        {"Ctrl+Shift+T", 0, 'T', {true, true, false}, commands::ReopenClosedTab},
        {"F5", 0, kVkF5, {}, commands::ReloadOrStop},
        {"Ctrl+F5", 0, kVkF5, {true, false, false}, commands::ReloadOrStop},
        {"Shift+F5", 0, kVkF5, {false, true, false}, commands::ReloadOrStop},
        {"Alt+Left as a system key", 2, kVkLeft, {false, false, true}, commands::Back},
        {"Ctrl+A stays with the page", 0, 'A', {true, false, false}, 0},
        {"Ctrl+C stays with the page", 0, 'C', {true, false, false}, 0},
        {"Ctrl+2 stays with the page", 0, '2', {true, false, false}, 0},
        {"key-up of F5", 1, kVkF5, {}, 0},
        {"system key-up of Alt+Left", 3, kVkLeft, {false, false, true}, 0},
        {"plain letter", 0, 'T', {}, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pageKeyCommand(c.kind, c.key, c.mods), c.command);
    }
}

TEST(PageEvents, TitleOfAPageWithout) {
    EXPECT_EQ(tabTitle(""), "KORDIS");
    EXPECT_EQ(tabTitle("Nd\xC3\xABrtesat"), "Nd\xC3\xABrtesat");
}

TEST(RuntimeProbe, VerdictTexts) {
    const auto passed = probeVerdictStatus(true, true);
    EXPECT_EQ(passed.text, "Parametrat u verifikuan. Local Assets \xC3\xABsht\xC3\xAB aktiv.");
    EXPECT_EQ(passed.seconds, 10u);
    const std::string failed =
        "Motori nuk kaloi kontrollin e parametrave. P\xC3\xABrdit\xC3\xABso WebView2 dhe ruaj diagnostik\xC3\xABn nga "
        "menuja. ";
    EXPECT_EQ(probeVerdictStatus(true, false).text, failed + "CORS=1, HTTP=0");
    EXPECT_EQ(probeVerdictStatus(false, true).text, failed + "CORS=0, HTTP=1");
    EXPECT_EQ(probeVerdictStatus(false, false).text, failed + "CORS=0, HTTP=0");
    EXPECT_EQ(probeVerdictStatus(false, false).seconds, 0u);
    EXPECT_EQ(probeIndexAddress("not-a-nonce"), "");
}

}  // namespace
}  // namespace vesko
