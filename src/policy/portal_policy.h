#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace vesko {

// The host configuration and the predicates every guard asks: may a tab, frame or
// pop-up show this address, may a download come from it, may a page load this
// sub-resource. All predicates take the URL as UTF-8 bytes, are pure apart from the
// allow-list built on first use, and answer false for anything they cannot parse.
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
    static bool isPortalUrl(std::string_view url);
    // "blob:" (lower case) followed by a portal URL.
    static bool isBlobPortalUrl(std::string_view url);
    static bool isPortalOrBlobUrl(std::string_view url);
    // A portal or blob-portal URL, or exactly "about:blank" when the caller allows it.
    static bool isAllowedNavigation(std::string_view url, bool allowAboutBlank);
    // A sub-resource a portal page may load: anything under a blob-portal URL, inline
    // images, or any allowed host on its default port.
    static bool isAllowedCdnRequest(std::string_view url, std::string_view resourceKind);
};

}  // namespace vesko
