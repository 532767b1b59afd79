// Reading asset packs: the checks on made-up packs, then the pack the build makes from
// pack/ against the real CDN addresses in pack/cdn-addresses.json.
#include "assets/asset_pack.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/asset_rules.h"
#include "support/test_packs.h"

namespace vesko {
namespace {

using namespace testing;
using Json = nlohmann::ordered_json;

std::string exactRule(std::string_view file, std::string_view filter) {
    return ruleJson(file, "\"urlFilter\": \"" + std::string(filter) + "\"");
}

std::string redirectTo(std::string_view path) {
    return R"({"action": {"type": "redirect", "redirect": {"extensionPath": ")" + std::string(path) + "\"}}}";
}

std::vector<std::uint8_t> oneFile(std::string_view file, std::string_view rules = "") {
    return makePack(indexJson(file, rules), "abc");
}

// An index of `length` bytes (JSON allows trailing white space) with arrays `depth` deep.
std::vector<std::uint8_t> indexed(std::size_t length, std::size_t depth = 1) {
    std::string text = R"({"schema": "vesko-assets-v1", "files": [], "rules": [], "x": )" + std::string(depth, '[') +
                       std::string(depth, ']') + "}";
    return makePack(text + std::string(length - text.size(), ' '));
}

// The error text, "regex error", or "" when the pack is read.
std::string failureOf(const std::vector<std::uint8_t>& bytes) try {
    parseAssetPack(bytes);
    return "";
} catch (const std::regex_error&) {
    return "regex error";
} catch (const std::exception& e) {
    return e.what();
}

const std::string kFileA = fileJson("a.js", 0, 3);

TEST(AssetPack, ParsesOrFailsWithTheFirstProblem) {
    const std::string kParseError = "[json.exception.parse_error";
    const std::string kTypeError = "[json.exception.type_error";
    // The failure is "" for a pack that is read, else how the error text starts.
    const struct { const char* name; std::vector<std::uint8_t> pack; std::string failure; } cases[] = {
        // Header and index length.
        {"11 bytes", [] { auto p = makePack(""); p.resize(11); return p; }(), "BAD_ASSET_PACK"},
        {"wrong magic", makePack(indexJson("", ""), "", "VESKOP02"), "BAD_ASSET_PACK"},
        {"index length at the limit", indexed(4194304), ""},
        {"index length over the limit", indexed(4194305), "BAD_ASSET_PACK"},
        {"index length beyond the pack", [] { auto p = testing::minimalPack(); ++p[8]; return p; }(), "BAD_ASSET_PACK"},
        {"empty index", makePack(""), kParseError},
        {"comment in the index", makePack("/**/" + indexJson("", "")), kParseError},
        {"another schema", makePack(R"({"schema": "vesko-assets-v2", "files": [], "rules": []})"), "BAD_ASSET_PACK"},
        {"nested to the limit", indexed(200, 63), ""},
        {"nested one level deeper", indexed(200, 64), "BAD_ASSET_PACK"},
        // Files.
        {"files an object", makePack(R"({"schema": "vesko-assets-v1", "files": {}, "rules": []})"), kTypeError},
        {"offset at the end, size 0", oneFile(fileJson("a.js", 3, 0)), ""},
        {"offset at the end, size 1", oneFile(fileJson("a.js", 3, 1)), "BAD_ASSET_INDEX"},
        {"offset past the end", oneFile(fileJson("a.js", 4, 0)), "BAD_ASSET_INDEX"},
        {"size wraps around", oneFile(fileJson("a.js", 1, 18446744073709551615ull)), "BAD_ASSET_INDEX"},
        {"offset fractional", oneFile(R"({"name": "a.js", "mime": "x", "offset": 1.5, "size": 1})"), kTypeError},
        {"slash in a name", oneFile(fileJson("a/b.js", 0, 1)), "BAD_ASSET_INDEX"},
        {"backslash in a name", oneFile(fileJson("a\\\\b.js", 0, 1)), "BAD_ASSET_INDEX"},
        {"repeated name", oneFile(kFileA + "," + kFileA), "BAD_ASSET_INDEX"},
        // Rules.
        {"rules missing", makePack(R"({"schema": "vesko-assets-v1", "files": []})"), "[json.exception.out_of_range"},
        {"action not redirect", oneFile(kFileA, R"({"action": {"type": "block"}, "condition": {}})"), "BAD_ASSET_RULE"},
        {"path /assets", oneFile(kFileA, redirectTo("/assets")), "BAD_ASSET_RULE"},
        {"path /Assets/", oneFile(kFileA, redirectTo("/Assets/a.js")), "BAD_ASSET_RULE"},
        {"file not in the pack", oneFile(kFileA, exactRule("absent.js", "|https://h/x.js|")), "MISSING_ASSET"},
        {"url filter ||", oneFile(kFileA, exactRule("a.js", "||")), "UNSUPPORTED_URL_FILTER"},
        {"url filter |||", oneFile(kFileA, exactRule("a.js", "|||")), ""},
        {"url filter unclosed", oneFile(kFileA, exactRule("a.js", "|https://h/x.js")), "UNSUPPORTED_URL_FILTER"},
        {"no filter", oneFile(kFileA, ruleJson("a.js", "\"x\": 1")), "UNSUPPORTED_ASSET_RULE"},
        {"malformed regex", oneFile(kFileA, ruleJson("a.js", "\"regexFilter\": \"https://(x\"")), "regex error"},
        // The first problem in the order of reading wins.
        {"file before rule", oneFile(fileJson("a/b.js", 0, 1), exactRule("absent.js", "||")), "BAD_ASSET_INDEX"},
        {"missing file before bad filter", oneFile(kFileA, exactRule("absent.js", "||")), "MISSING_ASSET"},
    };
    for (const auto& c : cases) {
        const std::string failure = failureOf(c.pack);
        EXPECT_EQ(c.failure.empty() ? failure : failure.substr(0, c.failure.size()), c.failure) << c.name;
    }
}

TEST(AssetPack, BuildsTheTablesInIndexOrder) {
    const std::string files = kFileA + "," + fileJson("b.js", 1, 2, "text/css") + "," +
                              fileJson("__zone_diagnostic.js", 0, 3);
    const std::string rules =
        exactRule("a.js", "|https://h/x.js|") + "," + exactRule("b.js", "|https://h/x.js|") + "," +
        ruleJson("b.js", "\"regexFilter\": \"https://h/2\"") + "," +
        ruleJson("a.js", "\"regexFilter\": \"https://h/1\", \"urlFilter\": \"|https://h/y|\"") + "," +
        ruleJson("a.js", "\"regexFilter\": \"https://h/3\"", "\"font\", \"font\", \"image\"");
    const AssetPack pack = parseAssetPack(makePack(indexJson(files, rules), "abc"));

    EXPECT_EQ(pack.fileCount, 2u);  // the diagnostic hook is not counted
    EXPECT_EQ(pack.files.at("b.js"), (AssetEntry{"b.js", "text/css", 1, 2}));
    EXPECT_EQ(zoneDiagnosticScript(pack), "abc");
    const auto bytes = assetBytes(pack, pack.files.at("b.js"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "bc");
    // The first rule for a URL is the one kept; with both filters the exact one is used.
    ASSERT_EQ(pack.exactRules.size(), 2u);
    EXPECT_EQ(pack.exactRules.at("https://h/x.js").fileName, "a.js");
    EXPECT_EQ(pack.exactRules.at("https://h/y").fileName, "a.js");
    ASSERT_EQ(pack.regexRules.size(), 2u);
    EXPECT_EQ(pack.regexRules[0].patternText, "https://h/2");
    EXPECT_EQ(pack.regexRules[1].resourceTypes, (std::set<std::string, std::less<>>{"font", "image"}));
    EXPECT_EQ(pack.ruleDocuments.size(), 5u);

    EXPECT_THROW(zoneDiagnosticScript(parseAssetPack(oneFile(kFileA))), std::runtime_error);
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const AssetPack& defaultPack() {
    static const AssetPack pack = parseAssetPack(readBytes(VESKO_BINARY_DIR "/pack/vesko.pack"));
    return pack;
}

std::string expectedMime(std::string_view name) {
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    if (name.ends_with(".woff2")) return "font/woff2";
    return "?";
}

// (The pack builder itself refuses files that no rule serves and rules that serve the hook.)
TEST(DefaultAssetPack, EveryFileHasItsMediaTypeAndEveryExactRuleAnswersItsOwnAddress) {
    const AssetPack& pack = defaultPack();
    for (const auto& [name, entry] : pack.files) {
        EXPECT_EQ(entry.mime, expectedMime(name)) << name;
        EXPECT_GT(entry.size, 0u) << name;
    }
    for (const auto& [url, rule] : pack.exactRules) {
        const ResourceKind kind = parseResourceKind(*rule.resourceTypes.begin()).value();
        const AssetMatch match = explainAssetMatch(pack, url, "GET", kind);
        ASSERT_NE(match.entry, nullptr) << url;
        EXPECT_EQ(match.entry->name, rule.fileName) << url;
        EXPECT_EQ(match.step, AssetMatchStep::exact) << url;
    }
}

TEST(DefaultAssetPack, RealCdnAddressesGetTheRightFiles) {
    const AssetPack& pack = defaultPack();
    const auto bytes = readBytes(VESKO_SOURCE_DIR "/pack/cdn-addresses.json");
    const Json table = Json::parse(bytes.begin(), bytes.end());
    std::vector<bool> regexRuleUsed(pack.regexRules.size(), false);
    for (const Json& row : table.at("cases")) {
        const auto url = row.at(0).get<std::string>();
        const auto kindName = row.at(1).get<std::string>();
        SCOPED_TRACE(url + " as " + kindName);
        const ResourceKind kind = parseResourceKind(kindName).value();
        const AssetMatch match = explainAssetMatch(pack, url, "GET", kind);
        if (row.at(2).is_null()) {
            EXPECT_EQ(match.entry, nullptr);
            continue;
        }
        ASSERT_NE(match.entry, nullptr);
        EXPECT_EQ(match.entry->name, row.at(2).get<std::string>());
        EXPECT_EQ(assetMatchStepName(match.step), row.at(3).get<std::string>());
        const auto file = assetBytes(pack, *match.entry);
        if (match.entry->name.ends_with(".woff2")) EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "wOF2");
        for (std::size_t i = 0; match.step == AssetMatchStep::regex && i < pack.regexRules.size(); ++i) {
            const AssetRule& rule = pack.regexRules[i];
            if (rule.appliesTo(kind) && std::regex_match(url, *rule.pattern)) {
                regexRuleUsed[i] = true;
                break;
            }
        }
    }
    // Every regular-expression rule answers at least one real address of the table.
    for (std::size_t i = 0; i < pack.regexRules.size(); ++i) {
        EXPECT_TRUE(regexRuleUsed[i]) << "no address in the table reaches " << pack.regexRules[i].patternText;
    }
}

}  // namespace
}  // namespace vesko
