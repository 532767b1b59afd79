#include "ui/frame_keys.h"

#include <algorithm>
#include <array>

#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

// The toolbar's items left to right, as the arrow keys walk them.
constexpr std::array<int, 6> kToolbarOrder{kToolbarBack,     kToolbarForward,  kToolbarReloadOrStop,
                                           kToolbarHome,     kToolbarPageInfo, kToolbarMenu};

bool toolbarItemEnabled(int item, const FrameKeyContext& c) {
    if (item == kToolbarBack) return c.canGoBack;
    if (item == kToolbarForward) return c.canGoForward;
    return true;
}

int toolbarPosition(int item) {
    const auto at = std::find(kToolbarOrder.begin(), kToolbarOrder.end(), item);
    return at == kToolbarOrder.end() ? 0 : static_cast<int>(at - kToolbarOrder.begin());
}

// The first enabled item from `position` on in steps of `step` (±1), or `otherwise` when
// none is enabled that way.
int enabledToolbarItem(int position, int step, const FrameKeyContext& c, int otherwise) {
    for (int p = position; p >= 0 && p < static_cast<int>(kToolbarOrder.size()); p += step) {
        if (toolbarItemEnabled(kToolbarOrder[static_cast<std::size_t>(p)], c)) return kToolbarOrder[static_cast<std::size_t>(p)];
    }
    return otherwise;
}

FrameFocus zone(FocusZone z, const FrameFocus& from) {
    FrameFocus f = from;
    f.zone = z;
    return f;
}

FrameFocus enterTabStrip(const FrameFocus& from, const FrameKeyContext& c) {
    FrameFocus f = zone(FocusZone::TabStrip, from);
    f.tab = std::max(c.activeTab, 0);
    return f;
}

FrameFocus enterToolbar(const FrameFocus& from, const FrameKeyContext& c) {
    FrameFocus f = zone(FocusZone::Toolbar, from);
    f.toolbarItem = enabledToolbarItem(0, +1, c, kToolbarReloadOrStop);
    return f;
}

FrameKeyOutcome moved(FrameFocus focus, PageEntry page = PageEntry::None) {
    return FrameKeyOutcome{true, focus, {}, page};
}

FrameKeyOutcome toPage(const FrameFocus& from, PageEntry entry) {
    return moved(zone(FocusZone::Page, from), entry);
}

FrameKeyOutcome f6(const FrameFocus& f, bool back, const FrameKeyContext& c) {
    switch (f.zone) {
        case FocusZone::Page: return moved(back ? enterToolbar(f, c) : enterTabStrip(f, c));
        case FocusZone::TabStrip: return back ? toPage(f, PageEntry::AsItWas) : moved(enterToolbar(f, c));
        case FocusZone::Toolbar:
        case FocusZone::AddressField: return back ? moved(enterTabStrip(f, c)) : toPage(f, PageEntry::AsItWas);
    }
    return {};
}

FrameKeyOutcome tabKey(const FrameFocus& f, bool back, const FrameKeyContext& c) {
    switch (f.zone) {
        case FocusZone::Page: return {};
        case FocusZone::TabStrip: return back ? toPage(f, PageEntry::Last) : moved(enterToolbar(f, c));
        case FocusZone::Toolbar: return moved(back ? enterTabStrip(f, c) : zone(FocusZone::AddressField, f));
        case FocusZone::AddressField: return back ? moved(enterToolbar(f, c)) : toPage(f, PageEntry::First);
    }
    return {};
}

FrameKeyOutcome tabStripKey(FrameFocus f, std::int32_t key, const FrameKeyContext& c) {
    const int last = std::max(c.tabCount - 1, 0);
    switch (key) {
        case kVkLeft: case kVkUp: f.tab = std::max(f.tab - 1, 0); return moved(f);
        case kVkRight: case kVkDown: f.tab = std::min(f.tab + 1, last); return moved(f);
        case kVkHome: f.tab = 0; return moved(f);
        case kVkEnd: f.tab = last; return moved(f);
        case kVkReturn: case kVkSpace: return FrameKeyOutcome{true, f, {FrameAction::SelectTab, f.tab}, PageEntry::None};
        case kVkDelete: return FrameKeyOutcome{true, f, {FrameAction::CloseTab, f.tab}, PageEntry::None};
        default: return {};
    }
}

FrameClick toolbarClick(int item) {
    if (item == kToolbarMenu) return {FrameAction::ShowMenu};
    if (item == kToolbarPageInfo) return {FrameAction::PageInfo};
    return {FrameAction::ToolbarButton, item};
}

FrameKeyOutcome toolbarKey(FrameFocus f, std::int32_t key, const FrameKeyContext& c) {
    const int position = toolbarPosition(f.toolbarItem);
    switch (key) {
        case kVkLeft: case kVkUp: f.toolbarItem = enabledToolbarItem(position - 1, -1, c, f.toolbarItem); return moved(f);
        case kVkRight: case kVkDown: f.toolbarItem = enabledToolbarItem(position + 1, +1, c, f.toolbarItem); return moved(f);
        case kVkHome: f.toolbarItem = enabledToolbarItem(0, +1, c, f.toolbarItem); return moved(f);
        case kVkEnd: f.toolbarItem = kToolbarMenu; return moved(f);
        case kVkReturn: case kVkSpace: return FrameKeyOutcome{true, f, toolbarClick(f.toolbarItem), PageEntry::None};
        default: return {};
    }
}

}  // namespace

FrameKeyOutcome frameKey(FrameFocus focus, std::int32_t key, KeyModifiers modifiers, const FrameKeyContext& context) {
    if (modifiers.ctrl || modifiers.alt) return {};
    if (key == kVkF6) return f6(focus, modifiers.shift, context);
    if (key == kVkF10 && !modifiers.shift) return FrameKeyOutcome{true, focus, {FrameAction::ShowMenu}, PageEntry::None};
    if (key == kVkTab) return tabKey(focus, modifiers.shift, context);
    if (focus.zone == FocusZone::Page || focus.zone == FocusZone::AddressField) return {};
    if (key == kVkEscape) return toPage(focus, PageEntry::AsItWas);
    if (modifiers.shift) return {};
    return focus.zone == FocusZone::TabStrip ? tabStripKey(focus, key, context) : toolbarKey(focus, key, context);
}

FrameFocus focusFromPage(bool forward, const FrameKeyContext& context) {
    FrameFocus focus;
    if (forward) return enterTabStrip(focus, context);
    focus.zone = FocusZone::AddressField;
    return focus;
}

FrameFocus clampFocus(FrameFocus focus, const FrameKeyContext& context) {
    focus.tab = std::clamp(focus.tab, 0, std::max(context.tabCount - 1, 0));
    if (!toolbarItemEnabled(focus.toolbarItem, context)) {
        focus.toolbarItem = enabledToolbarItem(toolbarPosition(focus.toolbarItem), +1, context, kToolbarReloadOrStop);
    }
    return focus;
}

}  // namespace vesko
