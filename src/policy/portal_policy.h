#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "policy/policy_url.h"
#include "policy/resource_kind.h"

namespace vesko {

// The host configuration and the predicates every guard asks: may a tab, frame or
// pop-up show this address, may a download come from it, may a page load this
// sub-resource. Every predicate takes the address read once (PolicyUrl), so that a request
// or navigation is parsed once whatever it is asked; the overloads on UTF-8 bytes read it
// themselves. All are pure apart from the allow-list built on first use, and answer false
// for anything they cannot parse.
struct PortalPolicy {
    using HostSet = std::set<std::string, std::less<>>;

    PortalPolicy() = delete;

    static std::string_view portalHost() noexcept;
    static std::string_view probeCdnHost() noexcept;
    // The portal host, the probe host and the eight public CDN hosts. Built once, on
    // first use, and never changed; safe to call from several threads.
    static const HostSet& allowedHosts();
    // "https://" + portal host + "/".
    static std::string portalStartUrl();

    // The portal host on its default port, over http or https.
    static bool isPortalUrl(const PolicyUrl& url);
    static bool isPortalUrl(std::string_view url);
    // "blob:" (lower case) followed by a portal URL.
    static bool isBlobPortalUrl(const PolicyUrl& url);
    static bool isBlobPortalUrl(std::string_view url);
    static bool isPortalOrBlobUrl(const PolicyUrl& url);
    static bool isPortalOrBlobUrl(std::string_view url);
    // A portal or blob-portal URL, or exactly "about:blank" when the caller allows it.
    static bool isAllowedNavigation(const PolicyUrl& url, bool allowAboutBlank);
    static bool isAllowedNavigation(std::string_view url, bool allowAboutBlank);
    // A sub-resource a portal page may load: anything under a blob-portal URL, inline
    // images, or any allowed host on its default port.
    static bool isAllowedCdnRequest(const PolicyUrl& url, ResourceKind kind);
    static bool isAllowedCdnRequest(std::string_view url, ResourceKind kind);
};

}  // namespace vesko
