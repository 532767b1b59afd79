#pragma once
// Which of a view's navigations the tab is busy with. The engine may start a new
// navigation before the old one's completion arrives, and a cancelled or stopped one still
// completes; matching completions to starts by their id keeps the tab busy exactly while
// its current navigation runs.

#include <cstdint>
#include <optional>

namespace vesko {

class NavigationTracker {
public:
    // What a completion means for the tab.
    enum class Completion {
        stale,     // not the current navigation (superseded, refused, or from an old view)
        current,   // the current navigation ended on its own
        stopped,   // the current navigation, ended because the program stopped it
    };

    // An allowed navigation started: it is now the current one and the tab is busy.
    void started(std::uint64_t id);
    // The program stopped the current navigation: the tab is idle at once, and its
    // completion, when it comes, is no failure to report.
    void stop();
    // A navigation completed.
    Completion completed(std::uint64_t id);
    // The view went (a new one follows): its navigations no longer count.
    void forget();

    bool busy() const { return busy_; }

private:
    std::optional<std::uint64_t> current_;
    bool busy_ = false;
    bool stopped_ = false;
};

}  // namespace vesko
