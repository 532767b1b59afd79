#pragma once

#include <cstdint>
#include <vector>

#include "ui/frame_description.h"

namespace vesko {

// What assistive technology is told when the frame changes from one description to the next.
enum class FrameChangeKind : std::uint8_t {
    Structure,  // parts appeared or went; key: the tab list for its tabs, 0 for the frame
    Name,       // a part's name changed (a tab's title, reload turned stop)
    Selection,  // a tab became the selected one
    Focus,      // the keyboard focus moved to a part
    LiveRegion, // a live text (the status line) says something new
};

struct FrameChange {
    FrameChangeKind kind = FrameChangeKind::Name;
    std::uint32_t key = 0;

    friend bool operator==(const FrameChange&, const FrameChange&) = default;
};

// The changes from `before` to `after`, in the order they are announced: structure first,
// so a reader knows a part before it hears about it, then names, selection, focus and live
// text. A part that is new has no name change; a live text's new words are announced as
// such, not as a name change, and not when they are empty.
std::vector<FrameChange> frameChanges(const std::vector<FrameElement>& before, const std::vector<FrameElement>& after);

}  // namespace vesko
