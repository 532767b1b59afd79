// The regular-expression rules: what a filter may hold, the literal prefixes read from it,
// and the prefilter that skips rules whose prefix a URL lacks.
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../bench/asset_request_mix.h"
#include "assets/asset_prefilter.h"
#include "assets/asset_rules.h"
#include "assets/regex_filter.h"

namespace vesko {
namespace {

TEST(RegexFilter, RefusesOnlyNumbersTheLibraryWouldOverflow) {
    static constexpr struct { const char* pattern; bool fits; } kCases[] = {
        {R"(https://h/12345678901234567890\.js)", true},  // a literal digit run
        {R"((a)\123456789)", true}, {R"((a)\1234567890)", false}, {R"(a{123456789})", true},
        {R"(a{1,1234567890})", false}, {R"(a{2,3}b,12345678901234)", true},  // the comma after the brace is literal
        {R"(\\12345678901234)", true},        // an escaped backslash, then literal digits
        {R"(x\)", true},
    };
    for (const auto& c : kCases) EXPECT_EQ(regexNumbersFit(c.pattern), c.fits) << c.pattern;
    EXPECT_TRUE(std::regex_match("https://h/a-1.js", compileRegexFilter(R"(https://h/a-\d\.js)")));
    EXPECT_NO_THROW(compileRegexFilter(std::string(1024, 'a')));
    for (const std::string pattern : {std::string(1025, 'a'), std::string(R"((a)\2222222222222222222222)")}) {
        try {
            compileRegexFilter(pattern);
            ADD_FAILURE() << "compiled " << pattern.substr(0, 40);
        } catch (const std::regex_error& e) {
            EXPECT_EQ(e.code(), std::regex_constants::error_complexity);
        }
    }
    EXPECT_THROW(compileRegexFilter("https://(x"), std::regex_error);
}

TEST(RegexPrefilter, LiteralPrefixesOfPatterns) {
    const struct { const char* pattern; std::vector<std::string> prefixes; } kCases[] = {
        // Literal runs, escaped punctuation, a leading '^'; class escapes end the prefix.
        {R"(^https://cdn\.jsdelivr\.net/npm/x@\d+)", {"https://cdn.jsdelivr.net/npm/x@"}},
        {R"(ab\_c)", {"ab"}}, {R"(ab\)", {"ab"}},
        // A single optional literal splits the reading; too many stop it.
        {R"(https?://h/)", {"http://h/", "https://h/"}},
        {R"(a?b?c?d)", {"", "a", "b", "ab"}},
        // Other quantified atoms are not required text.
        {R"(ab*c)", {"a"}}, {R"(ab??c)", {"a"}},
        // Groups end the prefix; alternatives at the top level leave nothing, nested ones are fine.
        {R"(ab(c|d)e)", {"ab"}}, {R"(abc|abd)", {""}}, {R"(ab\|c)", {"ab|c"}}, {R"(ab[|]c)", {"ab"}},
        // Classes whose end is read differently by different libraries are not read at all.
        {R"(ab[]x]c)", {""}}, {R"(ab[[:alpha:]]c)", {""}}, {R"(ab[\]|]c)", {"ab"}},
        // Unbalanced input gives nothing rather than a guess.
        {R"(ab)c)", {""}}, {R"(a(b)", {""}}, {R"(a[b)", {""}}, {"", {""}},
    };
    for (const auto& c : kCases) EXPECT_EQ(regexLiteralPrefixes(c.pattern), c.prefixes) << c.pattern;
}

std::vector<std::size_t> candidates(const RegexPrefilter& prefilter, std::string_view text) {
    std::vector<std::size_t> positions;
    prefilter.forEachCandidate(text, [&](std::size_t p) {
        positions.push_back(p);
        return false;
    });
    return positions;
}

TEST(RegexPrefilter, VisitsCandidatesOnceInAscendingOrder) {
    RegexPrefilter prefilter;
    for (const char* pattern : {"https://a/x", ".*", "https?://a/", "https://b/", "a?a?", "https://a/x/y"}) {
        prefilter.add(pattern);
    }
    EXPECT_EQ(candidates(prefilter, "https://a/x/y/z"), (std::vector<std::size_t>{0, 1, 2, 4, 5}));
    EXPECT_EQ(candidates(prefilter, "http://a/"), (std::vector<std::size_t>{1, 2, 4}));
    EXPECT_EQ(candidates(prefilter, "aa"), (std::vector<std::size_t>{1, 4}));
    std::size_t stoppedAt = 99;
    EXPECT_TRUE(prefilter.forEachCandidate("https://a/x", [&](std::size_t p) { return (stoppedAt = p) == 2; }));
    EXPECT_EQ(stoppedAt, 2u);

    // Many patterns along one path: more lists than the merge keeps inline.
    RegexPrefilter nested;
    const std::string text = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        nested.add(text.substr(0, text.size() - i));
        all.push_back(i);
    }
    EXPECT_EQ(candidates(nested, text), all);
}

// The prefiltered walk against the plain in-order walk over the benchmark's request mixes:
// the default pack and synthetic packs of many regular-expression rules. (The fuzz target
// asset_match_fuzz does the same over its corpus.)
TEST(RegexPrefilter, AnswersLikeThePlainWalk) {
    const auto expectSameAnswers = [](const AssetPack& pack, const std::vector<bench::MixRequest>& mix) {
        for (const auto& [url, kind] : mix) {
            const AssetMatch fast = explainAssetMatch(pack, url, "GET", kind, RegexRuleScan::prefiltered);
            const AssetMatch plain = explainAssetMatch(pack, url, "GET", kind, RegexRuleScan::inOrder);
            EXPECT_EQ(fast.entry, plain.entry) << url;
            EXPECT_EQ(fast.step, plain.step) << url;
        }
    };
    std::ifstream in(VESKO_BINARY_DIR "/pack/vesko.pack", std::ios::binary);
    expectSameAnswers(parseAssetPack({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}),
                      bench::defaultPackMix());
    for (std::size_t rules : {10u, 1000u}) {
        expectSameAnswers(parseAssetPack(bench::syntheticRegexPack(rules)), bench::syntheticMix(rules));
    }
}

}  // namespace
}  // namespace vesko
