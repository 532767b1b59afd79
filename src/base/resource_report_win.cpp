#include "base/resource_report_win.h"

#include <windows.h>
#include <psapi.h>

namespace vesko {

bool fillResourceReport(VeskoResourceReport& report) {
    if (report.size != sizeof(VeskoResourceReport)) return false;
    const HeldCounts counts = heldCounts();
    for (int i = 0; i < kHeldKinds; ++i) report.held[i] = counts[static_cast<std::size_t>(i)];
    // Under Wine 8 the handle count, both GUI resource counts and PrivateUsage answer 0;
    // they are passed on as they come, and the counts above stand in for them there.
    const HANDLE process = GetCurrentProcess();
    DWORD handles = 0;
    report.processHandles = GetProcessHandleCount(process, &handles) ? handles : 0;
    report.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    report.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
        report.privateBytes = memory.PrivateUsage;
        report.workingSet = memory.WorkingSetSize;
    } else {
        report.privateBytes = 0;
        report.workingSet = 0;
    }
    return true;
}

}  // namespace vesko
