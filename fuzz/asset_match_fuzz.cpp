// matchAsset against the rules of the default pack, checked against the plain in-order
// walk of the regular-expression rules; and the prefilter's literal prefixes checked
// against the regex library on arbitrary patterns.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "asset_match_input.h"
#include "assets/asset_pack.h"
#include "assets/asset_prefilter.h"
#include "assets/asset_rules.h"

namespace {

using Json = nlohmann::ordered_json;

std::string sourcePath(const char* relative) {
    std::string here = __FILE__;
    return here.substr(0, here.rfind('/') + 1) + "../" + relative;
}

Json readJson(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Json::parse(text);
}

// The default pack's rules over placeholder files: matching depends on the rules and the
// file names only, so the npm libraries are not needed here.
const vesko::AssetPack& rulesOfDefaultPack() {
    static const vesko::AssetPack pack = [] {
        const Json manifest = readJson(sourcePath("pack/manifest.json"));
        Json index = {{"schema", "vesko-assets-v1"}, {"files", Json::array()}};
        for (const Json& file : manifest.at("files")) {
            index["files"].push_back({{"name", file.at("name")}, {"mime", file.at("mime")}, {"offset", 0}, {"size", 1}});
        }
        index["rules"] = readJson(sourcePath("pack/rules.json"));
        const std::string text = index.dump();
        std::vector<std::uint8_t> bytes{'V', 'E', 'S', 'K', 'O', 'P', '0', '1'};
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(text.size() >> shift));
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back('x');
        return vesko::parseAssetPack(std::move(bytes));
    }();
    return pack;
}

void checkPrefixes(const std::string& pattern, const std::string& text) {
    if (pattern.size() > vesko::kMaxRegexFilterLength || text.size() > vesko::kMaxRegexUrlLength) return;
    std::size_t quantifiers = 0;
    for (const char c : pattern) quantifiers += c == '*' || c == '+' || c == '?' || c == '{';
    if (quantifiers > 3 || text.size() > 256) return;
    // The library's default matcher backtracks: "(a+)+b" over thirty a's alone runs for
    // minutes. Without back-references its breadth-first matcher answers the same
    // whole-text question in time proportional to the text; with them only a short text
    // stays cheap enough.
    static const std::regex backReferenceMark(R"(\\[1-9])");
    const bool backReference = std::regex_search(pattern, backReferenceMark);
    if (backReference && text.size() > 16) return;
    std::regex compiled;
    try {
        vesko::compileRegexFilter(pattern);
        compiled = std::regex(pattern, backReference ? std::regex::ECMAScript
                                                     : std::regex::ECMAScript | std::regex_constants::__polynomial);
    } catch (const std::regex_error&) {
        return;
    }
    bool matches = false;
    try {
        matches = std::regex_match(text, compiled);
    } catch (const std::regex_error&) {
        return;
    }
    if (!matches) return;
    for (const std::string& prefix : vesko::regexLiteralPrefixes(pattern)) {
        if (text.starts_with(prefix)) return;
    }
    std::fprintf(stderr, "pattern %s matches %s without any of its prefixes\n", pattern.c_str(), text.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vesko::fuzzing::MatchInput input = vesko::fuzzing::decodeMatchInput(data, size);
    if (input.prefixCheck) {
        checkPrefixes(input.pattern, input.text);
        return 0;
    }
    // A name of no kind ("media") is matched by no rule: there is nothing to compare.
    const auto kind = vesko::parseResourceKind(input.kind);
    if (!kind) return 0;
    const vesko::AssetPack& pack = rulesOfDefaultPack();
    const auto fast = vesko::explainAssetMatch(pack, input.url, input.method, *kind);
    const auto plain = vesko::explainAssetMatch(pack, input.url, input.method, *kind, vesko::RegexRuleScan::inOrder);
    if (fast.entry != plain.entry || fast.step != plain.step) {
        std::fprintf(stderr, "prefilter changed the answer for %s\n", input.url.c_str());
        std::abort();
    }
    if (fast.entry != nullptr && fast.entry->name == vesko::kZoneDiagnosticFile) std::abort();
    return 0;
}
