#include "policy/portal_policy.h"

#include "policy/compiled_config.h"

namespace vesko {
namespace {

constexpr std::string_view kAboutBlank = "about:blank";
constexpr std::string_view kInlineImagePrefix = "data:image/";

bool isPortalAddress(const ParsedUrl* parsed) {
    return parsed && parsed->defaultPort && parsed->host == config::kPortalHost;
}

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

bool PortalPolicy::isPortalUrl(const PolicyUrl& url) {
    return isPortalAddress(url.httpUrl());
}

bool PortalPolicy::isBlobPortalUrl(const PolicyUrl& url) {
    return isPortalAddress(url.blobTarget());
}

bool PortalPolicy::isPortalOrBlobUrl(const PolicyUrl& url) {
    return isPortalUrl(url) || isBlobPortalUrl(url);
}

bool PortalPolicy::isAllowedNavigation(const PolicyUrl& url, bool allowAboutBlank) {
    return isPortalOrBlobUrl(url) || (allowAboutBlank && url.text == kAboutBlank);
}

bool PortalPolicy::isAllowedCdnRequest(const PolicyUrl& url, ResourceKind kind) {
    if (isBlobPortalUrl(url)) return true;
    // Inline images carry no host; any other inline kind falls through and fails to parse.
    if (kind == ResourceKind::image && url.text.starts_with(kInlineImagePrefix)) return true;
    const ParsedUrl* parsed = url.httpUrl();
    if (!parsed || !parsed->defaultPort) return false;
    const HostSet& hosts = allowedHosts();
    return hosts.find(parsed->host) != hosts.end();
}

bool PortalPolicy::isPortalUrl(std::string_view url) {
    return isPortalUrl(PolicyUrl(url));
}

bool PortalPolicy::isBlobPortalUrl(std::string_view url) {
    return isBlobPortalUrl(PolicyUrl(url));
}

bool PortalPolicy::isPortalOrBlobUrl(std::string_view url) {
    return isPortalOrBlobUrl(PolicyUrl(url));
}

bool PortalPolicy::isAllowedNavigation(std::string_view url, bool allowAboutBlank) {
    return isAllowedNavigation(PolicyUrl(url), allowAboutBlank);
}

bool PortalPolicy::isAllowedCdnRequest(std::string_view url, ResourceKind kind) {
    return isAllowedCdnRequest(PolicyUrl(url), kind);
}

}  // namespace vesko
