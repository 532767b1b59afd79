#include "assets/asset_pack.h"

#include <functional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_packs.h"

namespace vesko {
namespace {

using testing::fileJson;
using testing::indexJson;
using testing::makePack;
using testing::ruleJson;
using Json = nlohmann::ordered_json;

enum class Outcome { ok, code, jsonParse, jsonType, jsonMissing, regex };

struct Case {
    const char* name;
    std::function<std::vector<std::uint8_t>()> pack;
    Outcome outcome;
    const char* code = "";
};

std::string exactRule(std::string_view file, std::string_view url) {
    return ruleJson(file, "\"urlFilter\": \"" + std::string(url) + "\"");
}

std::vector<std::uint8_t> oneFile(std::string_view file, std::string_view rules = "", std::string_view data = "abc") {
    return makePack(indexJson(file, rules), data);
}

std::vector<std::uint8_t> indexOfLength(std::size_t length, std::size_t extra = 0) {
    std::string index = indexJson("", "");
    index.resize(length, ' ');  // JSON allows trailing white space
    return makePack(index, std::string(extra, 'x'));
}

// A rule with an extra member nested `depth` arrays deep.
std::vector<std::uint8_t> deepRule(std::size_t depth) {
    std::string rule = ruleJson("a.js", "\"urlFilter\": \"|https://h/a.js|\"");
    rule.pop_back();
    rule += ", \"note\": " + std::string(depth, '[') + std::string(depth, ']') + "}";
    return oneFile(fileJson("a.js", 0, 3), rule);
}

const std::string kFileA = fileJson("a.js", 0, 3);

const Case kCases[] = {
    // Header and index length.
    {"11 bytes", [] { auto p = makePack(""); p.resize(11); return p; }, Outcome::code, "BAD_ASSET_PACK"},
    {"wrong magic", [] { return makePack(indexJson("", ""), "", "VESKOP02"); }, Outcome::code, "BAD_ASSET_PACK"},
    {"L at the limit", [] { return indexOfLength(4194304); }, Outcome::ok},
    {"L over the limit", [] { return indexOfLength(4194305); }, Outcome::code, "BAD_ASSET_PACK"},
    {"L beyond the pack", [] { auto p = makePack(indexJson("", "")); p[8] += 1; return p; }, Outcome::code, "BAD_ASSET_PACK"},
    {"L zero", [] { return makePack(""); }, Outcome::jsonParse},
    {"comment in index", [] { return makePack("/**/" + indexJson("", "")); }, Outcome::jsonParse},
    {"index not an object", [] { return makePack("[]"); }, Outcome::jsonType},
    {"schema missing", [] { return makePack(R"({"files": [], "rules": []})"); }, Outcome::code, "BAD_ASSET_PACK"},
    {"schema v2", [] { return makePack(R"({"schema": "vesko-assets-v2", "files": [], "rules": []})"); }, Outcome::code, "BAD_ASSET_PACK"},
    {"schema not a string", [] { return makePack(R"({"schema": 1, "files": [], "rules": []})"); }, Outcome::jsonType},
    {"index nested too deep", [] { return deepRule(100000); }, Outcome::code, "BAD_ASSET_PACK"},
    {"index nested moderately", [] { return deepRule(50); }, Outcome::ok},

    // Files.
    {"files missing", [] { return makePack(R"({"schema": "vesko-assets-v1", "rules": []})"); }, Outcome::jsonMissing},
    {"files an object", [] { return makePack(R"({"schema": "vesko-assets-v1", "files": {"a": )" + kFileA + R"(}, "rules": []})", "abc"); }, Outcome::jsonType},
    {"offset at the end, size 0", [] { return oneFile(fileJson("a.js", 3, 0)); }, Outcome::ok},
    {"offset at the end, size 1", [] { return oneFile(fileJson("a.js", 3, 1)); }, Outcome::code, "BAD_ASSET_INDEX"},
    {"offset past the end", [] { return oneFile(fileJson("a.js", 4, 0)); }, Outcome::code, "BAD_ASSET_INDEX"},
    {"size wraps around", [] { return oneFile(fileJson("a.js", 1, 18446744073709551615ull)); }, Outcome::code, "BAD_ASSET_INDEX"},
    {"slash in name", [] { return oneFile(fileJson("a/b.js", 0, 1)); }, Outcome::code, "BAD_ASSET_INDEX"},
    {"backslash in name", [] { return oneFile(fileJson("a\\\\b.js", 0, 1)); }, Outcome::code, "BAD_ASSET_INDEX"},
    {"empty name", [] { return oneFile(fileJson("", 0, 1)); }, Outcome::ok},
    {"repeated name", [] { return oneFile(kFileA + "," + kFileA); }, Outcome::code, "BAD_ASSET_INDEX"},
    {"size missing", [] { return oneFile(R"({"name": "a.js", "mime": "x", "offset": 0})"); }, Outcome::jsonMissing},
    {"mime a number", [] { return oneFile(R"({"name": "a.js", "mime": 5, "offset": 0, "size": 1})"); }, Outcome::jsonType},
    {"offset fractional", [] { return oneFile(R"({"name": "a.js", "mime": "x", "offset": 1.5, "size": 1})"); }, Outcome::jsonType},
    {"offset negative", [] { return oneFile(R"({"name": "a.js", "mime": "x", "offset": -1, "size": 0})"); }, Outcome::jsonType},
    {"size boolean", [] { return oneFile(R"({"name": "a.js", "mime": "x", "offset": 0, "size": true})"); }, Outcome::jsonType},

    // Rules.
    {"rules missing", [] { return makePack(R"({"schema": "vesko-assets-v1", "files": []})"); }, Outcome::jsonMissing},
    {"action not redirect", [] { return oneFile(kFileA, R"({"action": {"type": "block"}, "condition": {}})"); }, Outcome::code, "BAD_ASSET_RULE"},
    {"action without type", [] { return oneFile(kFileA, R"({"action": {}, "condition": {}})"); }, Outcome::code, "BAD_ASSET_RULE"},
    {"action not an object", [] { return oneFile(kFileA, R"({"action": "redirect", "condition": {}})"); }, Outcome::jsonType},
    {"rule without action", [] { return oneFile(kFileA, R"({"condition": {}})"); }, Outcome::jsonMissing},
    {"path /assets", [] { return oneFile(kFileA, R"({"action": {"type": "redirect", "redirect": {"extensionPath": "/assets"}}})"); }, Outcome::code, "BAD_ASSET_RULE"},
    {"path upper case", [] { return oneFile(kFileA, R"({"action": {"type": "redirect", "redirect": {"extensionPath": "/Assets/a.js"}}})"); }, Outcome::code, "BAD_ASSET_RULE"},
    {"absent file", [] { return oneFile(kFileA, exactRule("absent.js", "|https://h/x.js|")); }, Outcome::code, "MISSING_ASSET"},
    {"kind not a string", [] { return oneFile(kFileA, ruleJson("a.js", "\"urlFilter\": \"|h|\"", "1")); }, Outcome::jsonType},
    {"url filter ||", [] { return oneFile(kFileA, exactRule("a.js", "||")); }, Outcome::code, "UNSUPPORTED_URL_FILTER"},
    {"url filter |||", [] { return oneFile(kFileA, exactRule("a.js", "|||")); }, Outcome::ok},
    {"url filter unclosed", [] { return oneFile(kFileA, exactRule("a.js", "|https://h/x.js")); }, Outcome::code, "UNSUPPORTED_URL_FILTER"},
    {"no filter", [] { return oneFile(kFileA, ruleJson("a.js", "\"x\": 1")); }, Outcome::code, "UNSUPPORTED_ASSET_RULE"},
    {"malformed regex", [] { return oneFile(kFileA, ruleJson("a.js", "\"regexFilter\": \"https://(x\"")); }, Outcome::regex},
    {"overlong regex", [] { return oneFile(kFileA, ruleJson("a.js", "\"regexFilter\": \"" + std::string(1025, 'a') + "\"")); }, Outcome::regex},
    {"back-reference number past an int", [] { return oneFile(kFileA, ruleJson("a.js", "\"regexFilter\": \"(a)\\\\2222222222222222222222\"")); }, Outcome::regex},
    {"repetition count past an int", [] { return oneFile(kFileA, ruleJson("a.js", "\"regexFilter\": \"a{1,99999999999999999999}\"")); }, Outcome::regex},
    {"regex at the length limit", [] { return oneFile(kFileA, ruleJson("a.js", "\"regexFilter\": \"" + std::string(1024, 'a') + "\"")); }, Outcome::ok},

    // The first problem in the order of reading wins.
    {"header before index", [] { return makePack("{", "", "VESKOP02"); }, Outcome::code, "BAD_ASSET_PACK"},
    {"file before rule", [] { return oneFile(fileJson("a/b.js", 0, 1), exactRule("absent.js", "||")); }, Outcome::code, "BAD_ASSET_INDEX"},
    {"earlier rule first", [] { return oneFile(kFileA, exactRule("a.js", "|x") + "," + exactRule("absent.js", "|h|")); }, Outcome::code, "UNSUPPORTED_URL_FILTER"},
    {"missing file before bad filter", [] { return oneFile(kFileA, exactRule("absent.js", "||")); }, Outcome::code, "MISSING_ASSET"},
};

TEST(AssetPack, ParsesOrFailsWithTheFirstProblem) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> bytes = c.pack();
        switch (c.outcome) {
        case Outcome::ok:
            EXPECT_NO_THROW(parseAssetPack(bytes));
            break;
        case Outcome::code:
            try {
                parseAssetPack(bytes);
                ADD_FAILURE() << "no error, expected " << c.code;
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), c.code);
            }
            break;
        case Outcome::jsonParse:
            EXPECT_THROW(parseAssetPack(bytes), Json::parse_error);
            break;
        case Outcome::jsonType:
            EXPECT_THROW(parseAssetPack(bytes), Json::type_error);
            break;
        case Outcome::jsonMissing:
            EXPECT_THROW(parseAssetPack(bytes), Json::out_of_range);
            break;
        case Outcome::regex:
            EXPECT_THROW(parseAssetPack(bytes), std::regex_error);
            break;
        }
    }
}

TEST(AssetPack, BuildsTheTablesInIndexOrder) {
    const std::string files = kFileA + "," + fileJson("b.js", 1, 2, "text/css") + "," +
                              fileJson("__zone_diagnostic.js", 0, 3);
    const std::string rules = exactRule("a.js", "|https://h/x.js|") + "," +
                              ruleJson("b.js", "\"urlFilter\": \"|https://h/x.js|\"", "\"image\"") + "," +
                              ruleJson("b.js", "\"regexFilter\": \"https://h/2\"") + "," +
                              ruleJson("a.js", "\"regexFilter\": \"https://h/1\", \"urlFilter\": \"|https://h/y|\"") + "," +
                              ruleJson("a.js", "\"regexFilter\": \"https://h/3\"", "\"font\", \"font\", \"image\"");
    const AssetPack pack = parseAssetPack(makePack(indexJson(files, rules), "abc"));

    EXPECT_EQ(pack.fileCount, 2u);
    EXPECT_EQ(pack.files.size(), 3u);
    EXPECT_EQ(pack.dataOffset, 12 + indexJson(files, rules).size());
    EXPECT_EQ(pack.files.at("b.js"), (AssetEntry{"b.js", "text/css", 1, 2}));

    // The first rule for a URL is the one kept; both stay among the documents.
    ASSERT_EQ(pack.exactRules.size(), 2u);
    EXPECT_EQ(pack.exactRules.at("https://h/x.js").fileName, "a.js");
    EXPECT_EQ(pack.exactRules.at("https://h/x.js").resourceTypes, (std::set<std::string, std::less<>>{"script"}));
    // With both filters the exact one is used.
    EXPECT_EQ(pack.exactRules.at("https://h/y").fileName, "a.js");
    ASSERT_EQ(pack.regexRules.size(), 2u);
    EXPECT_EQ(pack.regexRules[0].patternText, "https://h/2");
    EXPECT_EQ(pack.regexRules[1].resourceTypes, (std::set<std::string, std::less<>>{"font", "image"}));
    ASSERT_EQ(pack.ruleDocuments.size(), 5u);
    EXPECT_EQ(pack.ruleDocuments[1].at("condition").at("resourceTypes")[0], "image");
    EXPECT_EQ(pack.regexPrefilter.size(), 2u);
}

TEST(AssetPack, OnlyTheDiagnosticHookIsNotCounted) {
    const AssetPack pack = parseAssetPack(makePack(indexJson(fileJson("__zone_diagnostic.js", 0, 3), ""), "abc"));
    EXPECT_EQ(pack.fileCount, 0u);
    EXPECT_EQ(zoneDiagnosticScript(pack), "abc");
}

TEST(AssetPack, ServesFileBytesStraightOutOfThePack) {
    const AssetPack pack = parseAssetPack(makePack(indexJson(fileJson("b.js", 2, 3), ""), "..xyz."));
    const auto bytes = assetBytes(pack, pack.files.at("b.js"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "xyz");
    EXPECT_EQ(bytes.data(), pack.packBytes.data() + pack.dataOffset + 2);
}

TEST(AssetPack, MissingDiagnosticHookIsAnError) {
    const AssetPack pack = parseAssetPack(makePack(indexJson(kFileA, ""), "abc"));
    try {
        zoneDiagnosticScript(pack);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "MISSING_ASSET");
    }
}

}  // namespace
}  // namespace vesko
