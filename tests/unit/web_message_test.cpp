// Decoding of page messages into the one thing the host does about each.
#include <string>

#include <gtest/gtest.h>

#include "assets/runtime_probe_page.h"
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

TEST(WebMessage, ActionsOfTheFiveTypes) {
    struct Case {
        std::string json;
        WebMessageAction action;
    };
    const std::vector<Case> cases = {
        {R"({"type":"vesk-activity","busy":true})", WebMessageAction::setBusy},
        {R"({"type":"vesk-activity","busy":false})", WebMessageAction::setBusy},
        {R"({"type":"vesk-activity","busy":"true"})", WebMessageAction::ignore},
        {R"({"type":"vesk-activity"})", WebMessageAction::ignore},
        {R"({"type":"vesko-dirty","dirty":true})", WebMessageAction::markDirty},
        {R"({"type":"vesko-dirty","dirty":false})", WebMessageAction::ignore},
        {R"({"type":"vesko-dirty"})", WebMessageAction::ignore},
        {R"({"type":"vesk-open-background","url":")" + kPortal + R"(/a"})", WebMessageAction::openBackground},
        {R"({"type":"vesk-open-background","url":"https://elsewhere.example/"})", WebMessageAction::ignore},
        {R"({"type":"vesk-open-background","url":")" + kPortal + R"(:8443/"})", WebMessageAction::ignore},
        {R"({"type":"vesk-open-background","url":7})", WebMessageAction::ignore},
        {R"({"type":"vesk-zone-result","rows":3,"status":200})", WebMessageAction::showStatus},
        {R"({"type":"vesk-zone-result","rows":3,"status":200.5})", WebMessageAction::ignore},
        {R"({"type":"vesk-zone-result","rows":3,"status":2e2})", WebMessageAction::ignore},
        {R"({"type":"vesk-zone-result","rows":3,"status":200.0})", WebMessageAction::ignore},
        {R"({"type":"vesk-zone-result","rows":"3","status":200})", WebMessageAction::ignore},
        {R"({"type":"vesk-zone-result","status":200})", WebMessageAction::ignore},
        // Larger than 32 bits: not read modulo 2^32 (which would claim 0 zones).
        {R"({"type":"vesk-zone-result","rows":4294967296,"status":200})", WebMessageAction::ignore},
        {R"({"type":"vesk-zone-result","rows":1,"status":-2147483649})", WebMessageAction::ignore},
        {R"({"type":"vesk-zone-result","rows":2147483647,"status":-2147483648})", WebMessageAction::showStatus},
        // Unknown or wrongly spelled types, missing type, and no JSON at all.
        {R"({"type":"VESK-ACTIVITY","busy":true})", WebMessageAction::ignore},
        {R"({"busy":true})", WebMessageAction::ignore},
        {R"({"type":"vesk-activity","busy":true} // note)", WebMessageAction::ignore},
        {R"({"type":"vesk-activity",)", WebMessageAction::ignore},
        {"", WebMessageAction::ignore},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(decode(c.json).action, c.action);
    }
    EXPECT_TRUE(decode(R"({"type":"vesk-activity","busy":true})").busy);
    EXPECT_FALSE(decode(R"({"type":"vesk-activity","busy":false})").busy);
    EXPECT_EQ(decode(R"({"type":"vesk-open-background","url":")" + kPortal + R"(/a"})").url, kPortal + "/a");
}

TEST(WebMessage, MembersOfAnotherJsonTypeThatTheScriptsNeverSendAreErrors) {
    for (const std::string json : {
             R"([1,2])", R"("text")", R"(42)", R"(null)",
             R"({"type":7})",
             R"({"type":"vesko-dirty","dirty":"yes"})",
             R"({"type":"vesko-probe","nonce":12})",
         }) {
        SCOPED_TRACE(json);
        EXPECT_THROW(decode(json), std::runtime_error);
    }
}

TEST(WebMessage, OnlyPortalDocumentsAreHeard) {
    const std::string json = R"({"type":"vesko-dirty","dirty":true})";
    for (const std::string source : {std::string("https://elsewhere.example/"), kPortal + ":444/", std::string(""),
                                     std::string("about:blank"), "blob:" + kPortal + "/x",
                                     std::string("http://") + std::string(config::kPortalHost) + "/"}) {
        SCOPED_TRACE(source);
        const bool portal = source.starts_with("http://");
        EXPECT_EQ(decode(json, {}, source).action, portal ? WebMessageAction::markDirty : WebMessageAction::ignore);
    }
    // Even a wrongly typed member from elsewhere is not looked at.
    EXPECT_EQ(decode(R"([1])", {}, "https://elsewhere.example/").action, WebMessageAction::ignore);
}

TEST(WebMessage, SizeLimits) {
    const std::string head = R"({"type":"vesko-dirty","dirty":true,"pad":")";
    const std::string tail = R"("})";
    const std::string exact = head + std::string(16384 - head.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(exact.size(), 16384u);
    EXPECT_EQ(decode(exact).action, WebMessageAction::markDirty);
    const std::string over = head + std::string(16385 - head.size() - tail.size(), 'x') + tail;
    EXPECT_EQ(decode(over).action, WebMessageAction::ignore);

    const std::string prefix = kPortal + "/?";
    const std::string url8192 = prefix + std::string(8192 - prefix.size(), 'a');
    const auto open = [](const std::string& url) {
        return R"({"type":"vesk-open-background","url":")" + url + R"("})";
    };
    EXPECT_EQ(decode(open(url8192)).action, WebMessageAction::openBackground);
    EXPECT_EQ(decode(open(url8192 + "a")).action, WebMessageAction::ignore);
}

TEST(WebMessage, ZoneResultsSpeakOnlyForTheTabInFront) {
    const std::string json = R"({"type":"vesk-zone-result","rows":12,"status":200})";
    const WebMessageDecision front = decode(json, {false, {}, true});
    EXPECT_EQ(front.action, WebMessageAction::showStatus);
    EXPECT_EQ(front.statusText, "Serveri ktheu 12 zona. N\xC3\xABse lista mbetet bosh, ruaj diagnostik\xC3\xABn.");
    EXPECT_EQ(front.statusSeconds, 15u);
    EXPECT_EQ(decode(json, {false, {}, false}).action, WebMessageAction::ignore);
}

TEST(WebMessage, ZoneTexts) {
    const std::string empty =
        "Serveri ktheu 0 zona p\xC3\xABr k\xC3\xABt\xC3\xAB nd\xC3\xABrtes\xC3\xAB. Kontrollo lidhjen e zonave me "
        "nd\xC3\xABrtes\xC3\xABn.";
    const auto failed = [](const std::string& status) {
        return "K\xC3\xABrkesa p\xC3\xABr zonat nuk dha list\xC3\xAB t\xC3\xAB vlefshme. HTTP " + status +
               ". Ruaj diagnostik\xC3\xABn.";
    };
    struct Case {
        int rows;
        int status;
        std::string text;
        unsigned seconds;
    };
    const std::vector<Case> cases = {
        {0, 200, empty, 20},
        {0, 299, empty, 20},
        {5, 200, "Serveri ktheu 5 zona. N\xC3\xABse lista mbetet bosh, ruaj diagnostik\xC3\xABn.", 15},
        {-1, 200, failed("200"), 20},
        {0, 0, failed("0"), 20},
        {5, 300, failed("300"), 20},
        {0, 199, failed("199"), 20},
        {3, -5, failed("-5"), 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + "/" + std::to_string(c.status));
        const ZoneStatus s = zoneResultStatus(c.rows, c.status);
        EXPECT_EQ(s.text, c.text);
        EXPECT_EQ(s.seconds, c.seconds);
    }
}

TEST(WebMessage, ProbeVerdictNeedsTheRunningProbeItsNonceAndItsPage) {
    const std::string index = probeAddresses(kNonce).index;
    const auto probe = [](std::string_view nonce, const std::string& extra = R"(,"cors":true,"mixed":false)") {
        return R"({"type":"vesko-probe","nonce":")" + std::string(nonce) + "\"" + extra + "}";
    };
    const WebMessageDecision d = decode(probe(kNonce), {true, kNonce, false}, index);
    EXPECT_EQ(d.action, WebMessageAction::completeProbe);
    EXPECT_TRUE(d.cors);
    EXPECT_FALSE(d.mixed);

    struct Case {
        const char* name;
        std::string json;
        WebMessageContext context;
        std::string source;
    };
    const std::vector<Case> ignored = {
        {"no probe running", probe(kNonce), {false, kNonce, true}, index},
        {"another nonce", probe("ffffffffffffffffffffffffffffffff"), {true, kNonce, true}, index},
        {"no nonce", R"({"type":"vesko-probe","cors":true,"mixed":true})", {true, kNonce, true}, index},
        {"another page of the portal", probe(kNonce), {true, kNonce, true}, kPortal + "/"},
        {"the index with a query", probe(kNonce), {true, kNonce, true}, index + "?"},
    };
    for (const auto& c : ignored) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeWebMessage(c.source, c.json, c.context).action, WebMessageAction::ignore);
    }
    // Defaults and wrong types of the verdict members.
    const WebMessageDecision bare = decode(probe(kNonce, ""), {true, kNonce, true}, index);
    EXPECT_EQ(bare.action, WebMessageAction::completeProbe);
    EXPECT_FALSE(bare.cors);
    EXPECT_FALSE(bare.mixed);
    EXPECT_THROW(decode(probe(kNonce, R"(,"cors":1)"), {true, kNonce, true}, index), std::runtime_error);
    EXPECT_THROW(decode(probe(kNonce, R"(,"mixed":"true")"), {true, kNonce, true}, index), std::runtime_error);
}

}  // namespace
}  // namespace vesko
