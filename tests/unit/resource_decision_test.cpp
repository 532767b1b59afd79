// The decision made for every request of a page, the synthetic answers and header blocks,
// the records kept of refused requests, and the probe's nonce and addresses.
#include <array>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "assets/asset_pack.h"
#include "assets/resource_decision.h"
#include "assets/runtime_probe_page.h"
#include "assets/synthetic_response.h"
#include "policy/compiled_config.h"
#include "support/test_packs.h"

namespace vesko {
namespace {

const std::string kCdn = "https://" + std::string(config::kCdnHosts[0]);
const std::string kPortal = "https://" + std::string(config::kPortalHost);
constexpr std::string_view kNonce = "00112233445566778899aabbccddeeff";

TEST(SyntheticResponse, HeaderBlocks) {
    EXPECT_EQ(responseHeaders("text/javascript", 5, true),
              "Content-Type: text/javascript\r\nContent-Length: 5\r\nCache-Control: no-store\r\n"
              "X-Content-Type-Options: nosniff\r\nAccess-Control-Allow-Origin: *\r\n");
    EXPECT_EQ(responseHeaders("text/plain", 0, false),
              "Content-Type: text/plain\r\nContent-Length: 0\r\nCache-Control: no-store\r\n"
              "X-Content-Type-Options: nosniff\r\n");
    // The content type cannot start a header of its own.
    using namespace std::string_view_literals;
    for (const auto type : {"a\rb"sv, "a\nb"sv, "a\0b"sv}) {
        EXPECT_THROW(responseHeaders(type, 1, false), std::runtime_error);
    }
    EXPECT_EQ(reasonPhrase(200), "OK");
    EXPECT_EQ(reasonPhrase(403), "Blocked");
}

TEST(SyntheticResponse, BlockedRecordsNameHostKindAndMethodUpToSixtyFour) {
    EXPECT_EQ(blockedRequestRecord(PolicyUrl("https://Tracker.Example:8080/x.js"), ResourceKind::script, "POST").dump(),
              R"({"host":"tracker.example","kind":"script","method":"POST"})");
    EXPECT_EQ(blockedRequestRecord(PolicyUrl("ftp://files.example/a"), ResourceKind::image, "GET")["host"],
              "[scheme blocked]");

    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (int i = 0; i < 64; ++i) {
        const std::string url = "https://h" + std::to_string(i) + ".example/";
        EXPECT_TRUE(noteBlockedRequest(records, PolicyUrl(url), ResourceKind::image, "GET"));
    }
    EXPECT_FALSE(noteBlockedRequest(records, PolicyUrl("https://late.example/"), ResourceKind::image, "GET"));
    ASSERT_EQ(records.size(), 64u);
    EXPECT_EQ(records.back()["host"], "h63.example");  // oldest first
}

TEST(ResourceDecision, PolicyAndPackDecideOutsideTheProbe) {
    using namespace testing;
    const std::string rule = ruleJson("lib.js", "\"urlFilter\": \"|" + kCdn + "/lib.js|\"");
    const AssetPack pack = parseAssetPack(makePack(indexJson(fileJson("lib.js", 0, 5), rule), "abcde"));
    using A = ResourceAction;
    const struct { std::string url; const char* method; const char* kind; A action; } cases[] = {
        // Pack hits for GET only; other methods and misses go out unchanged.
        {kCdn + "/lib.js", "GET", "script", A::packFile}, {kCdn + "/lib.js", "POST", "script", A::network},
        {kCdn + "/missing.js", "GET", "script", A::network},
        {"https://tracker.example/x.js", "GET", "script", A::refuse},
        // Documents: the portal and about:blank pass, a CDN address does not.
        {kPortal + "/", "GET", "document", A::network}, {"about:blank", "GET", "document", A::network},
        {kCdn + "/lib.js", "GET", "document", A::refuse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.method + " " + c.kind);
        const ResourceDecision d = decideResourceRequest(pack, c.url, c.method, parseResourceKind(c.kind).value(), {});
        EXPECT_EQ(d.action, c.action);
        EXPECT_EQ(d.entry, c.action == ResourceAction::packFile ? &pack.files.at("lib.js") : nullptr);
        if (c.action != ResourceAction::refuse) continue;
        EXPECT_EQ(d.answer.status, 403);
        EXPECT_EQ(d.answer.body, "VESKO: kerkesa u bllokua.");
        EXPECT_EQ(d.answer.contentType, "text/plain; charset=utf-8");
        EXPECT_FALSE(d.answer.allowAnyOrigin);
    }
}

TEST(ResourceDecision, ProbeAddressesAreServedOnlyByTheirRunningProbe) {
    const AssetPack pack = parseAssetPack(testing::minimalPack());
    const ProbeAddresses a = probeAddresses(kNonce);
    const ProbeServing running{true, kNonce, 54321};
    const struct {
        std::string url; const char* method; ProbeServing probe;
        int status = 404; std::string type = "text/plain", body;
    } cases[] = {
        {a.index, "GET", running, 200, "text/html; charset=utf-8", probePage(kNonce, 54321)},
        {a.cors, "GET", running, 200, "text/plain; charset=utf-8", std::string(kNonce)},
        {a.mixed, "GET", running, 200, "text/javascript; charset=utf-8", "window.__veskoMixed();"},
        // Another method, a stale nonce, the probe over, or any other probe path: 404.
        {a.index, "HEAD", running}, {probeAddresses("ffeeddccbbaa99887766554433221100").index, "GET", running},
        {a.cors, "GET", {false, kNonce}}, {a.index + "?x", "GET", running},
        // The marker anywhere, even on a foreign host, is the probe's and never refused.
        {"https://elsewhere.example/x/__vesko_internal_probe__/y", "GET", running},
        // A running probe whose nonce is not one serves nothing.
        {a.index, "GET", {true, "abc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.method);
        const ResourceDecision d = decideResourceRequest(pack, c.url, c.method, ResourceKind::document, c.probe);
        ASSERT_EQ(d.action, ResourceAction::answer);
        EXPECT_EQ(d.answer.status, c.status);
        EXPECT_EQ(d.answer.contentType, c.type);
        EXPECT_EQ(d.answer.body, c.body);
        EXPECT_FALSE(d.answer.allowAnyOrigin);  // the cors answer must stay unreadable with web security
    }
}

TEST(RuntimeProbePage, NoncesAndAddresses) {
    const ProbeAddresses a = probeAddresses(kNonce);
    const std::string path = "/__vesko_internal_probe__/" + std::string(kNonce);
    EXPECT_EQ(a.index, kPortal + path + "/index");
    EXPECT_EQ(a.cors, "https://" + std::string(config::kProbeCdnHost) + path + "/cors");
    EXPECT_EQ(a.mixed, "http://" + std::string(config::kProbeCdnHost) + path + "/mixed.js");
    EXPECT_EQ(probeSocketAddress(kNonce, 54321), "ws://" + std::string(kNonce) + ".localhost:54321" + path + "/socket");
    static constexpr struct { std::string_view nonce; bool valid; } kCases[] = {
        {"0123456789abcdef0123456789abcdef", true}, {"0123456789abcdef0123456789abcde", false},
        {"0123456789abcdef0123456789abcdef0", false}, {"0123456789ABCDEF0123456789abcdef", false},
        {"0123456789abcdef0123456789abcdeg", false},
        {"0123456789abcdef0123456789abcd'/", false},  // would end the script literal
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(isProbeNonce(c.nonce), c.valid) << c.nonce;
        if (!c.valid) EXPECT_THROW(probeAddresses(c.nonce), std::runtime_error) << c.nonce;
    }
    const std::array<unsigned char, 5> bytes{0x00, 0x0f, 0xf0, 0xab, 0x7e};
    EXPECT_EQ(hexLower(bytes), "000ff0ab7e");
}

}  // namespace
}  // namespace vesko
