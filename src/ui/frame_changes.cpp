#include "ui/frame_changes.h"

namespace vesko {
namespace {

// The keys of the tab list's children, or of every part outside the tab list.
std::vector<std::uint32_t> keysOf(const std::vector<FrameElement>& elements, bool tabsOnly) {
    std::vector<std::uint32_t> keys;
    for (const FrameElement& element : elements) {
        bool inTabList = false;
        for (int up = element.parent; up >= 0; up = elements[static_cast<std::size_t>(up)].parent) {
            if (elements[static_cast<std::size_t>(up)].key == frame_keys::TabList) inTabList = true;
        }
        if (inTabList == tabsOnly) keys.push_back(element.key);
    }
    return keys;
}

const FrameElement* focusedElement(const std::vector<FrameElement>& elements) {
    for (const FrameElement& element : elements) {
        if (element.focused) return &element;
    }
    return nullptr;
}

}  // namespace

std::vector<FrameChange> frameChanges(const std::vector<FrameElement>& before, const std::vector<FrameElement>& after) {
    std::vector<FrameChange> changes;
    if (keysOf(before, false) != keysOf(after, false)) changes.push_back({FrameChangeKind::Structure, 0});
    const bool tabListInBoth = findElement(before, frame_keys::TabList) && findElement(after, frame_keys::TabList);
    if (tabListInBoth && keysOf(before, true) != keysOf(after, true)) {
        changes.push_back({FrameChangeKind::Structure, frame_keys::TabList});
    }

    std::vector<FrameChange> live;
    for (const FrameElement& element : after) {
        const FrameElement* old = findElement(before, element.key);
        if (old == nullptr || old->name == element.name) continue;
        if (element.live == LiveSetting::Off) {
            changes.push_back({FrameChangeKind::Name, element.key});
        } else if (!element.name.empty()) {
            live.push_back({FrameChangeKind::LiveRegion, element.key});
        }
    }
    for (const FrameElement& element : after) {
        const FrameElement* old = findElement(before, element.key);
        if (element.role == FrameRole::TabItem && element.selected && (old == nullptr || !old->selected)) {
            changes.push_back({FrameChangeKind::Selection, element.key});
        }
    }
    const FrameElement* focusBefore = focusedElement(before);
    const FrameElement* focusAfter = focusedElement(after);
    if (focusAfter != nullptr && (focusBefore == nullptr || focusBefore->key != focusAfter->key)) {
        changes.push_back({FrameChangeKind::Focus, focusAfter->key});
    }
    changes.insert(changes.end(), live.begin(), live.end());
    return changes;
}

}  // namespace vesko
