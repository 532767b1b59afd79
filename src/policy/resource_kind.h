#pragma once

#include <array>
#include <string_view>

namespace vesko {

// The kinds a sub-resource request is classified into before the policy and the asset
// rules look at it.
inline constexpr std::string_view kResourceKindDocument = "document";
inline constexpr std::string_view kResourceKindStylesheet = "stylesheet";
inline constexpr std::string_view kResourceKindImage = "image";
inline constexpr std::string_view kResourceKindFont = "font";
inline constexpr std::string_view kResourceKindScript = "script";
inline constexpr std::string_view kResourceKindXmlHttpRequest = "xmlhttprequest";
inline constexpr std::string_view kResourceKindOther = "other";

inline constexpr std::array<std::string_view, 7> kResourceKinds = {
    kResourceKindDocument, kResourceKindStylesheet, kResourceKindImage, kResourceKindFont,
    kResourceKindScript,   kResourceKindXmlHttpRequest, kResourceKindOther,
};

}  // namespace vesko
