#include "assets/asset_rules.h"

#include <string>

#include "policy/portal_policy.h"

namespace vesko {
namespace {

// COREWEBVIEW2_WEB_RESOURCE_CONTEXT values.
constexpr int kContextDocument = 1;
constexpr int kContextStylesheet = 2;
constexpr int kContextImage = 3;
constexpr int kContextFont = 5;
constexpr int kContextScript = 6;
constexpr int kContextXmlHttpRequest = 7;
constexpr int kContextFetch = 8;

bool isVersionParameterName(std::string_view name) {
    return name == "_" || name == "v" || name == "ver" || name == "version";
}

bool isVersionValueCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

const AssetEntry* fileOf(const AssetPack& pack, const AssetRule& rule) {
    const auto it = pack.files.find(rule.fileName);
    return it == pack.files.end() ? nullptr : &it->second;
}

const AssetRule* exactRuleFor(const AssetPack& pack, std::string_view url, ResourceKind kind) {
    const auto it = pack.exactRules.find(url);
    return (it != pack.exactRules.end() && it->second.appliesTo(kind)) ? &it->second : nullptr;
}

const AssetRule* regexRuleFor(const AssetPack& pack, const std::string& url, ResourceKind kind,
                              RegexRuleScan scan) {
    if (url.size() > kMaxRegexUrlLength) return nullptr;
    const auto matches = [&](const AssetRule& rule) {
        return rule.appliesTo(kind) && std::regex_match(url, *rule.pattern);
    };
    if (scan == RegexRuleScan::inOrder) {
        for (const AssetRule& rule : pack.regexRules) {
            if (matches(rule)) return &rule;
        }
        return nullptr;
    }
    const AssetRule* found = nullptr;
    pack.regexPrefilter.forEachCandidate(url, [&](std::size_t position) {
        const AssetRule& rule = pack.regexRules[position];
        if (!matches(rule)) return false;
        found = &rule;
        return true;
    });
    return found;
}

// The parsed path up to its fragment: the part a pack rule can name.
std::string_view pathOf(const ParsedUrl& parsed) {
    const std::string_view path = parsed.path;
    return path.substr(0, path.find('#'));
}

// Tolerates cache-busting queries and doubled slashes in front of an exact rule; the
// port is left out of the key, so "https://host:443/x" finds the rule for "https://host/x".
const AssetRule* versionQueryRuleFor(const AssetPack& pack, const ParsedUrl& parsed, ResourceKind kind) {
    const std::string_view path = pathOf(parsed);
    const std::size_t queryStart = path.find('?');
    const std::string_view rawPath = path.substr(0, queryStart);
    const std::string_view query =
        queryStart == std::string_view::npos ? std::string_view() : path.substr(queryStart + 1);

    std::string collapsed;
    collapsed.reserve(rawPath.size());
    for (char c : rawPath) {
        if (c == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
        collapsed.push_back(c);
    }
    if (!query.empty() && !isVersionQuery(query)) return nullptr;
    if (collapsed == "/" || collapsed.find('%') != std::string::npos) return nullptr;

    std::string key;
    key.reserve(parsed.scheme.size() + 3 + parsed.host.size() + collapsed.size());
    key.append(parsed.scheme).append("://").append(parsed.host).append(collapsed);
    return exactRuleFor(pack, key, kind);
}

const AssetEntry* fileNameMatch(const AssetPack& pack, const ParsedUrl& parsed) {
    std::string_view path = pathOf(parsed);
    path = path.substr(0, path.find('?'));
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name == kZoneDiagnosticFile) return nullptr;
    const auto it = pack.files.find(name);
    return it == pack.files.end() ? nullptr : &it->second;
}

}  // namespace

ResourceKind resourceKind(int context) noexcept {
    switch (context) {
    case kContextDocument: return ResourceKind::document;
    case kContextStylesheet: return ResourceKind::stylesheet;
    case kContextImage: return ResourceKind::image;
    case kContextFont: return ResourceKind::font;
    case kContextScript: return ResourceKind::script;
    case kContextXmlHttpRequest:
    case kContextFetch: return ResourceKind::xmlHttpRequest;
    default: return ResourceKind::other;
    }
}

const std::regex& versionQueryPattern() {
    static const std::regex pattern(
        "(?:_|v|ver|version)=[A-Za-z0-9._-]+(?:&(?:_|v|ver|version)=[A-Za-z0-9._-]+)*",
        std::regex::ECMAScript);
    return pattern;
}

bool isVersionQuery(std::string_view query) noexcept {
    // Values cannot hold '&' or '=', so splitting at '&' and then at the first '=' reads
    // the query exactly as the pattern does.
    for (;;) {
        const std::size_t end = query.find('&');
        const std::string_view parameter = query.substr(0, end);
        const std::size_t equals = parameter.find('=');
        if (equals == std::string_view::npos || !isVersionParameterName(parameter.substr(0, equals))) {
            return false;
        }
        const std::string_view value = parameter.substr(equals + 1);
        if (value.empty()) return false;
        for (char c : value) {
            if (!isVersionValueCharacter(c)) return false;
        }
        if (end == std::string_view::npos) return true;
        query.remove_prefix(end + 1);
    }
}

std::string_view assetMatchStepName(AssetMatchStep step) noexcept {
    switch (step) {
    case AssetMatchStep::exact: return "exact";
    case AssetMatchStep::regex: return "regex";
    case AssetMatchStep::versionQuery: return "version-query";
    case AssetMatchStep::fileName: return "file-name";
    case AssetMatchStep::none: break;
    }
    return {};
}

AssetMatch explainAssetMatch(const AssetPack& pack, const PolicyUrl& url, std::string_view method,
                             ResourceKind kind, RegexRuleScan scan) {
    if (method != "GET") return {};
    if (kind == ResourceKind::document) return {};
    if (!PortalPolicy::isAllowedCdnRequest(url, kind)) return {};

    const std::string target(url.text.substr(0, url.text.find('#')));

    if (const AssetRule* rule = exactRuleFor(pack, target, kind)) {
        return {fileOf(pack, *rule), AssetMatchStep::exact};
    }
    if (const AssetRule* rule = regexRuleFor(pack, target, kind, scan)) {
        return {fileOf(pack, *rule), AssetMatchStep::regex};
    }

    // Blob and inline addresses have no path of their own for the fallbacks to read.
    const ParsedUrl* parsed = url.httpUrl();
    if (parsed == nullptr) return {};
    if (const AssetRule* rule = versionQueryRuleFor(pack, *parsed, kind)) {
        return {fileOf(pack, *rule), AssetMatchStep::versionQuery};
    }
    if (const AssetEntry* entry = fileNameMatch(pack, *parsed)) return {entry, AssetMatchStep::fileName};
    return {};
}

AssetMatch explainAssetMatch(const AssetPack& pack, std::string_view url, std::string_view method,
                             ResourceKind kind, RegexRuleScan scan) {
    return explainAssetMatch(pack, PolicyUrl(url), method, kind, scan);
}

const AssetEntry* matchAsset(const AssetPack& pack, std::string_view url, std::string_view method,
                             ResourceKind kind) {
    return explainAssetMatch(pack, url, method, kind).entry;
}

}  // namespace vesko
