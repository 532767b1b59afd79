#pragma once
// Where the guards let a tab, a frame or a pop-up go, and what the user is told when
// they do not. Addresses are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

#include "policy/policy_url.h"
#include "base/user_text.h"

namespace vesko {

inline constexpr std::string_view kAboutBlank = "about:blank";

// A top-level navigation: a portal or blob-portal address, or about:blank (which the
// engine shows while a pop-up is being served and a page may open itself).
bool topLevelNavigationAllowed(const PolicyUrl& url, bool servesPopup);

// A frame may show the portal and about:blank, nothing else.
bool frameNavigationAllowed(const PolicyUrl& url);

// The address a pop-up request stands for: an empty one is about:blank.
std::string popupAddress(std::string_view requested);

// A pop-up becomes a tab only for an allowed address and never while the probe runs.
bool popupAllowed(const PolicyUrl& address, bool probeRunning);

// What a typed address stands for: the bare portal host name (exactly as configured) is
// the portal start address; anything else is taken as typed.
std::string typedAddress(std::string_view text);

inline constexpr StatusMessage kPageLoadingStatus{"Po ngarkohet faqja\xE2\x80\xA6", 0};
inline constexpr StatusMessage kPopupBlockedStatus{"Dritarja u bllokua. Lejohen vet\xC3\xABm faqet e KORDIS.", 7};
inline constexpr StatusMessage kTypedBeforeProbeStatus{
    "Kontrolli i motorit duhet t\xC3\xAB p\xC3\xABrfundoj\xC3\xAB me sukses.", 7};
inline constexpr std::uint32_t kRefusalSeconds = 7;

// "Vesko hap vetëm " + portal host + ".": a page tried to leave the portal.
std::string navigationRefusedText();
// "Lejohet vetëm " + portal host + ".": the user typed a foreign address.
std::string typedAddressRefusedText();

}  // namespace vesko
