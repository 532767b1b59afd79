#pragma once
// What this module holds, counted where each thing is created and where it is released.
// Windows keeps counters of its own (handles, GDI and USER objects, private bytes), but Wine
// answers 0 for all of them, and a long run must see its holdings stay flat on both.
// Each module that links the base layer (the program, the stand-in engine's DLL) keeps its
// own counts: the counters live in this module's copy of resource_counts.cpp.

#include <array>
#include <cstdint>
#include <string_view>

namespace vesko {

enum class HeldKind : int {
    kernelHandles,
    gdiObjects,
    menus,
    modules,
    hashObjects,
    comObjects,
    // Event handlers registered with the engine and not yet removed.
    engineRegistrations,
    // One-shot completion handlers handed to the engine and not yet answered.
    pendingCallbacks,
    liveTabs,
};
inline constexpr int kHeldKinds = 9;

void noteAcquired(HeldKind kind);
void noteReleased(HeldKind kind);

using HeldCounts = std::array<std::int64_t, kHeldKinds>;
HeldCounts heldCounts();
std::string_view heldKindName(HeldKind kind);

// Counts one live object of `Kind` for as long as the member holding it lives; copies count
// again.
template <HeldKind Kind>
class HeldMark {
public:
    HeldMark() { noteAcquired(Kind); }
    HeldMark(const HeldMark&) { noteAcquired(Kind); }
    HeldMark& operator=(const HeldMark&) { return *this; }
    ~HeldMark() { noteReleased(Kind); }
};

}  // namespace vesko

// What the program answers another module in its process (the stand-in engine asks for it
// by name): plain data, the same layout on both sides.
extern "C" {
struct VeskoResourceReport {
    // sizeof(VeskoResourceReport), set by the caller.
    std::uint32_t size;
    std::int64_t held[vesko::kHeldKinds];
    // Windows' own counters; Wine answers 0 for all but the working set.
    std::uint64_t processHandles;
    std::uint64_t gdiObjects;
    std::uint64_t userObjects;
    std::uint64_t privateBytes;
    std::uint64_t workingSet;
};
}
// The name of the program's export that fills a report: int(VeskoResourceReport*), nonzero
// when it filled it.
inline constexpr char kResourceReportExport[] = "VeskoReportResources";
