// Decoding of page messages into the one thing the host does about each.
#include <string>

#include <gtest/gtest.h>

#include "assets/runtime_probe_page.h"
#include "engine/process_recovery.h"
#include "page/web_message.h"
#include "policy/compiled_config.h"

namespace vesko {
namespace {

const std::string kPortal = "https://" + std::string(config::kPortalHost);
constexpr std::string_view kNonce = "0123456789abcdef0123456789abcdef";

WebMessageDecision decode(const std::string& json, WebMessageContext context = {true, kNonce, true},
                          const std::string& source = kPortal + "/faqe") {
    return decodeWebMessage(source, json, context);
}

std::string openBackground(const std::string& url) {
    return R"({"type":"vesk-open-background","url":")" + url + R"("})";
}

TEST(WebMessage, ActionsOfTheFiveTypes) {
    using A = WebMessageAction;
    const struct { std::string json; A action; } cases[] = {
        {R"({"type":"vesk-activity","busy":"true"})", A::ignore},
        {R"({"type":"vesko-dirty","dirty":true})", A::markDirty},
        {R"({"type":"vesko-dirty","dirty":false})", A::ignore},
        {openBackground("https://elsewhere.example/"), A::ignore},
        {R"({"type":"vesk-open-background","url":7})", A::ignore},
        {R"({"type":"vesk-zone-result","rows":3,"status":200})", A::showStatus},
        {R"({"type":"vesk-zone-result","rows":3,"status":200.5})", A::ignore},
        // 32-bit numbers only; larger ones are not read modulo 2^32 (which would claim 0 zones).
        {R"({"type":"vesk-zone-result","rows":2147483647,"status":-2147483648})", A::showStatus},
        {R"({"type":"vesk-zone-result","rows":4294967296,"status":200})", A::ignore},
        {R"({"type":"vesk-zone-result","rows":1,"status":-2147483649})", A::ignore},
        // Unknown types and anything that is not strict JSON.
        {R"({"type":"VESK-ACTIVITY","busy":true})", A::ignore},
        {R"({"type":"vesk-activity","busy":true} // x)", A::ignore},
    };
    for (const auto& c : cases) EXPECT_EQ(decode(c.json).action, c.action) << c.json;
    for (bool busy : {true, false}) {
        const auto d = decode(R"({"type":"vesk-activity","busy":)" + std::string(busy ? "true}" : "false}"));
        EXPECT_EQ(d.action, WebMessageAction::setBusy);
        EXPECT_EQ(d.busy, busy);
    }
    const auto open = decode(openBackground(kPortal + "/a"));
    EXPECT_EQ(open.action, WebMessageAction::openBackground);
    EXPECT_EQ(open.url, kPortal + "/a");
}

TEST(WebMessage, MembersOfAnotherJsonTypeThatTheScriptsNeverSendAreErrors) {
    for (const std::string json : {R"([1,2])", R"({"type":7})", R"({"type":"vesko-dirty","dirty":"yes"})"}) {
        EXPECT_THROW(decode(json), std::runtime_error) << json;
    }
}

TEST(WebMessage, OnlyPortalDocumentsAreHeardAndOnlySoMuch) {
    const std::string dirty = R"({"type":"vesko-dirty","dirty":true})";
    EXPECT_EQ(decode(dirty, {}, "http://" + std::string(config::kPortalHost) + "/").action,
              WebMessageAction::markDirty);
    EXPECT_EQ(decode(dirty, {}, "blob:" + kPortal + "/x").action, WebMessageAction::ignore);
    // Even a wrongly typed member from elsewhere is not looked at.
    EXPECT_EQ(decode(R"([1])", {}, "https://elsewhere.example/").action, WebMessageAction::ignore);

    const std::string head = R"({"type":"vesko-dirty","dirty":true,"pad":")";
    const std::string exact = head + std::string(16384 - head.size() - 2, 'x') + R"("})";
    EXPECT_EQ(decode(exact).action, WebMessageAction::markDirty);
    EXPECT_EQ(decode(head + "x" + exact.substr(head.size())).action, WebMessageAction::ignore);
    const std::string url8192 = kPortal + "/?" + std::string(8192 - kPortal.size() - 2, 'a');
    EXPECT_EQ(decode(openBackground(url8192)).action, WebMessageAction::openBackground);
    EXPECT_EQ(decode(openBackground(url8192 + "a")).action, WebMessageAction::ignore);
}

TEST(WebMessage, ZoneResultsSpeakOnlyForTheTabInFrontWithTheirTexts) {
    const std::string json = R"({"type":"vesk-zone-result","rows":12,"status":200})";
    const WebMessageDecision front = decode(json, {false, {}, true});
    EXPECT_EQ(front.action, WebMessageAction::showStatus);
    EXPECT_EQ(front.statusText, "Serveri ktheu 12 zona. N\xC3\xABse lista mbetet bosh, ruaj diagnostik\xC3\xABn.");
    EXPECT_EQ(front.statusSeconds, 15u);
    EXPECT_EQ(decode(json, {false, {}, false}).action, WebMessageAction::ignore);
    const std::string empty =
        "Serveri ktheu 0 zona p\xC3\xABr k\xC3\xABt\xC3\xAB nd\xC3\xABrtes\xC3\xAB. Kontrollo lidhjen e zonave me "
        "nd\xC3\xABrtes\xC3\xABn.";
    const auto failed = [](const char* status) {
        return "K\xC3\xABrkesa p\xC3\xABr zonat nuk dha list\xC3\xAB t\xC3\xAB vlefshme. HTTP " + std::string(status) +
               ". Ruaj diagnostik\xC3\xABn.";
    };
    const struct { int rows, status; std::string text; unsigned seconds; } cases[] = {
        {0, 299, empty, 20},
        {5, 200, "Serveri ktheu 5 zona. N\xC3\xABse lista mbetet bosh, ruaj diagnostik\xC3\xABn.", 15},
        {-1, 200, failed("200"), 20}, {0, 199, failed("199"), 20}, {0, 300, failed("300"), 20},
        {5, 300, failed("300"), 20},
    };
    for (const auto& c : cases) {
        const ZoneStatus s = zoneResultStatus(c.rows, c.status);
        EXPECT_EQ(s.text, c.text) << c.rows << "/" << c.status;
        EXPECT_EQ(s.seconds, c.seconds) << c.rows << "/" << c.status;
    }
}

TEST(WebMessage, ProbeVerdictNeedsTheRunningProbeItsNonceAndItsPage) {
    const std::string index = probeAddresses(kNonce).index;
    const auto probe = [](std::string_view nonce,
                          const std::string& extra = R"(,"cors":true,"mixed":false,"webrtc":true)") {
        return R"({"type":"vesko-probe","nonce":")" + std::string(nonce) + "\"" + extra + "}";
    };
    const WebMessageDecision d = decode(probe(kNonce), {true, kNonce, false}, index);
    EXPECT_EQ(d.action, WebMessageAction::completeProbe);
    EXPECT_TRUE(d.cors);
    EXPECT_FALSE(d.mixed);
    EXPECT_TRUE(d.webrtc);
    const WebMessageDecision bare = decode(probe(kNonce, ""), {true, kNonce, true}, index);
    EXPECT_EQ(bare.action, WebMessageAction::completeProbe);
    EXPECT_FALSE(bare.cors || bare.mixed || bare.webrtc);
    EXPECT_THROW(decode(probe(kNonce, R"(,"cors":1)"), {true, kNonce, true}, index), std::runtime_error);
    EXPECT_THROW(decode(probe(kNonce, R"(,"webrtc":"1")"), {true, kNonce, true}, index), std::runtime_error);

    const struct { const char* name; std::string json; WebMessageContext context; std::string source; } ignored[] = {
        {"no probe running", probe(kNonce), {false, kNonce, true}, index},
        {"another nonce", probe("ffffffffffffffffffffffffffffffff"), {true, kNonce, true}, index},
        {"no nonce", R"({"type":"vesko-probe","cors":true,"mixed":true})", {true, kNonce, true}, index},
        {"another page of the portal", probe(kNonce), {true, kNonce, true}, kPortal + "/"},
    };
    for (const auto& c : ignored) {
        EXPECT_EQ(decodeWebMessage(c.source, c.json, c.context).action, WebMessageAction::ignore) << c.name;
    }
}

TEST(BackgroundOpens, AtMostFiveInAnyTenSeconds) {
    RateLimit opens(kBackgroundOpensPerWindow, kBackgroundOpenWindowMs);
    static constexpr struct {
        std::int64_t atMs;
        bool allowed;
    } kSteps[] = {
        // A burst: five at once, the sixth and seventh dropped, dropped ones not counted.
        {1000, true}, {1000, true}, {1000, true}, {1000, true}, {1000, true}, {1000, false}, {10999, false},
        // Ten seconds after the burst it has all left the window at once.
        {11000, true}, {11000, true}, {11000, true}, {11000, true}, {11000, true}, {11001, false},
        // Spread out, one every two seconds never meets the limit.
        {21000, true}, {23000, true}, {25000, true}, {27000, true}, {29000, true}, {31000, true}, {33000, true},
    };
    for (const auto& step : kSteps) EXPECT_EQ(opens.allow(step.atMs), step.allowed) << step.atMs;
}

}  // namespace
}  // namespace vesko
