// The decision made for every request of a page, the synthetic header blocks and the
// records kept of refused requests.
#include <string>

#include <gtest/gtest.h>

#include "support/test_packs.h"
#include "assets/asset_pack.h"
#include "assets/resource_decision.h"
#include "assets/runtime_probe_page.h"
#include "assets/synthetic_response.h"
#include "policy/compiled_config.h"

namespace vesko {
namespace {

using testing::fileJson;
using testing::indexJson;
using testing::makePack;
using testing::ruleJson;

const std::string kCdn = std::string(config::kCdnHosts[0]);
const std::string kPortal = std::string(config::kPortalHost);
constexpr std::string_view kNonce = "00112233445566778899aabbccddeeff";
constexpr std::string_view kOtherNonce = "ffeeddccbbaa99887766554433221100";

AssetPack testPack() {
    const std::string files = fileJson("lib.js", 0, 5) + "," + fileJson("clip.mp4", 5, 3, "video/mp4");
    const std::string rules = ruleJson("lib.js", "\"urlFilter\": \"|https://" + kCdn + "/lib.js|\"") + "," +
                              ruleJson("clip.mp4", "\"urlFilter\": \"|https://" + kCdn + "/clip.mp4|\"", "\"other\"");
    return parseAssetPack(makePack(indexJson(files, rules), "abcdeMP4"));
}

TEST(SyntheticResponse, HeaderBlockLinesInOrder) {
    EXPECT_EQ(responseHeaders("text/javascript", 5, true),
              "Content-Type: text/javascript\r\nContent-Length: 5\r\nCache-Control: no-store\r\n"
              "X-Content-Type-Options: nosniff\r\nAccess-Control-Allow-Origin: *\r\n");
    EXPECT_EQ(responseHeaders("text/plain", 0, false),
              "Content-Type: text/plain\r\nContent-Length: 0\r\nCache-Control: no-store\r\n"
              "X-Content-Type-Options: nosniff\r\n");
    EXPECT_NE(responseHeaders("x", 4294967295u, false).find("Content-Length: 4294967295\r\n"), std::string::npos);
}

TEST(SyntheticResponse, ContentTypeCannotStartAHeaderOfItsOwn) {
    for (const std::string_view type : {std::string_view("text/css\r\nSet-Cookie: a=b"), std::string_view("a\nb"),
                                        std::string_view("a\0b", 3)}) {
        EXPECT_THROW(responseHeaders(type, 1, false), std::runtime_error);
    }
}

TEST(SyntheticResponse, ReasonPhrases) {
    EXPECT_EQ(reasonPhrase(200), "OK");
    for (const int status : {403, 404, 201, 500}) EXPECT_EQ(reasonPhrase(status), "Blocked") << status;
}

TEST(SyntheticResponse, BlockedRecordsNameHostKindAndMethod) {
    struct Case {
        const char* url;
        const char* host;
    };
    static constexpr Case kCases[] = {
        {"https://Tracker.Example/x.js", "tracker.example"},
        {"http://evil.example:8080/", "evil.example"},
        {"ftp://files.example/a", "[scheme blocked]"},
        {"javascript:alert(1)", "[scheme blocked]"},
        {"data:text/html,x", "[scheme blocked]"},
        {"", "[scheme blocked]"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.url);
        const auto record = blockedRequestRecord(c.url, "script", "POST");
        EXPECT_EQ(record.dump(), std::string(R"({"host":")") + c.host + R"(","kind":"script","method":"POST"})");
    }
}

TEST(SyntheticResponse, RecordsStopGrowingAtSixtyFour) {
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (int i = 0; i < 64; ++i) {
        EXPECT_TRUE(noteBlockedRequest(records, "https://h" + std::to_string(i) + ".example/", "image", "GET"));
    }
    EXPECT_FALSE(noteBlockedRequest(records, "https://late.example/", "image", "GET"));
    ASSERT_EQ(records.size(), 64u);
    EXPECT_EQ(records.front()["host"], "h0.example");  // oldest first
    EXPECT_EQ(records.back()["host"], "h63.example");
}

struct DecisionCase {
    std::string url;
    const char* method;
    const char* kind;
    ResourceAction action;
    const char* file;  // packFile only
};

TEST(ResourceDecision, PolicyAndPackDecideOutsideTheProbe) {
    const AssetPack pack = testPack();
    const std::vector<DecisionCase> cases = {
        // Pack hits for GET only; other methods go out unchanged.
        {"https://" + kCdn + "/lib.js", "GET", "script", ResourceAction::packFile, "lib.js"},
        {"https://" + kCdn + "/lib.js", "POST", "script", ResourceAction::network, nullptr},
        {"https://" + kCdn + "/missing.js", "GET", "script", ResourceAction::network, nullptr},
        // Media has kind "other" and is served by rules that list it.
        {"https://" + kCdn + "/clip.mp4", "GET", "other", ResourceAction::packFile, "clip.mp4"},
        // Foreign hosts, ports and schemes are refused.
        {"https://tracker.example/x.js", "GET", "script", ResourceAction::refuse, nullptr},
        {"https://" + kCdn + ":8443/lib.js", "GET", "script", ResourceAction::refuse, nullptr},
        {"ftp://" + kCdn + "/lib.js", "GET", "script", ResourceAction::refuse, nullptr},
        // Documents: the portal, its blobs and about:blank pass; anything else is refused.
        {"https://" + kPortal + "/", "GET", "document", ResourceAction::network, nullptr},
        {"blob:https://" + kPortal + "/1234", "GET", "document", ResourceAction::network, nullptr},
        {"about:blank", "GET", "document", ResourceAction::network, nullptr},
        {"https://" + kCdn + "/lib.js", "GET", "document", ResourceAction::refuse, nullptr},
        {"https://elsewhere.example/", "GET", "document", ResourceAction::refuse, nullptr},
        {"javascript:alert(1)", "GET", "document", ResourceAction::refuse, nullptr},
        // The portal's own requests go to it.
        {"https://" + kPortal + "/index.php?x", "POST", "xmlhttprequest", ResourceAction::network, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.method + " " + c.kind);
        const ResourceDecision d = decideResourceRequest(pack, c.url, c.method, c.kind, {});
        EXPECT_EQ(d.action, c.action);
        if (c.file != nullptr) {
            ASSERT_NE(d.entry, nullptr);
            EXPECT_EQ(d.entry->name, c.file);
        }
        if (c.action == ResourceAction::refuse) {
            EXPECT_EQ(d.answer.status, 403);
            EXPECT_EQ(d.answer.body, "VESKO: kerkesa u bllokua.");
            EXPECT_EQ(d.answer.body.size(), 25u);
            EXPECT_EQ(d.answer.contentType, "text/plain; charset=utf-8");
            EXPECT_FALSE(d.answer.allowAnyOrigin);
        }
    }
}

TEST(ResourceDecision, ProbeAddressesAreServedOnlyByTheirRunningProbe) {
    const AssetPack pack = testPack();
    const ProbeAddresses a = probeAddresses(kNonce);
    const ProbeAddresses stale = probeAddresses(kOtherNonce);
    const ProbeServing running{true, kNonce};
    const ProbeServing idle{false, kNonce};
    struct Case {
        std::string url;
        const char* method;
        ProbeServing probe;
        int status;
        std::string contentType;
        std::string body;
    };
    const std::vector<Case> cases = {
        {a.index, "GET", running, 200, "text/html; charset=utf-8", probePage(kNonce)},
        {a.cors, "GET", running, 200, "text/plain; charset=utf-8", std::string(kNonce)},
        {a.mixed, "GET", running, 200, "text/javascript; charset=utf-8", "window.__veskoMixed();"},
        // Another method, a stale nonce, the probe over, or any other probe path: 404.
        {a.index, "HEAD", running, 404, "text/plain", ""},
        {a.cors, "get", running, 404, "text/plain", ""},
        {stale.index, "GET", running, 404, "text/plain", ""},
        {a.cors, "GET", idle, 404, "text/plain", ""},
        {a.index + "?x", "GET", running, 404, "text/plain", ""},
        {"https://" + kPortal + "/__vesko_internal_probe__/", "GET", idle, 404, "text/plain", ""},
        // The marker anywhere, even on a foreign host, is the probe's and never refused.
        {"https://elsewhere.example/x/__vesko_internal_probe__/y", "GET", idle, 404, "text/plain", ""},
        // A running probe whose nonce is not one serves nothing.
        {a.index, "GET", ProbeServing{true, "abc"}, 404, "text/plain", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.method);
        const ResourceDecision d = decideResourceRequest(pack, c.url, c.method, "document", c.probe);
        ASSERT_EQ(d.action, ResourceAction::answer);
        EXPECT_EQ(d.answer.status, c.status);
        EXPECT_EQ(d.answer.contentType, c.contentType);
        EXPECT_EQ(d.answer.body, c.body);
        EXPECT_FALSE(d.answer.allowAnyOrigin);  // the cors answer must stay unreadable with web security
    }
}

}  // namespace
}  // namespace vesko
