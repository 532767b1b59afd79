#pragma once
// Which of a tab's documents hold unsaved input: the top document and the documents of
// its frames. A frame's document counts for its tab until it is replaced or the frame goes;
// the tab warns before it closes while any one of them holds input.

#include <cstdint>
#include <set>

namespace vesko {

class UnsavedInput {
public:
    // The program's own number for one frame object of the tab's view.
    using FrameKey = std::uint64_t;

    void markTop() { top_ = true; }
    void markFrame(FrameKey frame) { frames_.insert(frame); }
    // The top document was replaced. Its frames go with it, each reporting its own end.
    void topReplaced() { top_ = false; }
    // The frame's document was replaced, or the frame went.
    void frameReplaced(FrameKey frame) { frames_.erase(frame); }
    // The view went, and every frame with it.
    void framesGone() { frames_.clear(); }

    bool any() const { return top_ || !frames_.empty(); }

private:
    bool top_ = false;
    std::set<FrameKey> frames_;
};

}  // namespace vesko
