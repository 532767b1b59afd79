#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "assets/asset_prefilter.h"
#include "assets/regex_filter.h"
#include "policy/resource_kind.h"

namespace vesko {

// The asset pack: "VESKOP01", a little-endian 32-bit index length L, L bytes of JSON
// index, then the data region that the index's offsets point into.
inline constexpr std::string_view kAssetPackMagic = "VESKOP01";
inline constexpr std::size_t kAssetPackHeaderSize = 12;
inline constexpr std::uint32_t kMaxAssetIndexLength = 4194304;
inline constexpr std::string_view kAssetSchema = "vesko-assets-v1";
inline constexpr std::string_view kAssetPathPrefix = "/assets/";
// The page-side diagnostic hook travels in the pack but is never served to a request.
inline constexpr std::string_view kZoneDiagnosticFile = "__zone_diagnostic.js";
// Pack indexes written by the pack tool nest four levels deep; a much deeper document
// would only serve to exhaust the stack of whoever copies or writes it later.
inline constexpr int kMaxAssetIndexDepth = 64;

struct AssetEntry {
    std::string name;
    std::string mime;
    std::uint64_t offset = 0;  // within the data region
    std::uint64_t size = 0;

    bool operator==(const AssetEntry&) const = default;
};

struct AssetRule {
    std::string fileName;
    std::set<std::string, std::less<>> resourceTypes;  // as the rule writes them
    // The known kinds among them, one bit per ResourceKind; names of no kind match nothing.
    std::uint8_t kinds = 0;
    // Regular-expression rules only: the "regexFilter" text and its compiled form.
    std::string patternText;
    std::optional<std::regex> pattern;

    void addResourceType(std::string name) {
        if (const auto kind = parseResourceKind(name)) kinds |= kindBit(*kind);
        resourceTypes.insert(std::move(name));
    }
    bool appliesTo(ResourceKind kind) const noexcept { return (kinds & kindBit(kind)) != 0; }

private:
    static constexpr std::uint8_t kindBit(ResourceKind kind) noexcept {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(kind));
    }
};

struct AssetUrlHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>{}(s);
    }
};

// The parsed pack; built once by parseAssetPack and read-only afterwards.
struct AssetPack {
    std::vector<std::uint8_t> packBytes;
    std::uint64_t dataOffset = 0;
    std::uint64_t fileCount = 0;  // files other than the diagnostic hook
    nlohmann::ordered_json index;
    std::map<std::string, AssetEntry, std::less<>> files;
    std::unordered_map<std::string, AssetRule, AssetUrlHash, std::equal_to<>> exactRules;
    std::vector<AssetRule> regexRules;
    std::vector<nlohmann::ordered_json> ruleDocuments;
    // Built from regexRules, in the same order.
    RegexPrefilter regexPrefilter;
};

// Validates the pack completely and takes ownership of its bytes. Throws
// std::runtime_error with one of BAD_ASSET_PACK, BAD_ASSET_INDEX, BAD_ASSET_RULE,
// MISSING_ASSET, UNSUPPORTED_URL_FILTER, UNSUPPORTED_ASSET_RULE, or lets the JSON or
// regex library's own error through; the first problem met wins.
AssetPack parseAssetPack(std::vector<std::uint8_t> bytes);

// The file's bytes inside packBytes; valid as long as the pack lives.
std::span<const std::uint8_t> assetBytes(const AssetPack& pack, const AssetEntry& entry);

// The diagnostic hook's script text. Throws MISSING_ASSET when the pack has none.
std::string zoneDiagnosticScript(const AssetPack& pack);

}  // namespace vesko
