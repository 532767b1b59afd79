#pragma once
// The registrations a tab holds on the frames of its view, kept per frame: a frame that
// goes takes its own with it, and the tab removes whatever is left before its view closes.

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "base/resource_counts.h"
#include "engine/engine_interface_win.h"
#include "engine/unsaved_input.h"

namespace vesko {

class FrameListeners {
public:
    using FrameKey = UnsavedInput::FrameKey;

    // A new number for a frame the engine has just handed over.
    FrameKey nextKey() { return next_++; }

    // Registers `handler` with `add` on `frame`'s `source` and keeps the token for `remove`.
    template <typename Source, typename Handler>
    HRESULT listen(FrameKey frame, Source* source,
                   HRESULT (STDMETHODCALLTYPE Source::*add)(Handler*, EventRegistrationToken*),
                   HRESULT (STDMETHODCALLTYPE Source::*remove)(EventRegistrationToken), Handler* handler) {
        EventRegistrationToken token{};
        const HRESULT added = (source->*add)(handler, &token);
        if (SUCCEEDED(added)) {
            Microsoft::WRL::ComPtr<Source> owner(source);
            noteAcquired(HeldKind::engineRegistrations);
            registrations_[frame].push_back([owner, remove, token] {
                (owner.Get()->*remove)(token);
                noteReleased(HeldKind::engineRegistrations);
            });
        }
        return added;
    }

    // Removes the frame's registrations, letting go of the frame.
    void remove(FrameKey frame) {
        // Taken out first: removing calls into the engine, which may call back.
        const auto found = registrations_.find(frame);
        if (found == registrations_.end()) return;
        const auto removals = std::move(found->second);
        registrations_.erase(found);
        for (const auto& removal : removals) removal();
    }
    void removeAll() {
        auto all = std::move(registrations_);
        registrations_.clear();
        for (const auto& [frame, removals] : all) {
            for (const auto& removal : removals) removal();
        }
    }
    // Frames the tab still listens to.
    std::size_t size() const { return registrations_.size(); }

private:
    std::map<FrameKey, std::vector<std::function<void()>>> registrations_;
    FrameKey next_ = 1;
};

}  // namespace vesko
