// The control channel's count of what the program and the engine hold, for a long run that
// must see both stay flat.
#include <windows.h>
#include <psapi.h>

#include "base/resource_report_win.h"
#include "control_channel_commands.h"
#include "controller.h"
#include "objects.h"
#include "process_census.h"
#include "web_view.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::ordered_json;
using ReportProgram = int (*)(VeskoResourceReport*);

Json heldJson(const std::int64_t (&held)[kHeldKinds]) {
    Json counts = Json::object();
    for (int i = 0; i < kHeldKinds; ++i) counts[std::string(heldKindName(static_cast<HeldKind>(i)))] = held[i];
    return counts;
}

// The executable's own report, or null when the process's program does not give one (a
// test that links the stand-in).
Json programJson() {
    const auto report = reinterpret_cast<ReportProgram>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), kResourceReportExport)));
    if (report == nullptr) return nullptr;
    VeskoResourceReport counts{};
    counts.size = sizeof(counts);
    if (report(&counts) == 0) return nullptr;
    return Json{{"held", heldJson(counts.held)},
                {"windows",
                 {{"processHandles", counts.processHandles},
                  {"gdiObjects", counts.gdiObjects},
                  {"userObjects", counts.userObjects},
                  {"privateBytes", counts.privateBytes},
                  {"workingSet", counts.workingSet}}}};
}

}  // namespace

Json resourceCountsCommand() {
    // This module's own base-layer counts: on Windows a DLL has its own copy of them, apart
    // from the program's.
    VeskoResourceReport own{};
    own.size = sizeof(own);
    fillResourceReport(own);
    const std::int64_t comObjects = own.held[static_cast<int>(HeldKind::comObjects)];
    const auto environments = static_cast<std::int64_t>(liveEnvironmentCount());
    const auto controllers = static_cast<std::int64_t>(liveControllers().size());
    const auto views = static_cast<std::int64_t>(WebView::liveViews().size());
    const std::int64_t eventArgs = liveCount(LiveKind::eventArgs);
    const std::int64_t deferrals = liveCount(LiveKind::deferrals);
    return Json{{"program", programJson()},
                {"engine",
                 {{"environments", environments},
                  {"controllers", controllers},
                  {"views", views},
                  {"eventArgs", eventArgs},
                  {"deferrals", deferrals},
                  {"others", comObjects - environments - controllers - views - eventArgs - deferrals},
                  {"comObjects", comObjects},
                  {"registrations", liveCount(LiveKind::registrations)},
                  {"pendingCompletions", liveCount(LiveKind::pendingCompletions)},
                  {"recordedCalls", static_cast<std::int64_t>(callRecordSize())},
                  {"held", heldJson(own.held)}}},
                {"heapBytes", heapBytesInUse()},
                {"committedPrivateBytes", committedPrivateBytes()},
                {"heaps", heapCount()},
                {"threads", threadCount()},
                {"workingSet", own.workingSet}};
}

}  // namespace vesko::standin
