#pragma once
// Counts of the engine objects this module has alive, by kind, and of what it holds from
// the host, so a long run can see that whatever the host released the engine let go of.
// Environments, controllers and views are counted by their own registries.

#include <cstdint>
#include <memory>

namespace vesko::standin {

enum class LiveKind : int { eventArgs, deferrals, registrations, pendingCompletions };
inline constexpr int kLiveKinds = 4;

void noteLive(LiveKind kind, int change);
std::int64_t liveCount(LiveKind kind);

// One live object of `Kind` for as long as the member holding it lives; copies count again.
template <LiveKind Kind>
class LiveMark {
public:
    LiveMark() { noteLive(Kind, 1); }
    LiveMark(const LiveMark&) { noteLive(Kind, 1); }
    LiveMark& operator=(const LiveMark&) { return *this; }
    ~LiveMark() { noteLive(Kind, -1); }
};

// One completion handler of the host's held until the last copy of what holds it goes.
inline std::shared_ptr<LiveMark<LiveKind::pendingCompletions>> holdCompletion() {
    return std::make_shared<LiveMark<LiveKind::pendingCompletions>>();
}

}  // namespace vesko::standin
