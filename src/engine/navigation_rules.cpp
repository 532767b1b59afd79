#include "engine/navigation_rules.h"

#include "policy/portal_policy.h"

namespace vesko {

bool topLevelNavigationAllowed(std::string_view url, bool servesPopup) {
    return PortalPolicy::isAllowedNavigation(url, servesPopup || url == kAboutBlank);
}

bool frameNavigationAllowed(std::string_view url) {
    return PortalPolicy::isAllowedNavigation(url, true);
}

std::string popupAddress(std::string_view requested) {
    return requested.empty() ? std::string(kAboutBlank) : std::string(requested);
}

bool popupAllowed(std::string_view address, bool probeRunning) {
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
