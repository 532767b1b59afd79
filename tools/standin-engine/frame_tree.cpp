#include "frame_tree.h"

#include <algorithm>

namespace vesko::standin {

std::uint32_t FrameTree::create(std::uint32_t parent, std::wstring name, std::wstring source, std::string key) {
    if (parent != 0 && live(parent) == nullptr) return 0;
    // Frame ids are unique in the process, as the engine's are.
    static std::uint32_t nextId = 1;
    Frame frame;
    frame.id = nextId++;
    frame.parent = parent;
    frame.name = std::move(name);
    frame.source = std::move(source);
    frame.key = std::move(key);
    frame.object = makeComObject<FrameObject>(viewName_ + ".frame#" + std::to_string(frame.id), frame.id, frame.name);
    frames_.push_back(frame);
    record(viewName_, "FrameCreated", frame.object->owner() + " " + toUtf8(frame.source));
    if (parent == 0) {
        const auto args = makeComObject<FrameCreatedArgs>(viewName_, frame.object);
        for (const auto& handler : viewEvent_.handlers()) handler->Invoke(view_, args.Get());
    } else {
        // Only the parent's own FrameCreated hears of it: the view's is for the top
        // document's frames.
        const ComPtr<FrameObject> parentObject = live(parent)->object;
        const auto args = makeComObject<FrameCreatedArgs>(parentObject->owner(), frame.object);
        for (const auto& handler : parentObject->frameCreated().handlers()) handler->Invoke(parentObject.Get(), args.Get());
    }
    return frame.id;
}

FrameTree::Frame* FrameTree::live(std::uint32_t id) {
    const auto found = std::find_if(frames_.begin(), frames_.end(), [&](const Frame& f) { return f.id == id; });
    return found == frames_.end() ? nullptr : &*found;
}

const FrameTree::Frame* FrameTree::find(std::uint32_t id) const {
    const auto found = std::find_if(frames_.begin(), frames_.end(), [&](const Frame& f) { return f.id == id; });
    return found == frames_.end() ? nullptr : &*found;
}

const FrameTree::Frame* FrameTree::findByKey(const std::string& key) const {
    const auto found = std::find_if(frames_.begin(), frames_.end(), [&](const Frame& f) { return f.key == key; });
    return key.empty() || found == frames_.end() ? nullptr : &*found;
}

const FrameTree::Frame* FrameTree::findByNameOrSource(const std::wstring& text) const {
    const auto found = std::find_if(frames_.begin(), frames_.end(),
                                    [&](const Frame& f) { return f.name == text || f.source == text; });
    return found == frames_.end() ? nullptr : &*found;
}

void FrameTree::navigated(std::uint32_t id, std::wstring source, bool success, std::uint64_t navigationId) {
    Frame* frame = live(id);
    if (frame == nullptr) return;
    frame->source = std::move(source);
    const ComPtr<FrameObject> object = frame->object;
    destroyChildren(id);
    const auto args = makeComObject<NavigationCompletedArgs>(object->owner(), success,
                                                             COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN, navigationId);
    for (const auto& handler : object->navigationCompleted().handlers()) handler->Invoke(object.Get(), args.Get());
}

void FrameTree::destroyChildren(std::uint32_t parent) {
    std::vector<std::uint32_t> children;
    for (const Frame& f : frames_) {
        if (f.parent == parent) children.push_back(f.id);
    }
    for (const std::uint32_t child : children) destroy(child);
}

void FrameTree::destroy(std::uint32_t id) {
    if (live(id) == nullptr) return;
    destroyChildren(id);
    if (live(id) == nullptr) return;
    const ComPtr<FrameObject> object = live(id)->object;
    std::erase_if(frames_, [&](const Frame& f) { return f.id == id; });
    object->markDestroyed();
    record(viewName_, "FrameDestroyed", object->owner());
    for (const auto& handler : object->destroyedEvent().handlers()) handler->Invoke(object.Get(), nullptr);
    object->dropHandlers();
}

void FrameTree::destroyAll() { destroyChildren(0); }

void FrameTree::drop() {
    for (const Frame& f : frames_) {
        f.object->markDestroyed();
        f.object->dropHandlers();
    }
    frames_.clear();
}

void FrameTree::post(std::uint32_t id, const std::wstring& json) {
    Frame* frame = live(id);
    if (frame == nullptr) return;
    const ComPtr<FrameObject> object = frame->object;
    const auto args = makeComObject<WebMessageArgs>(object->owner(), frame->source, json);
    for (const auto& handler : object->webMessageReceived().handlers()) handler->Invoke(object.Get(), args.Get());
}

void FrameObject::dropHandlers() {
    webMessageReceived_.clear();
    destroyedEvent_.clear();
    frameCreated_.clear();
    navigationCompleted_.clear();
}

}  // namespace vesko::standin
