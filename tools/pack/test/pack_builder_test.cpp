#include "pack_builder.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/asset_pack.h"

namespace vesko::pack {
namespace {

using Json = nlohmann::ordered_json;

// Sources served from memory; an unknown source cannot be read.
std::vector<std::uint8_t> readSource(const std::string& source) {
    static const std::map<std::string, std::string> kSources = {
        {"a.js", "alert(1);"}, {"b.css", "body{}"}, {"hook.js", "window.x=1;"}};
    const auto it = kSources.find(source);
    if (it == kSources.end()) throw std::runtime_error("cannot read " + source);
    return {it->second.begin(), it->second.end()};
}

const Json kManifest = Json::parse(R"({
  "files": [
    {"source": "a.js", "name": "a.js", "mime": "text/javascript"},
    {"source": "b.css", "name": "b.css", "mime": "text/css"},
    {"source": "hook.js", "name": "__zone_diagnostic.js", "mime": "text/javascript"}
  ],
  "rules": [
    {"action": {"type": "redirect", "redirect": {"extensionPath": "/assets/a.js"}},
     "condition": {"urlFilter": "|https://cdn.jsdelivr.net/npm/a@1/a.js|", "resourceTypes": ["script"]}},
    {"action": {"type": "redirect", "redirect": {"extensionPath": "/assets/b.css"}},
     "condition": {"regexFilter": "https://unpkg\\.com/b@\\d+/b\\.css", "resourceTypes": ["stylesheet"]}}
  ]
})");

TEST(PackBuilder, LaysOutTheFilesInManifestOrder) {
    const PackBuild build = assemblePack(kManifest, readSource);
    ASSERT_TRUE(build.problems.empty()) << build.problems.front();
    const AssetPack pack = parseAssetPack(build.bytes);
    EXPECT_EQ(pack.files.at("b.css"), (AssetEntry{"b.css", "text/css", 9, 6}));
    EXPECT_EQ(zoneDiagnosticScript(pack), "window.x=1;");
    EXPECT_EQ(pack.ruleDocuments, kManifest.at("rules").get<std::vector<Json>>());
}

Json replace(const std::string& path, const Json& value) {
    return {{"op", "replace"}, {"path", path}, {"value", value}};
}

// Each case breaks the valid manifest in one way (a JSON patch); the report must name the
// file or rule concerned and the build must write nothing.
TEST(PackBuilder, ReportsEachProblemWithWhatItConcerns) {
    const std::string rule1 = "rule 1 (|https://cdn.jsdelivr.net/npm/a@1/a.js|): ";
    const std::string rule2 = R"(rule 2 (https://unpkg\.com/b@\d+/b\.css): )";
    const std::string path0 = "/rules/0/action/redirect/extensionPath";
    const std::string path1 = "/rules/1/action/redirect/extensionPath";
    const std::string kinds = "/rules/1/condition/resourceTypes";
    const std::string regex2 = "/rules/1/condition/regexFilter";
    const Json removeRule2 = {{"op", "remove"}, {"path", "/rules/1"}};
    // The expected text begins one of the problems reported.
    const struct { std::vector<Json> patch; std::string expected; } cases[] = {
        {{replace("/files/1/source", "gone.css")}, "file 2 \"b.css\": cannot read gone.css"},
        {{replace("/files/0/name", "x/a.js")}, "file 1 \"x/a.js\": the name contains"},
        {{replace("/files/1/name", "a.js"), removeRule2}, "file 2 \"a.js\": the name repeats file 1"},
        {{removeRule2}, "file 2 \"b.css\": no rule serves it"},
        {{replace("/rules/0/action/type", "block")}, rule1 + R"("action"."type" must be "redirect")"},
        {{replace(path1, "/Assets/b.css")}, rule2 + R"("action"."redirect"."extensionPath" must begin)"},
        {{replace(path1, "/assets/c.css")}, rule2 + R"("/assets/c.css" names no file)"},
        {{replace(path0, "/assets/__zone_diagnostic.js")}, rule1 + "the diagnostic hook must never be served"},
        {{replace("/rules/0/condition/urlFilter", "||")}, R"(rule 1 (||): "urlFilter" must be '|' URL '|')"},
        {{{{"op", "copy"}, {"from", "/rules/0"}, {"path", "/rules/-"}}},
         "rule 3 (|https://cdn.jsdelivr.net/npm/a@1/a.js|): rule 1 already answers"},
        {{replace(regex2, "https://(x")}, R"(rule 2 (https://(x): "regexFilter" does not compile)"},
        {{{{"op", "add"}, {"path", "/rules/0/condition/regexFilter"}, {"value", "x"}}}, rule1 + "has both"},
        {{{{"op", "remove"}, {"path", regex2}}}, R"(rule 2: needs a "urlFilter" or a "regexFilter")"},
        {{replace(kinds, Json::array())}, rule2 + R"("condition"."resourceTypes" must be a non-empty array)"},
        {{replace(kinds, {"css"})}, rule2 + R"("css" is not a resource kind)"},
        {{replace(kinds, {"document"})}, rule2 + "documents are never answered from the pack"},
    };
    for (const auto& c : cases) {
        const PackBuild build = assemblePack(kManifest.patch(Json(c.patch)), readSource);
        EXPECT_TRUE(build.bytes.empty()) << c.expected;
        EXPECT_TRUE(std::any_of(build.problems.begin(), build.problems.end(),
                                [&](const std::string& p) { return p.starts_with(c.expected); }))
            << c.expected << " not in " << ::testing::PrintToString(build.problems);
    }
    // Every problem is reported, not just the first.
    const Json twoProblems =
        kManifest.patch({replace("/files/0/source", "x"), replace("/rules/1/condition/regexFilter", "(")});
    EXPECT_EQ(assemblePack(twoProblems, readSource).problems.size(), 2u);
}

}  // namespace
}  // namespace vesko::pack
