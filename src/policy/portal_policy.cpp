#include "policy/portal_policy.h"

#include "policy/compiled_config.h"
#include "policy/resource_kind.h"
#include "policy/url_parser.h"

namespace vesko {
namespace {

constexpr std::string_view kBlobPrefix = "blob:";
constexpr std::string_view kAboutBlank = "about:blank";
constexpr std::string_view kInlineImagePrefix = "data:image/";

}  // namespace

std::string_view PortalPolicy::portalHost() noexcept {
    return config::kPortalHost;
}

std::string_view PortalPolicy::probeCdnHost() noexcept {
    return config::kProbeCdnHost;
}

const PortalPolicy::HostSet& PortalPolicy::allowedHosts() {
    // A function-local static is initialised exactly once even under concurrent first
    // calls, and is read-only afterwards.
    static const HostSet hosts = [] {
        HostSet set;
        set.emplace(config::kPortalHost);
        set.emplace(config::kProbeCdnHost);
        for (std::string_view host : config::kCdnHosts) set.emplace(host);
        return set;
    }();
    return hosts;
}

std::string PortalPolicy::portalStartUrl() {
    std::string url = "https://";
    url.append(config::kPortalHost);
    url.push_back('/');
    return url;
}

bool PortalPolicy::isPortalUrl(std::string_view url) {
    const auto parsed = parseUrl(url);
    return parsed && parsed->defaultPort && parsed->host == config::kPortalHost;
}

bool PortalPolicy::isBlobPortalUrl(std::string_view url) {
    return url.starts_with(kBlobPrefix) && isPortalUrl(url.substr(kBlobPrefix.size()));
}

bool PortalPolicy::isPortalOrBlobUrl(std::string_view url) {
    return isPortalUrl(url) || isBlobPortalUrl(url);
}

bool PortalPolicy::isAllowedNavigation(std::string_view url, bool allowAboutBlank) {
    return isPortalOrBlobUrl(url) || (allowAboutBlank && url == kAboutBlank);
}

bool PortalPolicy::isAllowedCdnRequest(std::string_view url, std::string_view resourceKind) {
    if (isBlobPortalUrl(url)) return true;
    // Inline images carry no host; any other inline kind falls through and fails to parse.
    if (resourceKind == kResourceKindImage && url.starts_with(kInlineImagePrefix)) return true;
    const auto parsed = parseUrl(url);
    if (!parsed || !parsed->defaultPort) return false;
    const HostSet& hosts = allowedHosts();
    return hosts.find(parsed->host) != hosts.end();
}

}  // namespace vesko
