#pragma once

#include <cstddef>
#include <regex>
#include <string_view>

#include "assets/asset_pack.h"
#include "policy/policy_url.h"
#include "policy/resource_kind.h"

namespace vesko {

// The resource kind of an engine request, from the engine's resource-context value
// (COREWEBVIEW2_WEB_RESOURCE_CONTEXT); contexts without a kind of their own are "other".
ResourceKind resourceKind(int context) noexcept;

// A query made only of cache-busting version parameters ("v=3.4.1", "ver=5&_=123"),
// applied as a whole-string match. Compiled once, on first use.
const std::regex& versionQueryPattern();

// The same decision as a whole-string match of versionQueryPattern, made in one pass
// without recursion: the regex library's recursion depth grows with the query's length,
// and a page can ask for a URL whose query is long enough to overflow the stack.
bool isVersionQuery(std::string_view query) noexcept;

// Regular-expression rules are only tried on URLs up to this length, for the same
// reason; real CDN addresses are far shorter. Longer URLs still reach the exact rules
// and both fallbacks.
inline constexpr std::size_t kMaxRegexUrlLength = 1024;

enum class AssetMatchStep { none, exact, regex, versionQuery, fileName };

// "exact", "regex", "version-query", "file-name"; empty for none.
std::string_view assetMatchStepName(AssetMatchStep step) noexcept;

struct AssetMatch {
    const AssetEntry* entry = nullptr;  // a file of the pack, or null
    AssetMatchStep step = AssetMatchStep::none;
};

// How the regular-expression rules are walked. Both give the same answer; inOrder tries
// every rule and is kept as the reference the prefiltered walk is checked against.
enum class RegexRuleScan { prefiltered, inOrder };

// The pack file that answers a GET of `url` as `kind`, and the step that found it. The
// address is read once by the caller; the overload on UTF-8 bytes reads it itself.
AssetMatch explainAssetMatch(const AssetPack& pack, const PolicyUrl& url, std::string_view method,
                             ResourceKind kind, RegexRuleScan scan = RegexRuleScan::prefiltered);
AssetMatch explainAssetMatch(const AssetPack& pack, std::string_view url, std::string_view method,
                             ResourceKind kind, RegexRuleScan scan = RegexRuleScan::prefiltered);

// The pack file that answers the request, or null when it goes to the network.
const AssetEntry* matchAsset(const AssetPack& pack, std::string_view url, std::string_view method,
                             ResourceKind kind);

}  // namespace vesko
