#include "ui/closed_tab_memory.h"

#include "policy/portal_policy.h"

namespace vesko {

void ClosedTabMemory::remember(std::string_view url) {
    if (!PortalPolicy::isPortalUrl(url)) return;
    urls_.emplace_back(url);
    if (urls_.size() > kCapacity) urls_.pop_front();
}

std::optional<std::string> ClosedTabMemory::newest() const {
    if (urls_.empty()) return std::nullopt;
    return urls_.back();
}

void ClosedTabMemory::forgetNewest() {
    if (!urls_.empty()) urls_.pop_back();
}

}  // namespace vesko
