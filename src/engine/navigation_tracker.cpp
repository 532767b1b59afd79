#include "engine/navigation_tracker.h"

namespace vesko {

void NavigationTracker::started(std::uint64_t id) {
    current_ = id;
    busy_ = true;
    stopped_ = false;
}

void NavigationTracker::stop() {
    if (current_) stopped_ = true;
    busy_ = false;
}

NavigationTracker::Completion NavigationTracker::completed(std::uint64_t id) {
    if (!current_ || *current_ != id) return Completion::stale;
    const bool stopped = stopped_;
    current_.reset();
    busy_ = false;
    stopped_ = false;
    return stopped ? Completion::stopped : Completion::current;
}

void NavigationTracker::forget() {
    current_.reset();
    busy_ = false;
    stopped_ = false;
}

}  // namespace vesko
