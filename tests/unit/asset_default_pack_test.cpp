// The pack the build makes from pack/: it parses, every file is served by some rule,
// every rule answers some real CDN address, and the addresses in pack/cdn-addresses.json
// get the files, steps and media types written there.
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "assets/asset_pack.h"
#include "assets/asset_rules.h"

namespace vesko {
namespace {

using Json = nlohmann::ordered_json;

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const AssetPack& defaultPack() {
    static const AssetPack pack = parseAssetPack(readBytes(VESKO_BINARY_DIR "/pack/vesko.pack"));
    return pack;
}

Json addressTable() {
    const auto bytes = readBytes(VESKO_SOURCE_DIR "/pack/cdn-addresses.json");
    return Json::parse(bytes.begin(), bytes.end()).at("cases");
}

std::string expectedMime(std::string_view name) {
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    if (name.ends_with(".woff2")) return "font/woff2";
    return "?";
}

TEST(DefaultAssetPack, ParsesWithTheHookAndEveryFileServedByARule) {
    const AssetPack& pack = defaultPack();
    EXPECT_EQ(pack.fileCount + 1, pack.files.size());
    EXPECT_NE(zoneDiagnosticScript(pack).find("__KORDIS_LOCAL_DIAGNOSTICS_204__"), std::string::npos);

    std::set<std::string> used;
    for (const Json& rule : pack.ruleDocuments) {
        used.insert(rule.at("action").at("redirect").at("extensionPath").get<std::string>().substr(8));
    }
    for (const auto& [name, entry] : pack.files) {
        SCOPED_TRACE(name);
        EXPECT_EQ(entry.mime, expectedMime(name));
        EXPECT_GT(entry.size, 0u);
        EXPECT_EQ(used.count(name), name == kZoneDiagnosticFile ? 0u : 1u);
    }
    for (const std::string& name : used) EXPECT_EQ(pack.files.count(name), 1u) << name;
}

TEST(DefaultAssetPack, EveryExactRuleAnswersItsOwnAddress) {
    const AssetPack& pack = defaultPack();
    EXPECT_EQ(pack.exactRules.size() + pack.regexRules.size(), pack.ruleDocuments.size());
    for (const auto& [url, rule] : pack.exactRules) {
        SCOPED_TRACE(url);
        ASSERT_FALSE(rule.resourceTypes.empty());
        const AssetMatch match = explainAssetMatch(pack, url, "GET", *rule.resourceTypes.begin());
        ASSERT_NE(match.entry, nullptr);
        EXPECT_EQ(match.entry->name, rule.fileName);
        EXPECT_EQ(match.step, AssetMatchStep::exact);
    }
}

TEST(DefaultAssetPack, RealCdnAddressesGetTheRightFiles) {
    const AssetPack& pack = defaultPack();
    std::vector<bool> regexRuleUsed(pack.regexRules.size(), false);
    for (const Json& row : addressTable()) {
        const auto url = row.at(0).get<std::string>();
        const auto kind = row.at(1).get<std::string>();
        SCOPED_TRACE(url + " as " + kind);
        const AssetMatch match = explainAssetMatch(pack, url, "GET", kind);
        if (row.at(2).is_null()) {
            EXPECT_EQ(match.entry, nullptr) << match.entry->name;
            continue;
        }
        ASSERT_NE(match.entry, nullptr);
        EXPECT_EQ(match.entry->name, row.at(2).get<std::string>());
        EXPECT_EQ(assetMatchStepName(match.step), row.at(3).get<std::string>());
        EXPECT_EQ(match.entry->mime, expectedMime(match.entry->name));
        const auto bytes = assetBytes(pack, *match.entry);
        if (match.entry->name.ends_with(".woff2")) {
            EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "wOF2");
        }
        if (match.step == AssetMatchStep::regex) {
            for (std::size_t i = 0; i < pack.regexRules.size(); ++i) {
                const AssetRule& rule = pack.regexRules[i];
                if (rule.appliesTo(kind) && std::regex_match(url, *rule.pattern)) {
                    regexRuleUsed[i] = true;
                    break;
                }
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
