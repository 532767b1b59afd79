#include "ui/frame_model_win.h"

#include <utility>

#include "ui/window_state_win.h"

namespace vesko {
namespace {

int indexOf(const std::vector<FrameElement>& elements, std::uint32_t key) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (elements[i].key == key) return static_cast<int>(i);
    }
    return -1;
}

// The first (or last) element after `from` whose parent is `parent`.
std::optional<std::uint32_t> childOf(const std::vector<FrameElement>& elements, int parent, bool last) {
    std::optional<std::uint32_t> found;
    for (const FrameElement& element : elements) {
        if (element.parent != parent) continue;
        found = element.key;
        if (!last) break;
    }
    return found;
}

std::optional<std::uint32_t> sibling(const std::vector<FrameElement>& elements, int index, int step) {
    const int parent = elements[static_cast<std::size_t>(index)].parent;
    for (int i = index + step; i >= 0 && i < static_cast<int>(elements.size()); i += step) {
        if (elements[static_cast<std::size_t>(i)].parent == parent) return elements[static_cast<std::size_t>(i)].key;
    }
    return std::nullopt;
}

bool contains(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

void FrameModel::update(std::vector<FrameElement> elements) {
    const std::lock_guard lock(mutex_);
    if (connected_) elements_ = std::move(elements);
}

void FrameModel::disconnect() {
    const std::lock_guard lock(mutex_);
    connected_ = false;
    elements_.clear();
}

std::vector<FrameElement> FrameModel::elements() const {
    const std::lock_guard lock(mutex_);
    return elements_;
}

std::optional<FrameElement> FrameModel::element(std::uint32_t key) const {
    const std::lock_guard lock(mutex_);
    if (const FrameElement* found = findElement(elements_, key)) return *found;
    return std::nullopt;
}

std::optional<std::uint32_t> FrameModel::navigate(std::uint32_t key, NavigateDirection direction) const {
    const std::lock_guard lock(mutex_);
    const int index = key == 0 ? -1 : indexOf(elements_, key);
    if (key != 0 && index < 0) return std::nullopt;
    switch (direction) {
        case NavigateDirection_Parent: {
            if (index < 0) return std::nullopt;
            const int parent = elements_[static_cast<std::size_t>(index)].parent;
            return parent < 0 ? 0u : elements_[static_cast<std::size_t>(parent)].key;
        }
        case NavigateDirection_FirstChild: return childOf(elements_, index, false);
        case NavigateDirection_LastChild: return childOf(elements_, index, true);
        case NavigateDirection_NextSibling: return index < 0 ? std::nullopt : sibling(elements_, index, +1);
        case NavigateDirection_PreviousSibling: return index < 0 ? std::nullopt : sibling(elements_, index, -1);
    }
    return std::nullopt;
}

std::optional<std::uint32_t> FrameModel::elementAt(Point client) const {
    const std::lock_guard lock(mutex_);
    // Children follow their parents, so the last hit is the innermost.
    std::optional<std::uint32_t> hit;
    for (const FrameElement& element : elements_) {
        if (!element.offscreen && contains(element.bounds, client)) hit = element.key;
    }
    return hit;
}

std::optional<std::uint32_t> FrameModel::focusedElement() const {
    const std::lock_guard lock(mutex_);
    for (const FrameElement& element : elements_) {
        if (element.focused) return element.key;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> FrameModel::selectedTab() const {
    const std::lock_guard lock(mutex_);
    for (const FrameElement& element : elements_) {
        if (element.role == FrameRole::TabItem && element.selected) return element.key;
    }
    return std::nullopt;
}

RECT FrameModel::toScreen(const Rect& bounds) const {
    if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) return RECT{};
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    return RECT{bounds.left + origin.x, bounds.top + origin.y, bounds.right + origin.x, bounds.bottom + origin.y};
}

bool FrameModel::request(FrameRequest request, std::uint32_t key) const {
    {
        const std::lock_guard lock(mutex_);
        if (!connected_) return false;
    }
    return PostMessageW(window_, WM_APP_FRAME_ACTION, static_cast<WPARAM>(request), static_cast<LPARAM>(key)) != FALSE;
}

void FrameModel::setAddressText(std::wstring text) {
    const std::lock_guard lock(mutex_);
    addressText_ = std::move(text);
}

std::optional<std::wstring> FrameModel::takeAddressText() {
    const std::lock_guard lock(mutex_);
    return std::exchange(addressText_, std::nullopt);
}

}  // namespace vesko
