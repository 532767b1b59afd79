#include "policy/portal_policy.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "policy/compiled_config.h"
#include "policy/resource_kind.h"

namespace vesko {
namespace {

// Rows are written with placeholders for the compiled-in hosts: {P} the portal host,
// {PU} the portal host in upper case, {C} each of the nine CDN hosts in turn, {X} a
// host outside the configuration.
struct Case {
    std::string_view url;
    bool portal;
    bool blobPortal;
    bool portalOrBlob;
    bool navigation;         // allowAboutBlank false
    bool navigationOrBlank;  // allowAboutBlank true
    bool cdnScript;          // also every other kind except image
    bool cdnImage;
};

constexpr bool T = true;
constexpr bool F = false;

static constexpr Case kCases[] = {
    // url                                  portal blob  either nav   nav+b script image
    // The decision table.
    {"https://{P}/",                          T,    F,    T,    T,    T,    T,    T},
    {"https://{P}:443/x",                     T,    F,    T,    T,    T,    T,    T},
    {"https://{P}:8443/x",                    F,    F,    F,    F,    F,    F,    F},
    {"http://{P}/x",                          T,    F,    T,    T,    T,    T,    T},
    {"HTTPS://{PU}/x",                        T,    F,    T,    T,    T,    T,    T},
    {"blob:https://{P}/uuid",                 F,    T,    T,    T,    T,    T,    T},
    {"https://{P}.evil.test/",                F,    F,    F,    F,    F,    F,    F},
    {"https://{C}/lib.js",                    F,    F,    F,    F,    F,    T,    T},
    {"http://{C}/lib.js",                     F,    F,    F,    F,    F,    T,    T},
    {"https://{X}/",                          F,    F,    F,    F,    F,    F,    F},
    {"about:blank",                           F,    F,    F,    F,    T,    F,    F},
    {"data:image/png;base64,AAAA",            F,    F,    F,    F,    F,    F,    T},
    {"file:///C:/Windows/",                   F,    F,    F,    F,    F,    F,    F},
    {"https://user@{P}/",                     F,    F,    F,    F,    F,    F,    F},
    // Look-alike portal hosts and ports.
    {"https://evil.{P}/",                     F,    F,    F,    F,    F,    F,    F},
    {"https://{P}./",                         F,    F,    F,    F,    F,    F,    F},
    {"https://{P}:80/",                       F,    F,    F,    F,    F,    F,    F},
    {"http://{P}:443/",                       F,    F,    F,    F,    F,    F,    F},
    {"http://{P}:80/x",                       T,    F,    T,    T,    T,    T,    T},
    {"https://{P}?q",                         T,    F,    T,    T,    T,    T,    T},
    {"https://{P}@{X}/",                      F,    F,    F,    F,    F,    F,    F},
    {"https://{P}%2f@{X}/",                   F,    F,    F,    F,    F,    F,    F},
    {"https://{P}\\@{X}/",                    F,    F,    F,    F,    F,    F,    F},
    {"https://{X}/{P}/",                      F,    F,    F,    F,    F,    F,    F},
    {"https://{X}/?u=https://{P}/",           F,    F,    F,    F,    F,    F,    F},
    {"https://{X}#@{P}/",                     F,    F,    F,    F,    F,    F,    F},
    {" https://{P}/",                         F,    F,    F,    F,    F,    F,    F},
    {"https://{P}/\t",                        F,    F,    F,    F,    F,    F,    F},
    // blob: only in lower case and only around a portal URL.
    {"BLOB:https://{P}/x",                    F,    F,    F,    F,    F,    F,    F},
    {"blob:HTTP://{PU}:80/x",                 F,    T,    T,    T,    T,    T,    T},
    {"blob:https://{P}:8443/x",               F,    F,    F,    F,    F,    F,    F},
    {"blob:{P}/x",                            F,    F,    F,    F,    F,    F,    F},
    {"blob:blob:https://{P}/x",               F,    F,    F,    F,    F,    F,    F},
    {"blob: https://{P}/x",                   F,    F,    F,    F,    F,    F,    F},
    {"blob:https://{C}/x",                    F,    F,    F,    F,    F,    F,    F},
    // about:blank only in exactly that form.
    {"about:blank#x",                         F,    F,    F,    F,    F,    F,    F},
    {"ABOUT:BLANK",                           F,    F,    F,    F,    F,    F,    F},
    {"about:blank ",                          F,    F,    F,    F,    F,    F,    F},
    // Inline data only for images.
    {"data:image/svg+xml,<svg/>",             F,    F,    F,    F,    F,    F,    T},
    {"data:image/",                           F,    F,    F,    F,    F,    F,    T},
    {"data:image",                            F,    F,    F,    F,    F,    F,    F},
    {"DATA:image/png;base64,AAAA",            F,    F,    F,    F,    F,    F,    F},
    {"data:text/html,<script>1</script>",     F,    F,    F,    F,    F,    F,    F},
    // CDN hosts: default port written out or not, nothing else.
    {"https://{C}:443/x",                     F,    F,    F,    F,    F,    T,    T},
    {"http://{C}:80/x",                       F,    F,    F,    F,    F,    T,    T},
    {"https://{C}:444/x",                     F,    F,    F,    F,    F,    F,    F},
    {"http://{C}:443/x",                      F,    F,    F,    F,    F,    F,    F},
    {"https://{C}.evil.test/x",               F,    F,    F,    F,    F,    F,    F},
    {"https://user@{C}/x",                    F,    F,    F,    F,    F,    F,    F},
    {"ftp://{C}/x",                           F,    F,    F,    F,    F,    F,    F},
};

std::string upperCased(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::vector<std::string_view> cdnHosts() {
    std::vector<std::string_view> hosts{config::kProbeCdnHost};
    hosts.insert(hosts.end(), config::kCdnHosts.begin(), config::kCdnHosts.end());
    return hosts;
}

// Every concrete URL a row stands for.
std::vector<std::string> expand(std::string_view pattern) {
    std::string base = replaceAll(std::string(pattern), "{PU}", upperCased(config::kPortalHost));
    base = replaceAll(base, "{P}", config::kPortalHost);
    base = replaceAll(base, "{X}", "example.org");
    if (base.find("{C}") == std::string::npos) return {base};
    std::vector<std::string> urls;
    for (std::string_view host : cdnHosts()) urls.push_back(replaceAll(base, "{C}", host));
    return urls;
}

TEST(PortalPolicy, DecisionTable) {
    for (const auto& c : kCases) {
        for (const std::string& url : expand(c.url)) {
            SCOPED_TRACE(url);
            EXPECT_EQ(PortalPolicy::isPortalUrl(url), c.portal);
            EXPECT_EQ(PortalPolicy::isBlobPortalUrl(url), c.blobPortal);
            EXPECT_EQ(PortalPolicy::isPortalOrBlobUrl(url), c.portalOrBlob);
            EXPECT_EQ(PortalPolicy::isAllowedNavigation(url, false), c.navigation);
            EXPECT_EQ(PortalPolicy::isAllowedNavigation(url, true), c.navigationOrBlank);
            for (std::string_view kind : kResourceKinds) {
                SCOPED_TRACE(kind);
                const bool expected = kind == kResourceKindImage ? c.cdnImage : c.cdnScript;
                EXPECT_EQ(PortalPolicy::isAllowedCdnRequest(url, kind), expected);
            }
        }
    }
}

TEST(PortalPolicy, UnknownResourceKindIsTreatedLikeAnyNonImageKind) {
    const std::string portal = PortalPolicy::portalStartUrl();
    EXPECT_TRUE(PortalPolicy::isAllowedCdnRequest(portal, "media"));
    EXPECT_FALSE(PortalPolicy::isAllowedCdnRequest("data:image/png;base64,AAAA", "Image"));
    EXPECT_FALSE(PortalPolicy::isAllowedCdnRequest("data:image/png;base64,AAAA", ""));
}

TEST(PortalPolicy, AllowedHostsAreThePortalTheProbeAndTheEightCdnHosts) {
    const auto& hosts = PortalPolicy::allowedHosts();
    EXPECT_EQ(hosts.size(), 10u);
    EXPECT_EQ(hosts.count(PortalPolicy::portalHost()), 1u);
    EXPECT_EQ(hosts.count(PortalPolicy::probeCdnHost()), 1u);
    for (std::string_view host : config::kCdnHosts) EXPECT_EQ(hosts.count(host), 1u) << host;
    // Built once: every call hands out the same set.
    EXPECT_EQ(&hosts, &PortalPolicy::allowedHosts());
}

TEST(PortalPolicy, StartAddressIsThePortalRootOverHttps) {
    const std::string start = PortalPolicy::portalStartUrl();
    EXPECT_EQ(start, "https://" + std::string(config::kPortalHost) + "/");
    EXPECT_TRUE(PortalPolicy::isAllowedNavigation(start, false));
}

}  // namespace
}  // namespace vesko
