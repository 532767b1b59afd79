#include "assets/asset_rules.h"

#include <pthread.h>

#include <functional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "support/test_packs.h"
#include "policy/compiled_config.h"

namespace vesko {
namespace {

using testing::fileJson;
using testing::indexJson;
using testing::makePack;
using testing::ruleJson;

// {C} stands for a configured CDN host, {P} for the portal host.
std::string expand(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 3) == "{C}") {
            out += config::kCdnHosts[1];
            i += 2;
        } else if (text.substr(i, 3) == "{P}") {
            out += config::kPortalHost;
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string escapeRegex(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (std::string_view(".\\+*?[^]$(){}=!<>|:-/").find(c) != std::string_view::npos) out += "\\\\";
        out += c;
    }
    return out;
}

std::string exact(std::string_view file, std::string_view url, std::string_view kinds = "\"script\"") {
    return ruleJson(file, "\"urlFilter\": \"|" + expand(url) + "|\"", kinds);
}

std::string regex(std::string_view file, std::string_view pattern, std::string_view kinds = "\"script\"") {
    return ruleJson(file, "\"regexFilter\": \"" + expand(pattern) + "\"", kinds);
}

AssetPack rulesPack() {
    const std::string files = fileJson("served.js", 0, 1) + "," + fileJson("jquery.min.js", 1, 1) + "," +
                              fileJson("style.css", 2, 1, "text/css") + "," + fileJson("__zone_diagnostic.js", 3, 1) +
                              "," + fileJson("clip.mp4", 4, 1, "video/mp4");
    const std::string cdn = escapeRegex(expand("https://{C}"));
    const std::string rules =
        exact("served.js", "https://{C}/a/lib.js") + "," +
        exact("served.js", "https://{C}/a%20b/lib.js") + "," +
        exact("served.js", "https://{C}/") + "," +
        exact("served.js", "https://{C}/r/exact.js") + "," +
        exact("served.js", "https://{C}/t.js", "") + "," +
        exact("clip.mp4", "https://{C}/m.mp4", "\"other\"") + "," +
        exact("clip.mp4", "data:image/png;base64,AAAA", "\"image\"") + "," +
        exact("served.js", "https://{C}/img/lib.js", "\"image\", \"font\"") + "," +
        regex("style.css", cdn + "/r/.*\\\\.js") + "," +
        regex("jquery.min.js", cdn + "/r/special\\\\.js") + "," +
        regex("served.js", cdn + "/k/.*", "\"xmlhttprequest\"") + "," +
        regex("clip.mp4", cdn + "/k/thing");
    return parseAssetPack(makePack(indexJson(files, rules), "abcde"));
}

struct Case {
    const char* url;
    const char* method;
    const char* kind;
    const char* file;  // empty: none
    AssetMatchStep step;
};

using Step = AssetMatchStep;

const Case kCases[] = {
    // Method and kind gates.
    {"https://{C}/a/lib.js", "GET", "script", "served.js", Step::exact},
    {"https://{C}/a/lib.js", "POST", "script", "", Step::none},
    {"https://{C}/a/lib.js", "get", "script", "", Step::none},
    {"https://{C}/a/lib.js", "GET", "xmlhttprequest", "", Step::none},
    {"https://{C}/a/lib.js", "GET", "document", "", Step::none},
    {"https://{C}/any/jquery.min.js", "GET", "document", "", Step::none},
    {"https://{C}/t.js", "GET", "script", "", Step::none},
    {"https://{C}/img/lib.js", "GET", "font", "served.js", Step::exact},
    {"https://{C}/m.mp4", "GET", "other", "clip.mp4", Step::exact},
    // Fragments are cut before any lookup.
    {"https://{C}/a/lib.js#x", "GET", "script", "served.js", Step::exact},
    {"https://{C}/a/lib.js#", "GET", "script", "served.js", Step::exact},
    // Regular-expression rules: exact first, then the earliest rule whose kinds fit.
    {"https://{C}/r/exact.js", "GET", "script", "served.js", Step::exact},
    {"https://{C}/r/special.js", "GET", "script", "style.css", Step::regex},
    {"https://{C}/r/special.js#frag", "GET", "script", "style.css", Step::regex},
    {"https://{C}/k/thing", "GET", "xmlhttprequest", "served.js", Step::regex},
    {"https://{C}/k/thing", "GET", "script", "clip.mp4", Step::regex},
    {"https://{C}/k/thing", "GET", "image", "", Step::none},
    {"https://{C}/r/x.jsx", "GET", "script", "", Step::none},
    // Version-query fallback.
    {"https://{C}/a/lib.js?v=3.4.1", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}//a//lib.js?ver=1&_=2", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}/a/lib.js?version=1.0-rc_2&v=x", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}/a/lib.js?", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}:443/a/lib.js", "GET", "script", "served.js", Step::versionQuery},
    {"HTTPS://{C}/a/lib.js?v=1", "GET", "script", "served.js", Step::versionQuery},
    {"https://{C}/a/lib.js?v=1&x=2", "GET", "script", "", Step::none},
    {"https://{C}/a/lib.js?v=", "GET", "script", "", Step::none},
    {"https://{C}/a/lib.js?V=1", "GET", "script", "", Step::none},
    {"https://{C}/a/lib.js?v=1&", "GET", "script", "", Step::none},
    {"https://{C}/a/lib.js?v=1+2", "GET", "script", "", Step::none},
    {"https://{C}/a/lib.js?v=1", "GET", "xmlhttprequest", "", Step::none},
    {"http://{C}/a/lib.js?v=1", "GET", "script", "", Step::none},
    {"https://{C}:8443/a/lib.js", "GET", "script", "", Step::none},
    {"https://{C}/a%20b/lib.js", "GET", "script", "served.js", Step::exact},
    {"https://{C}/a%20b/lib.js?v=1", "GET", "script", "", Step::none},
    {"https://{C}/?v=1", "GET", "script", "", Step::none},
    {"https://{C}//?v=1", "GET", "script", "", Step::none},
    // File-name fallback.
    {"https://{C}/any/dir/jquery.min.js?x=1", "GET", "script", "jquery.min.js", Step::fileName},
    {"https://{C}/jquery.min.js", "GET", "image", "jquery.min.js", Step::fileName},
    {"https://{P}/js/jquery.min.js", "GET", "script", "jquery.min.js", Step::fileName},
    {"https://evil.example/any/dir/jquery.min.js", "GET", "script", "", Step::none},
    {"https://{C}/any/dir/jquery.min.js", "GET", "media", "", Step::none},
    {"https://{C}/any/Jquery.min.js", "GET", "script", "", Step::none},
    {"https://{C}/any/dir/", "GET", "script", "", Step::none},
    {"https://{C}/x/__zone_diagnostic.js", "GET", "script", "", Step::none},
    {"https://{C}/y/__zone_diagnostic.js", "GET", "script", "", Step::none},
    // Inline images pass the policy but only a rule can answer them.
    {"data:image/png;base64,AAAA", "GET", "image", "clip.mp4", Step::exact},
    {"data:image/png;base64,BBBB", "GET", "image", "", Step::none},
    {"data:text/javascript,1", "GET", "script", "", Step::none},
};

TEST(AssetRules, MatchesThroughTheFirstStepThatYieldsAFile) {
    const AssetPack pack = rulesPack();
    for (const Case& c : kCases) {
        const std::string url = expand(c.url);
        SCOPED_TRACE(url + " " + c.method + " " + c.kind);
        for (RegexRuleScan scan : {RegexRuleScan::prefiltered, RegexRuleScan::inOrder}) {
            const AssetMatch match = explainAssetMatch(pack, url, c.method, c.kind, scan);
            EXPECT_EQ(match.entry ? match.entry->name : std::string(), c.file);
            EXPECT_EQ(match.step, c.step);
        }
        const AssetEntry* entry = matchAsset(pack, url, c.method, c.kind);
        EXPECT_EQ(entry ? entry->name : std::string(), c.file);
        if (entry != nullptr) EXPECT_EQ(entry, &pack.files.at(entry->name));
    }
}

TEST(AssetRules, AnEmptyFileNameIsServedOnlyWhenThePackHasOne) {
    const AssetPack pack = parseAssetPack(makePack(indexJson(fileJson("", 0, 1), ""), "a"));
    const AssetEntry* entry = matchAsset(pack, expand("https://{C}/dir/"), "GET", "stylesheet");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, "");
}

// Runs `body` on a thread with the 1 MiB stack that a Windows UI thread gets by default.
void runOnSmallStack(const std::function<void()>& body) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 1 << 20), 0);
    pthread_t thread;
    auto call = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, call, const_cast<std::function<void()>*>(&body)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST(AssetRules, LongUrlsDoNotExhaustASmallStack) {
    const AssetPack pack = rulesPack();
    runOnSmallStack([&] {
        // A long cache-busting value: the regex library would recurse once per byte.
        const std::string longQuery = expand("https://{C}/a/lib.js?v=") + std::string(15000, '1');
        EXPECT_EQ(explainAssetMatch(pack, longQuery, "GET", "script").step, Step::versionQuery);
        const std::string manyParameters = expand("https://{C}/a/lib.js?v=1") + [] {
            std::string s;
            for (int i = 0; i < 3000; ++i) s += "&_=1";
            return s;
        }();
        EXPECT_EQ(explainAssetMatch(pack, manyParameters, "GET", "script").step, Step::versionQuery);
        // Regular-expression rules are tried up to the length limit and not beyond.
        const std::string prefix = expand("https://{C}/r/");
        const std::string atLimit = prefix + std::string(kMaxRegexUrlLength - prefix.size() - 3, 'a') + ".js";
        EXPECT_EQ(explainAssetMatch(pack, atLimit, "GET", "script").step, Step::regex);
        EXPECT_EQ(explainAssetMatch(pack, atLimit + "#" + std::string(10000, 'f'), "GET", "script").step, Step::regex);
        const std::string overLimit = prefix + std::string(15000, 'a') + ".js";
        EXPECT_EQ(explainAssetMatch(pack, overLimit, "GET", "script").step, Step::none);
    });
}

TEST(AssetRules, ResourceKindOfEachEngineContext) {
    struct KindCase {
        int context;
        const char* kind;
    };
    static constexpr KindCase kKinds[] = {
        {0, "other"},  {1, "document"},        {2, "stylesheet"},     {3, "image"}, {4, "other"},  {5, "font"},
        {6, "script"}, {7, "xmlhttprequest"},  {8, "xmlhttprequest"}, {9, "other"}, {10, "other"}, {11, "other"},
        {12, "other"}, {13, "other"},          {14, "other"},         {15, "other"}, {16, "other"}, {-1, "other"},
        {17, "other"},
    };
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.context);
        EXPECT_EQ(resourceKind(c.context), c.kind);
    }
}

// The one-pass reading must agree with the pattern on every query, not just typical ones.
TEST(AssetRules, VersionQueryReadingAgreesWithThePattern) {
    static constexpr const char* kQueries[] = {
        "v=3.4.1", "ver=5&_=123", "_=1", "version=a-b_c.d", "v=", "=1", "v", "v=1&", "&v=1", "v=1&&v=2",
        "v=1=2", "V=1", "vv=1", "v=1&x=2", "v=%31", "v=1 ", "ver=1&version=2&v=3&_=4", "", "v=é",
    };
    for (const char* query : kQueries) {
        SCOPED_TRACE(query);
        EXPECT_EQ(isVersionQuery(query), std::regex_match(std::string(query), versionQueryPattern()));
    }
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
