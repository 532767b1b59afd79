#include "assets/asset_prefilter.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../bench/asset_request_mix.h"
#include "../../fuzz/asset_match_input.h"
#include "assets/asset_rules.h"

namespace vesko {
namespace {

TEST(RegexPrefilter, LiteralPrefixesOfPatterns) {
    struct Case {
        const char* pattern;
        std::vector<std::string> prefixes;
    };
    const Case kCases[] = {
        // Literal runs, escaped punctuation, a leading '^'.
        {R"(https://cdn\.jsdelivr\.net/npm/x@\d+)", {"https://cdn.jsdelivr.net/npm/x@"}},
        {R"(^https://h/a\.js$)", {"https://h/a.js"}},
        {R"(a\/b\-c\:d)", {"a/b-c:d"}},
        // A single optional literal splits the reading; too many stop it.
        {R"(https?://h/)", {"http://h/", "https://h/"}},
        {R"(a?b?c)", {"c", "ac", "bc", "abc"}},
        {R"(a?b?c?d)", {"", "a", "b", "ab"}},
        {R"(x\.?y)", {"xy", "x.y"}},
        // Quantified atoms are not required text.
        {R"(ab*c)", {"a"}},
        {R"(ab+c)", {"a"}},
        {R"(ab{2}c)", {"a"}},
        {R"(ab??c)", {"a"}},
        {R"(ab?*c)", {"a"}},
        // Groups, classes, wildcards, anchors and class escapes end the prefix.
        {R"(ab(?:cd)e)", {"ab"}},
        {R"(ab[cd]e)", {"ab"}},
        {R"(ab.e)", {"ab"}},
        {R"(ab$)", {"ab"}},
        {R"(ab\d)", {"ab"}},
        {R"(ab\bc)", {"ab"}},
        {R"(ab\x41)", {"ab"}},
        {R"(ab\u0041)", {"ab"}},
        {R"(ab\1)", {"ab"}},
        {R"(ab\_c)", {"ab"}},
        {R"(ab\)", {"ab"}},
        // Alternatives at the top level leave nothing; nested ones are fine.
        {R"(abc|abd)", {""}},
        {R"(ab(?:c|d))", {"ab"}},
        {R"(ab[|]c)", {"ab"}},
        {R"(ab\|c)", {"ab|c"}},
        {R"(ab(c)|d)", {""}},
        // Classes whose end is read differently by different libraries are not read at all.
        {R"(ab[]|c)", {""}},
        {R"(ab[^]|c)", {""}},
        {R"(ab[[:alpha:]]|c)", {""}},
        {R"(ab[\]|]c)", {"ab"}},
        // Unbalanced input gives nothing rather than a guess.
        {R"(ab)c)", {""}},
        {R"(a(b)", {""}},
        {R"(a[b)", {""}},
        {"", {""}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(regexLiteralPrefixes(c.pattern), c.prefixes);
    }
}

TEST(RegexPrefilter, VisitsCandidatesOnceInAscendingOrder) {
    RegexPrefilter prefilter;
    prefilter.add("https://a/x");   // 0
    prefilter.add(".*");            // 1: no prefix, always a candidate
    prefilter.add("https?://a/");   // 2: two prefixes
    prefilter.add("https://b/");    // 3
    prefilter.add("a?a?");          // 4: "a" reached twice
    prefilter.add("https://a/x/y"); // 5
    auto visited = [&](std::string_view text) {
        std::vector<std::size_t> positions;
        prefilter.forEachCandidate(text, [&](std::size_t p) {
            positions.push_back(p);
            return false;
        });
        return positions;
    };
    EXPECT_EQ(visited("https://a/x/y/z"), (std::vector<std::size_t>{0, 1, 2, 4, 5}));
    EXPECT_EQ(visited("http://a/"), (std::vector<std::size_t>{1, 2, 4}));
    EXPECT_EQ(visited("aa"), (std::vector<std::size_t>{1, 4}));
    EXPECT_EQ(visited("zzz"), (std::vector<std::size_t>{1, 4}));
    std::size_t stoppedAt = 99;
    EXPECT_TRUE(prefilter.forEachCandidate("https://a/x", [&](std::size_t p) {
        stoppedAt = p;
        return p == 2;
    }));
    EXPECT_EQ(stoppedAt, 2u);
}

// Many patterns sharing a prefix path: the merge must not lose or repeat any of them.
TEST(RegexPrefilter, MergesManyListsAlongOnePath) {
    RegexPrefilter prefilter;
    const std::string text = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (std::size_t i = 0; i <= text.size(); ++i) prefilter.add(text.substr(0, text.size() - i));
    std::vector<std::size_t> positions;
    prefilter.forEachCandidate(text, [&](std::size_t p) {
        positions.push_back(p);
        return false;
    });
    ASSERT_EQ(positions.size(), text.size() + 1);
    for (std::size_t i = 0; i < positions.size(); ++i) EXPECT_EQ(positions[i], i);
}

// Random patterns over a small alphabet: whenever the regex library says a text matches,
// the text must begin with one of the pattern's prefixes.
TEST(RegexPrefilter, PrefixesHoldForEveryMatchOfRandomPatterns) {
    static const char* const kPieces[] = {"a", "b", ".", "\\.", "a?", "b?", "a*", "b+", "(?:a|b)", "(a)", "[ab]",
                                          "[]", "[^]", "|", "^", "$", "\\d", "x{1,2}", "\\|", "(?:ab)?", "1"};
    std::mt19937 random(7);
    std::size_t matched = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string pattern;
        const int pieces = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < pieces; ++i) pattern += kPieces[random() % std::size(kPieces)];
        std::regex compiled;
        try {
            compiled.assign(pattern, std::regex::ECMAScript);
        } catch (const std::regex_error&) {
            continue;
        }
        const std::vector<std::string> prefixes = regexLiteralPrefixes(pattern);
        for (int t = 0; t < 40; ++t) {
            std::string text;
            const int length = static_cast<int>(random() % 6);
            for (int i = 0; i < length; ++i) text += "ab.1x|"[random() % 6];
            if (!std::regex_match(text, compiled)) continue;
            ++matched;
            bool begins = false;
            for (const std::string& prefix : prefixes) begins = begins || text.starts_with(prefix);
            ASSERT_TRUE(begins) << "pattern " << pattern << " matched " << text;
        }
    }
    EXPECT_GT(matched, 1000u);  // the property was exercised, not vacuously true
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void expectSameAnswers(const AssetPack& pack, std::string_view url, std::string_view method, std::string_view kind) {
    const AssetMatch fast = explainAssetMatch(pack, url, method, kind, RegexRuleScan::prefiltered);
    const AssetMatch plain = explainAssetMatch(pack, url, method, kind, RegexRuleScan::inOrder);
    EXPECT_EQ(fast.entry, plain.entry) << url;
    EXPECT_EQ(fast.step, plain.step) << url;
}

// The prefiltered walk against the plain in-order walk over the committed fuzz corpus and
// the benchmark's request mixes.
TEST(RegexPrefilter, AnswersLikeThePlainWalk) {
    const AssetPack pack = parseAssetPack(readBytes(VESKO_BINARY_DIR "/pack/vesko.pack"));
    std::size_t replayed = 0;
    for (const auto& file : std::filesystem::directory_iterator(VESKO_SOURCE_DIR "/fuzz/corpus/asset_match")) {
        const auto bytes = readBytes(file.path());
        const fuzzing::MatchInput input = fuzzing::decodeMatchInput(bytes.data(), bytes.size());
        if (input.prefixCheck) continue;
        expectSameAnswers(pack, input.url, input.method, input.kind);
        ++replayed;
    }
    EXPECT_GT(replayed, 100u);
    for (const bench::MixRequest& request : bench::defaultPackMix()) {
        expectSameAnswers(pack, request.url, "GET", request.kind);
    }
    for (std::size_t rules : {10u, 100u, 1000u}) {
        const AssetPack synthetic = parseAssetPack(bench::syntheticRegexPack(rules));
        std::size_t hits = 0;
        for (const bench::MixRequest& request : bench::syntheticMix(rules)) {
            expectSameAnswers(synthetic, request.url, "GET", request.kind);
            hits += matchAsset(synthetic, request.url, "GET", request.kind) != nullptr;
        }
        EXPECT_EQ(hits, 8u) << rules << " rules";
    }
}

}  // namespace
}  // namespace vesko
