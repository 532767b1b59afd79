#pragma once
// What the page-event handlers make of the engine's reports: the tab's title, the
// completion texts.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/user_text.h"

namespace vesko {

inline constexpr std::string_view kDefaultTabTitle = "KORDIS";

inline constexpr StatusMessage kPageLoadedStatus{"Faqja u ngarkua.", 3};
inline constexpr StatusMessage kPageFailedStatus{
    "Faqja nuk u ngarkua. Kontrollo lidhjen ose provo rifreskimin.", 7};

// The document's title, or "KORDIS" for a page without one.
std::string tabTitle(std::string_view documentTitle);

}  // namespace vesko
