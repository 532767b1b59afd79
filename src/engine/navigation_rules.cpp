#include "engine/navigation_rules.h"

#include "policy/portal_policy.h"

namespace vesko {

bool topLevelNavigationAllowed(const PolicyUrl& url, bool servesPopup) {
    return PortalPolicy::isAllowedNavigation(url, servesPopup || url.text == kAboutBlank);
}

bool frameNavigationAllowed(const PolicyUrl& url) {
    return PortalPolicy::isAllowedNavigation(url, true);
}

std::string popupAddress(std::string_view requested) {
    return requested.empty() ? std::string(kAboutBlank) : std::string(requested);
}

bool popupAllowed(const PolicyUrl& address, bool probeRunning) {
    return !probeRunning && PortalPolicy::isAllowedNavigation(address, true);
}

std::string typedAddress(std::string_view text) {
    return text == PortalPolicy::portalHost() ? PortalPolicy::portalStartUrl() : std::string(text);
}

std::string navigationRefusedText() {
    return "Vesko hap vet\xC3\xABm " + std::string(PortalPolicy::portalHost()) + ".";
}

std::string typedAddressRefusedText() {
    return "Lejohet vet\xC3\xABm " + std::string(PortalPolicy::portalHost()) + ".";
}

}  // namespace vesko
