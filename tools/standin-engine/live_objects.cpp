#include "live_objects.h"

#include <array>
#include <atomic>

namespace vesko::standin {
namespace {

std::array<std::atomic<std::int64_t>, kLiveKinds>& counters() {
    static std::array<std::atomic<std::int64_t>, kLiveKinds> all{};
    return all;
}

}  // namespace

void noteLive(LiveKind kind, int change) { counters()[static_cast<std::size_t>(kind)].fetch_add(change); }
std::int64_t liveCount(LiveKind kind) { return counters()[static_cast<std::size_t>(kind)].load(); }

}  // namespace vesko::standin
