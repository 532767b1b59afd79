// The engine's pure pieces: the guards' address rules, keys and titles from a page, the
// probe's verdict texts, result codes and the loader's pin check.
#include <array>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "assets/runtime_probe.h"
#include "engine/engine_switches.h"
#include "engine/hresult_text.h"
#include "engine/loader_digest.h"
#include "engine/navigation_rules.h"
#include "engine/page_events.h"
#include "engine/unsaved_input.h"
#include "policy/compiled_config.h"
#include "ui/commands.h"
#include "ui/key_table.h"

namespace vesko {
namespace {

const std::string kHost(config::kPortalHost);
const std::string kPortal = "https://" + kHost + "/";

TEST(NavigationRules, DecisionTableAndTypedAddresses) {
    // Allowed at the top level, in frames and as pop-ups alike; a pop-up without an
    // address opens about:blank.
    const struct { std::string url; bool allowed; } cases[] = {
        {kPortal + "a", true}, {"blob:" + kPortal + "x", true}, {"about:blank", true}, {"", true},
        {"About:blank", false}, {"https://elsewhere.example/", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        if (!c.url.empty()) {
            EXPECT_EQ(topLevelNavigationAllowed(PolicyUrl(c.url), false), c.allowed);
            EXPECT_EQ(frameNavigationAllowed(PolicyUrl(c.url)), c.allowed);
        }
        EXPECT_EQ(popupAllowed(PolicyUrl(popupAddress(c.url)), false), c.allowed);
        EXPECT_FALSE(popupAllowed(PolicyUrl(popupAddress(c.url)), true));  // never while the probe runs
    }
    EXPECT_EQ(popupAddress(kPortal), kPortal);
    EXPECT_EQ(typedAddress(kHost), kPortal);
    EXPECT_EQ(typedAddress(kHost + "/"), kHost + "/");  // not the bare name: left as typed, then refused
    EXPECT_EQ(typedAddress(kPortal + "x"), kPortal + "x");
}

TEST(PageEvents, KeysAreTakenOnKeyDownOnlyAndTitlesDefault) {
    constexpr KeyModifiers kAlt{false, false, true};
    EXPECT_EQ(pageKeyCommand(0, kVkF5, {}), commands::ReloadOrStop);
    EXPECT_EQ(pageKeyCommand(2, kVkLeft, kAlt), commands::Back);  // a system key
    EXPECT_EQ(pageKeyCommand(1, kVkF5, {}), 0);
    EXPECT_EQ(pageKeyCommand(3, kVkLeft, kAlt), 0);
    EXPECT_EQ(tabTitle(""), "KORDIS");
    EXPECT_EQ(tabTitle("Nd\xC3\xABrtesat"), "Nd\xC3\xABrtesat");
}

TEST(UnsavedInput, ATabHoldsInputWhileAnyOfItsDocumentsDoes) {
    // Steps: T / t mark / replace the top document, F1 / f1 mark / replace frame 1's
    // document, g: the view and its frames gone. The tab's mark after the last step.
    struct Case {
        const char* steps;
        bool unsaved;
    };
    static constexpr Case kCases[] = {
        {"", false}, {"T", true}, {"Tt", false}, {"F1", true}, {"F1f1", false},
        // A frame's input outlives a new top document until the frame itself goes.
        {"F1t", true}, {"TF1t", true}, {"TF1f1", true},
        {"F1F2f1", true}, {"F1F2f1f2", false}, {"F2f1", true},
        {"TF1g", true}, {"F1F2g", false}, {"F1gF1", true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.steps);
        UnsavedInput unsaved;
        for (const char* at = c.steps; *at != '\0'; ++at) {
            switch (*at) {
                case 'T': unsaved.markTop(); break;
                case 't': unsaved.topReplaced(); break;
                case 'F': unsaved.markFrame(static_cast<UnsavedInput::FrameKey>(*++at - '0')); break;
                case 'f': unsaved.frameReplaced(static_cast<UnsavedInput::FrameKey>(*++at - '0')); break;
                case 'g': unsaved.framesGone(); break;
            }
        }
        EXPECT_EQ(unsaved.any(), c.unsaved);
    }
}

TEST(EngineSwitches, OnlyThePortalAndTheCdnHostsResolve) {
    EXPECT_EQ(engineSwitches(),
              "--disable-web-security --allow-running-insecure-content \"--host-resolver-rules=MAP * ~NOTFOUND, "
              "EXCLUDE portal.kordis.example, EXCLUDE cdnjs.cloudflare.com, EXCLUDE cdn.jsdelivr.net, EXCLUDE unpkg.com, "
              "EXCLUDE code.jquery.com, EXCLUDE ajax.googleapis.com, EXCLUDE fonts.googleapis.com, "
              "EXCLUDE fonts.gstatic.com, EXCLUDE stackpath.bootstrapcdn.com\" "
              "--force-webrtc-ip-handling-policy=disable_non_proxied_udp --disable-blink-features=FileSystemAccessLocal");
}

TEST(RuntimeProbe, VerdictTexts) {
    const auto passed = probeVerdictStatus({true, true, true, true});
    EXPECT_EQ(passed.text, "Parametrat u verifikuan. Local Assets \xC3\xABsht\xC3\xAB aktiv.");
    EXPECT_EQ(passed.seconds, 10u);
    const std::string failed =
        "Motori nuk kaloi kontrollin e parametrave. P\xC3\xABrdit\xC3\xABso WebView2 dhe ruaj diagnostik\xC3\xABn nga "
        "menuja. ";
    // Fields: cors, mixed, webrtc, dns; each missing alone fails the proof.
    EXPECT_EQ(probeVerdictStatus({true, false, true, true}).text, failed + "CORS=1, HTTP=0, DNS=1, WebRTC=1");
    EXPECT_EQ(probeVerdictStatus({false, true, true, true}).text, failed + "CORS=0, HTTP=1, DNS=1, WebRTC=1");
    EXPECT_EQ(probeVerdictStatus({true, true, true, false}).text, failed + "CORS=1, HTTP=1, DNS=0, WebRTC=1");
    EXPECT_EQ(probeVerdictStatus({true, true, false, true}).text, failed + "CORS=1, HTTP=1, DNS=1, WebRTC=0");
    EXPECT_EQ(probeVerdictStatus({}).seconds, 0u);
    EXPECT_EQ(probeIndexAddress("not-a-nonce"), "");
}

std::string thrownBy(std::int32_t result) try {
    ThrowIfFailed(result, "X");
    return "no error";
} catch (const std::runtime_error& error) {
    return error.what();
}

TEST(HresultText, LowerCaseHexAndOnlyNegativeResultsThrow) {
    static constexpr struct { std::uint32_t input; const char* expected; } kCases[] = {
        {0x0, "0x0"}, {0x10, "0x10"}, {0x00abcdef, "0xabcdef"}, {0x80070005, "0x80070005"}, {0xffffffff, "0xffffffff"},
    };
    for (const auto& c : kCases) EXPECT_EQ(hresultHex(static_cast<std::int32_t>(c.input)), c.expected);
    EXPECT_EQ(thrownBy(static_cast<std::int32_t>(0x80000000)), "X 0x80000000");
    EXPECT_EQ(thrownBy(0), "no error");
    EXPECT_EQ(thrownBy(0x7fffffff), "no error");
}

TEST(LoaderDigest, WholeLowerCaseDigestOnly) {
    EXPECT_EQ(toHexLower(std::array<std::uint8_t, 4>{0x00, 0x0f, 0xf0, 0xab}), "000ff0ab");
    const std::string digest = "2d64a312551930dc56612cf358fcfd23133c0596a88c3ec1c467c392ff00b493";
    EXPECT_TRUE(matchesPinnedDigest(digest, digest));
    EXPECT_FALSE(matchesPinnedDigest(digest, "2D64" + digest.substr(4)));
    EXPECT_FALSE(matchesPinnedDigest(digest, digest.substr(0, 63) + "4"));
    EXPECT_FALSE(matchesPinnedDigest("abcd", "abcd"));
}

}  // namespace
}  // namespace vesko
