#pragma once
// The live frames of a view's page, as the engine reports them: each one handed to the
// host when it is created (FrameCreated on the view for the top document's frames, on the
// parent frame for frames inside frames), its messages raised on its own object only,
// and its end raised when its parent document goes or the page does.

#include <cstdint>
#include <string>
#include <vector>

#include "frame_object.h"

namespace vesko::standin {

class FrameTree {
public:
    struct Frame {
        std::uint32_t id = 0;
        std::uint32_t parent = 0;  // 0: a frame of the top document
        std::wstring name;
        std::wstring source;
        std::string key;  // the driver's own name for it (Chromium's frame id)
        ComPtr<FrameObject> object;
    };

    // viewName names the frames in the record; view is the sender of the view's event.
    FrameTree(std::string viewName, ICoreWebView2* view, EventList<ICoreWebView2FrameCreatedEventHandler>& viewEvent)
        : viewName_(std::move(viewName)), view_(view), viewEvent_(viewEvent) {}

    // A new frame in `parent` (0: the top document), raised at once on the view or on the
    // parent frame; 0 when the parent has gone.
    std::uint32_t create(std::uint32_t parent, std::wstring name, std::wstring source, std::string key = {});
    const Frame* find(std::uint32_t id) const;
    const Frame* findByKey(const std::string& key) const;
    // The first live frame, in creation order, whose name or document address is `text`.
    const Frame* findByNameOrSource(const std::wstring& text) const;
    const std::vector<Frame>& frames() const { return frames_; }

    // The frame's own document was replaced: the old document's frames go first, then the
    // frame's NavigationCompleted.
    void navigated(std::uint32_t id, std::wstring source, bool success, std::uint64_t navigationId);
    // The frame and every frame inside it go, the deepest first, each raising Destroyed.
    void destroy(std::uint32_t id);
    // Every frame of the page goes (the top document was replaced, or its renderer went).
    void destroyAll();
    // The view closed: the frames are gone without another event, the host's handlers let go.
    void drop();
    // A message the frame's document posted, with that document's address as its source;
    // nothing when the frame has gone or nobody listens on it.
    void post(std::uint32_t id, const std::wstring& json);

private:
    void destroyChildren(std::uint32_t parent);
    Frame* live(std::uint32_t id);

    std::string viewName_;
    ICoreWebView2* view_;
    EventList<ICoreWebView2FrameCreatedEventHandler>& viewEvent_;
    std::vector<Frame> frames_;
};

}  // namespace vesko::standin
