#include "pack_builder.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/asset_pack.h"
#include "assets/asset_rules.h"

namespace vesko::pack {
namespace {

using Json = nlohmann::ordered_json;

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

// Sources served from memory; an unknown source cannot be read.
SourceReader memorySources(std::map<std::string, std::string> sources) {
    return [sources = std::move(sources)](const std::string& source) {
        const auto it = sources.find(source);
        if (it == sources.end()) throw std::runtime_error("cannot read " + source);
        return bytesOf(it->second);
    };
}

Json rule(std::string_view file, Json condition) {
    return Json{{"action", {{"type", "redirect"}, {"redirect", {{"extensionPath", "/assets/" + std::string(file)}}}}},
                {"condition", std::move(condition)}};
}

Json validManifest() {
    return Json::parse(R"({
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
}

const std::map<std::string, std::string> kSources = {
    {"a.js", "alert(1);"}, {"b.css", "body{}"}, {"hook.js", "window.x=1;"}};

TEST(PackBuilder, BuildsAPackTheBrowserReadsAndServes) {
    const PackBuild build = assemblePack(validManifest(), memorySources(kSources));
    ASSERT_TRUE(build.problems.empty()) << build.problems.front();

    const AssetPack pack = parseAssetPack(build.bytes);
    EXPECT_EQ(pack.fileCount, 2u);
    const AssetEntry* a = matchAsset(pack, "https://cdn.jsdelivr.net/npm/a@1/a.js", "GET", "script");
    ASSERT_NE(a, nullptr);
    const auto body = assetBytes(pack, *a);
    EXPECT_EQ(std::string(body.begin(), body.end()), "alert(1);");
    const AssetEntry* b = matchAsset(pack, "https://unpkg.com/b@12/b.css", "GET", "stylesheet");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->mime, "text/css");
    EXPECT_EQ(zoneDiagnosticScript(pack), "window.x=1;");
}

TEST(PackBuilder, SameInputsGiveSameBytes) {
    const PackBuild first = assemblePack(validManifest(), memorySources(kSources));
    const PackBuild second = assemblePack(validManifest(), memorySources(kSources));
    ASSERT_FALSE(first.bytes.empty());
    EXPECT_EQ(first.bytes, second.bytes);
}

// Each case breaks the valid manifest in one way; the report must name the file or rule
// concerned and the build must write nothing.
TEST(PackBuilder, ReportsEachProblemWithWhatItConcerns) {
    struct Case {
        const char* what;
        void (*mutate)(Json&);
        const char* expected;  // a piece of one of the problems reported
    };
    static const Case kCases[] = {
        {"unreadable source", [](Json& m) { m["files"][1]["source"] = "gone.css"; },
         "file 2 \"b.css\": cannot read gone.css"},
        {"slash in a name", [](Json& m) { m["files"][0]["name"] = "x/a.js"; m["rules"][0] = rule("x/a.js", m["rules"][0]["condition"]); },
         "file 1 \"x/a.js\": the name contains"},
        {"repeated name", [](Json& m) { m["files"][1]["name"] = "a.js"; m["rules"].erase(1); },
         "file 2 \"a.js\": the name repeats file 1"},
        {"unused file", [](Json& m) { m["rules"].erase(1); },
         "file 2 \"b.css\": no rule serves it"},
        {"wrong action", [](Json& m) { m["rules"][0]["action"]["type"] = "block"; },
         "rule 1 (|https://cdn.jsdelivr.net/npm/a@1/a.js|): \"action\".\"type\" must be \"redirect\""},
        {"path outside /assets/", [](Json& m) { m["rules"][1]["action"]["redirect"]["extensionPath"] = "/Assets/b.css"; },
         "rule 2 (https://unpkg\\.com/b@\\d+/b\\.css): \"action\".\"redirect\".\"extensionPath\" must begin"},
        {"missing file", [](Json& m) { m["rules"][1]["action"]["redirect"]["extensionPath"] = "/assets/c.css"; },
         "rule 2 (https://unpkg\\.com/b@\\d+/b\\.css): \"/assets/c.css\" names no file"},
        {"diagnostic hook served", [](Json& m) { m["rules"].push_back(rule("__zone_diagnostic.js", m["rules"][0]["condition"])); m["rules"][2]["condition"]["urlFilter"] = "|https://unpkg.com/h.js|"; },
         "rule 3 (|https://unpkg.com/h.js|): the diagnostic hook must never be served"},
        {"bad url filter", [](Json& m) { m["rules"][0]["condition"]["urlFilter"] = "||"; },
         "rule 1 (||): \"urlFilter\" must be '|' URL '|'"},
        {"duplicate url", [](Json& m) { m["rules"].push_back(m["rules"][0]); },
         "rule 3 (|https://cdn.jsdelivr.net/npm/a@1/a.js|): rule 1 already answers this URL"},
        {"bad regex", [](Json& m) { m["rules"][1]["condition"]["regexFilter"] = "https://(unclosed"; },
         "rule 2 (https://(unclosed): \"regexFilter\" does not compile"},
        {"both filters", [](Json& m) { m["rules"][0]["condition"]["regexFilter"] = "x"; },
         "rule 1 (|https://cdn.jsdelivr.net/npm/a@1/a.js|): has both"},
        {"no filter", [](Json& m) { m["rules"][1]["condition"].erase("regexFilter"); },
         "rule 2: needs a \"urlFilter\" or a \"regexFilter\""},
        {"empty kinds", [](Json& m) { m["rules"][1]["condition"]["resourceTypes"] = Json::array(); },
         "rule 2 (https://unpkg\\.com/b@\\d+/b\\.css): \"condition\".\"resourceTypes\" must be a non-empty array"},
        {"unknown kind", [](Json& m) { m["rules"][1]["condition"]["resourceTypes"] = {"css"}; },
         "rule 2 (https://unpkg\\.com/b@\\d+/b\\.css): \"css\" is not a resource kind"},
        {"document kind", [](Json& m) { m["rules"][1]["condition"]["resourceTypes"] = {"document"}; },
         "documents are never answered from the pack"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Json manifest = validManifest();
        c.mutate(manifest);
        const PackBuild build = assemblePack(manifest, memorySources(kSources));
        EXPECT_TRUE(build.bytes.empty());
        bool named = false;
        for (const std::string& problem : build.problems) named = named || problem.find(c.expected) != std::string::npos;
        EXPECT_TRUE(named) << ::testing::PrintToString(build.problems);
    }
}

TEST(PackBuilder, ReportsEveryProblemNotJustTheFirst) {
    Json manifest = validManifest();
    manifest["files"][0]["source"] = "gone.js";
    manifest["rules"][1]["condition"]["regexFilter"] = "(";
    const PackBuild build = assemblePack(manifest, memorySources(kSources));
    EXPECT_EQ(build.problems.size(), 2u);
}

}  // namespace
}  // namespace vesko::pack
