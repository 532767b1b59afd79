#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vesko {

// The kinds a sub-resource request is classified into before the policy and the asset
// rules look at it.
enum class ResourceKind { document, stylesheet, image, font, script, xmlHttpRequest, other };

inline constexpr std::array<ResourceKind, 7> kResourceKinds = {
    ResourceKind::document, ResourceKind::stylesheet, ResourceKind::image, ResourceKind::font,
    ResourceKind::script,   ResourceKind::xmlHttpRequest, ResourceKind::other,
};

// The kind's name as the asset pack's rules, the blocked-request records and the policy
// tool write it.
constexpr std::string_view resourceKindName(ResourceKind kind) noexcept {
    switch (kind) {
    case ResourceKind::document: return "document";
    case ResourceKind::stylesheet: return "stylesheet";
    case ResourceKind::image: return "image";
    case ResourceKind::font: return "font";
    case ResourceKind::script: return "script";
    case ResourceKind::xmlHttpRequest: return "xmlhttprequest";
    case ResourceKind::other: break;
    }
    return "other";
}

// The kind a name stands for; none for a name that is not exactly one of the seven.
constexpr std::optional<ResourceKind> parseResourceKind(std::string_view name) noexcept {
    for (ResourceKind kind : kResourceKinds) {
        if (resourceKindName(kind) == name) return kind;
    }
    return std::nullopt;
}

}  // namespace vesko
