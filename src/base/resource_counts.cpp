#include "base/resource_counts.h"

#include <atomic>

namespace vesko {
namespace {

std::array<std::atomic<std::int64_t>, kHeldKinds>& counters() {
    static std::array<std::atomic<std::int64_t>, kHeldKinds> all{};
    return all;
}

}  // namespace

void noteAcquired(HeldKind kind) { counters()[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_relaxed); }
void noteReleased(HeldKind kind) { counters()[static_cast<std::size_t>(kind)].fetch_sub(1, std::memory_order_relaxed); }

HeldCounts heldCounts() {
    HeldCounts snapshot{};
    for (std::size_t i = 0; i < snapshot.size(); ++i) snapshot[i] = counters()[i].load(std::memory_order_relaxed);
    return snapshot;
}

std::string_view heldKindName(HeldKind kind) {
    switch (kind) {
    case HeldKind::kernelHandles: return "kernelHandles";
    case HeldKind::gdiObjects: return "gdiObjects";
    case HeldKind::menus: return "menus";
    case HeldKind::modules: return "modules";
    case HeldKind::hashObjects: return "hashObjects";
    case HeldKind::comObjects: return "comObjects";
    case HeldKind::engineRegistrations: return "engineRegistrations";
    case HeldKind::pendingCallbacks: return "pendingCallbacks";
    case HeldKind::liveTabs: return "liveTabs";
    }
    return "unknown";
}

}  // namespace vesko
