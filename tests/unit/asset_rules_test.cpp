#include "assets/asset_rules.h"

#include <pthread.h>

#include <functional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "policy/compiled_config.h"
#include "support/test_packs.h"

namespace vesko {
namespace {

using namespace testing;
using Step = AssetMatchStep;

// {C} stands for a configured CDN host.
std::string expand(std::string_view text) {
    std::string out(text);
    if (const auto at = out.find("{C}"); at != std::string::npos) out.replace(at, 3, config::kCdnHosts[1]);
    return out;
}

std::string exact(std::string_view file, std::string_view url, std::string_view kinds = "\"script\"") {
    return ruleJson(file, "\"urlFilter\": \"|" + expand(url) + "|\"", kinds) + ",";
}

std::string regex(std::string_view file, std::string_view pattern, std::string_view kinds = "\"script\"") {
    return ruleJson(file, "\"regexFilter\": \"" + expand(pattern) + "\"", kinds) + ",";
}

AssetPack rulesPack() {
    const std::string files = fileJson("served.js", 0, 1) + "," + fileJson("jquery.min.js", 1, 1) + "," +
                              fileJson("style.css", 2, 1, "text/css") + "," + fileJson("__zone_diagnostic.js", 3, 1) +
                              "," + fileJson("clip.mp4", 4, 1, "video/mp4");
    const std::string rules =
        exact("served.js", "https://{C}/a/lib.js") + exact("served.js", "https://{C}/a%20b/lib.js") +
        exact("served.js", "https://{C}/") + exact("served.js", "https://{C}/r/exact.js") +
        exact("served.js", "https://{C}/t.js", "\"media\"") + exact("served.js", "https://{C}/doc.js", "\"document\"") +
        exact("clip.mp4", "data:image/png;base64,AAAA", "\"image\"") +
        exact("served.js", "https://{C}/img/lib.js", "\"image\", \"font\"") +
        regex("style.css", "https://{C}/r/.*\\\\.js") + regex("jquery.min.js", "https://{C}/r/special\\\\.js") +
        regex("served.js", "https://{C}/k/.*", "\"xmlhttprequest\"") + regex("clip.mp4", "https://{C}/k/thing");
    return parseAssetPack(makePack(indexJson(files, rules.substr(0, rules.size() - 1)), "abcde"));
}

// The file served, empty for none, and the step that found it.
struct Case { const char* url; const char* method; const char* kind; const char* file; Step step; };

static constexpr Case kCases[] = {
    // Method and kind gates; fragments are cut before any lookup.
    {"https://{C}/a/lib.js#x", "GET", "script", "served.js", Step::exact},
    {"https://{C}/a/lib.js", "POST", "script", "", Step::none},
    {"https://{C}/a/lib.js", "GET", "xmlhttprequest", "", Step::none},
    {"https://{C}/doc.js", "GET", "document", "", Step::none},
    {"https://{C}/t.js", "GET", "other", "", Step::none},
    {"https://{C}/img/lib.js", "GET", "font", "served.js", Step::exact},
    // Regular-expression rules: exact first, then the earliest rule whose kinds fit.
    {"https://{C}/r/exact.js", "GET", "script", "served.js", Step::exact},
    {"https://{C}/r/special.js#frag", "GET", "script", "style.css", Step::regex},
    {"https://{C}/k/thing", "GET", "xmlhttprequest", "served.js", Step::regex},
    {"https://{C}/k/thing", "GET", "script", "clip.mp4", Step::regex},
    {"https://{C}/k/thing", "GET", "image", "", Step::none},
    // Version-query fallback: doubled slashes and the default port are ignored.
    {"https://{C}/a/lib.js?v=3.4.1", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}//a//lib.js?ver=1&_=2", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}/a/lib.js?version=1.0-rc_2", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}/a/lib.js?", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}:443/a/lib.js", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}/a/lib.js?v=1&x=2", "GET", "script", "", Step::none},
    {"http://{C}/a/lib.js?v=1", "GET", "script", "", Step::none},
    {"https://{C}/a%20b/lib.js?v=1", "GET", "script", "", Step::none},
    {"https://{C}//?v=1", "GET", "script", "", Step::none},
    // File-name fallback, never for the diagnostic hook.
    {"https://{C}/any/dir/jquery.min.js?x=1", "GET", "script", "jquery.min.js", Step::fileName},
    {"https://evil.example/any/dir/jquery.min.js", "GET", "script", "", Step::none},
    {"https://{C}/x/__zone_diagnostic.js", "GET", "script", "", Step::none},
    // Inline images pass the policy but only a rule can answer them.
    {"data:image/png;base64,AAAA", "GET", "image", "clip.mp4", Step::exact},
};

TEST(AssetRules, MatchesThroughTheFirstStepThatYieldsAFile) {
    const AssetPack pack = rulesPack();
    for (const Case& c : kCases) {
        const std::string url = expand(c.url);
        SCOPED_TRACE(url + " " + c.method + " " + c.kind);
        const ResourceKind kind = parseResourceKind(c.kind).value();
        for (RegexRuleScan scan : {RegexRuleScan::prefiltered, RegexRuleScan::inOrder}) {
            const AssetMatch match = explainAssetMatch(pack, url, c.method, kind, scan);
            EXPECT_EQ(match.entry ? match.entry->name : std::string(), c.file);
            EXPECT_EQ(match.step, c.step);
        }
        EXPECT_EQ(matchAsset(pack, url, c.method, kind), explainAssetMatch(pack, url, c.method, kind).entry);
    }
}

// Runs `body` on a thread with the 1 MiB stack that a Windows UI thread gets by default.
void runOnSmallStack(std::function<void()> body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 1 << 20);
    pthread_t thread;
    const auto call = [](void* f) -> void* { return (*static_cast<std::function<void()>*>(f))(), nullptr; };
    ASSERT_EQ(pthread_create(&thread, &attributes, call, &body), 0);
    pthread_join(thread, nullptr);
}

TEST(AssetRules, LongUrlsDoNotExhaustASmallStack) {
    const AssetPack pack = rulesPack();
    runOnSmallStack([&] {
        // A long cache-busting value: the regex library would recurse once per byte.
        const std::string longQuery = expand("https://{C}/a/lib.js?v=") + std::string(15000, '1');
        EXPECT_EQ(explainAssetMatch(pack, longQuery, "GET", ResourceKind::script).step, Step::versionQuery);
        // Regular-expression rules are tried on addresses of up to 1024 bytes, fragment cut.
        const std::string prefix = expand("https://{C}/r/");
        const std::string atLimit = prefix + std::string(1024 - prefix.size() - 3, 'a') + ".js";
        const auto step = [&](const std::string& url) {
            return explainAssetMatch(pack, url, "GET", ResourceKind::script).step;
        };
        EXPECT_EQ(step(atLimit + "#" + std::string(10000, 'f')), Step::regex);
        EXPECT_EQ(step(prefix + "a" + atLimit.substr(prefix.size())), Step::none);
    });
}

// The names are the ones the pack's rules and the blocked-request records carry.
TEST(AssetRules, ResourceKindOfEachEngineContextAndItsName) {
    static constexpr const char* kKinds[] = {"other", "document", "stylesheet", "image", "other", "font",
                                             "script", "xmlhttprequest", "xmlhttprequest", "other"};
    for (int context = 0; context < 10; ++context) {
        EXPECT_EQ(resourceKindName(resourceKind(context)), kKinds[context]) << context;
        EXPECT_EQ(parseResourceKind(kKinds[context]), resourceKind(context)) << context;
    }
    EXPECT_EQ(resourceKind(-1), ResourceKind::other);
    for (const char* name : {"XMLHttpRequest", "script ", "media", ""}) {
        EXPECT_EQ(parseResourceKind(name), std::nullopt) << name;
    }
}

// The one-pass reading must agree with the pattern on every query, not just typical ones.
TEST(AssetRules, VersionQueryReadingAgreesWithThePattern) {
    std::mt19937 random(4);
    constexpr std::string_view kAlphabet = "_vVersion=&.-19aZ%+";
    for (int i = 0; i < 20000; ++i) {
        std::string query;
        const std::size_t length = random() % 14;
        for (std::size_t k = 0; k < length; ++k) query += kAlphabet[random() % kAlphabet.size()];
        ASSERT_EQ(isVersionQuery(query), std::regex_match(query, versionQueryPattern())) << query;
    }
}

}  // namespace
}  // namespace vesko
