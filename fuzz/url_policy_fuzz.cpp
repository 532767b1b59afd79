// Fuzzes the URL parser and the portal predicates: no input may crash them, a parse
// must be well-formed, and the predicates must agree with one another.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "policy/portal_policy.h"
#include "policy/resource_kind.h"
#include "policy/url_parser.h"

namespace {

using vesko::PortalPolicy;

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

void checkParse(std::string_view url, const vesko::ParsedUrl& parsed) {
    require(parsed.scheme == "http" || parsed.scheme == "https");
    require(!parsed.host.empty());
    for (char c : parsed.host) {
        require(!(c >= 'A' && c <= 'Z'));
        require(static_cast<unsigned char>(c) >= 0x21 && static_cast<unsigned char>(c) < 0x7F);
        require(c != '@' && c != '%' && c != '/' && c != '?' && c != '#' && c != '\\');
    }
    // A colon in the host only inside an IPv6 literal.
    if (parsed.host.front() == '[') require(parsed.host.back() == ']');
    else require(parsed.host.find(':') == std::string::npos);
    require(!parsed.path.empty() && parsed.path.front() == '/');
    require(parsed.path.size() <= url.size() + 1);

    require(parsed.port.size() <= 5);
    require(parsed.port.empty() || parsed.port.front() != '0');
    for (char c : parsed.port) require(isDigit(c));
    if (!parsed.port.empty()) require(std::atoi(parsed.port.c_str()) <= 65535);
    const std::string_view ownPort = parsed.scheme == "https" ? "443" : "80";
    require(parsed.defaultPort == (parsed.port.empty() || parsed.port == ownPort));

    // Writing the parts back out must give a URL with the same parts.
    std::string rebuilt = parsed.scheme + "://" + parsed.host;
    if (!parsed.port.empty()) rebuilt += ":" + parsed.port;
    rebuilt += parsed.path;
    if (rebuilt.size() <= vesko::kMaxUrlLength) {
        const auto again = vesko::parseUrl(rebuilt);
        require(again.has_value() && *again == parsed);
    }
}

void checkPredicates(std::string_view url) {
    const auto parsed = vesko::parseUrl(url);
    if (parsed) checkParse(url, *parsed);

    const bool portal = PortalPolicy::isPortalUrl(url);
    const bool blob = PortalPolicy::isBlobPortalUrl(url);
    const bool either = PortalPolicy::isPortalOrBlobUrl(url);
    const bool navigation = PortalPolicy::isAllowedNavigation(url, false);
    const bool navigationOrBlank = PortalPolicy::isAllowedNavigation(url, true);

    require(portal == (parsed && parsed->defaultPort && parsed->host == PortalPolicy::portalHost()));
    require(!(portal && blob));
    require(!blob || url.starts_with("blob:"));
    require(either == (portal || blob));
    require(navigation == either);
    require(navigationOrBlank == (either || url == "about:blank"));

    const bool allowedHost = parsed && parsed->defaultPort &&
                             PortalPolicy::allowedHosts().count(parsed->host) == 1;
    const bool inlineImage = url.starts_with("data:image/");
    for (vesko::ResourceKind kind : vesko::kResourceKinds) {
        const bool cdn = PortalPolicy::isAllowedCdnRequest(url, kind);
        // Anything the portal may show, it may also load.
        if (either) require(cdn);
        require(cdn == (blob || (kind == vesko::ResourceKind::image && inlineImage) || allowedHost));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    checkPredicates(url);
    // The same bytes behind "blob:" reach the blob rules, which plain inputs seldom do.
    checkPredicates("blob:" + std::string(url));
    return 0;
}
