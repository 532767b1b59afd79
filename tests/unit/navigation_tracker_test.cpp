// A tab is busy from its current navigation's start to that navigation's completion,
// whatever the order in which the engine reports overlapping navigations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/navigation_tracker.h"

namespace vesko {
namespace {

using Completion = NavigationTracker::Completion;

// Steps: "s7" starts navigation 7, "c7" completes it, "x" is the program's stop, "f" a new view.
struct Case {
    const char* steps;
    std::vector<Completion> completions;  // one per "c" step, in order
    bool busyAfter;
};

TEST(NavigationTracker, MatchesCompletionsToTheCurrentNavigation) {
    const Case cases[] = {
        {"s1 c1", {Completion::current}, false},
        // The new start comes before the old completion: still busy with the new one.
        {"s1 s2 c1", {Completion::stale}, true},
        {"s1 s2 c1 c2", {Completion::stale, Completion::current}, false},
        // The old completion comes first, as an engine may also report it.
        {"s1 c1 s2", {Completion::current}, true},
        // A navigation the guard refused never started for the tab.
        {"s1 c9", {Completion::stale}, true},
        // Stopped: idle at once, its completion is the stop's, not a failure.
        {"s1 x", {}, false},
        {"s1 x c1", {Completion::stopped}, false},
        {"s1 x s2 c1 c2", {Completion::stale, Completion::current}, false},
        // A stop with nothing under way changes nothing later.
        {"x s3 c3", {Completion::current}, false},
        // A completion counts once.
        {"s1 c1 c1", {Completion::current, Completion::stale}, false},
        // A new view: its old navigations no longer count.
        {"s1 f c1", {Completion::stale}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        NavigationTracker tracker;
        std::vector<Completion> seen;
        const std::string steps = c.steps;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            switch (steps[i]) {
                case 's': tracker.started(static_cast<std::uint64_t>(steps[++i] - '0')); break;
                case 'c': seen.push_back(tracker.completed(static_cast<std::uint64_t>(steps[++i] - '0'))); break;
                case 'x': tracker.stop(); break;
                case 'f': tracker.forget(); break;
                default: break;
            }
        }
        EXPECT_EQ(seen, c.completions);
        EXPECT_EQ(tracker.busy(), c.busyAfter);
    }
}

}  // namespace
}  // namespace vesko
