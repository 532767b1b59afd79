#include "ui/hit_testing.h"

#include "ui/dpi_scale.h"
#include "ui/frame_layout.h"
#include "ui/frame_metrics.h"
#include "ui/tab_strip_layout.h"
#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

TabStripLayout stripOf(const FrameState& frame) {
    return layoutTabStrip(frame.clientWidth, frame.tabCount, frame.firstVisibleTab, frame.dpiScale);
}

int resizeEdgeAt(Point p, const FrameState& frame) {
    const int b = resizeBorder(frame.dpiScale);
    const bool top = p.y < b;
    const bool bottom = p.y >= frame.clientHeight - b;
    const bool left = p.x < b;
    const bool right = p.x >= frame.clientWidth - b;
    if (top && left) return kHitTopLeft;
    if (top && right) return kHitTopRight;
    if (bottom && left) return kHitBottomLeft;
    if (bottom && right) return kHitBottomRight;
    if (left) return kHitLeft;
    if (right) return kHitRight;
    if (top) return kHitTop;
    if (bottom) return kHitBottom;
    return 0;
}

}  // namespace

int frameHitTest(Point p, const FrameState& frame) {
    const auto S = [&frame](double v) { return scalePx(v, frame.dpiScale); };
    if (!frame.maximized) {
        if (const int edge = resizeEdgeAt(p, frame)) return edge;
    }
    if (p.y >= S(metrics::kTabStripBottom)) return kHitClient;
    if (p.x >= frame.clientWidth - S(metrics::kCaptionStripWidth)) return kHitClient;

    const TabStripLayout strip = stripOf(frame);
    if (strip.newTab.contains(p) || strip.scrollLeft.contains(p) || strip.scrollRight.contains(p)) {
        return frame.engineReady ? kHitClient : kHitCaption;
    }
    if (frame.engineReady && tabEntryAt(strip, p) != nullptr) return kHitClient;
    return kHitCaption;
}

HoverState hoverAt(Point p, const FrameState& frame) {
    HoverState hover;
    hover.hoveredToolbarItem = toolbarItemAt(p, frame.clientWidth, frame.dpiScale);
    hover.hoveredCaptionButton = captionButtonAt(p, frame.clientWidth, frame.dpiScale);

    const TabStripLayout strip = stripOf(frame);
    hover.newTabHovered = frame.engineReady && strip.newTab.contains(p);
    if (p.y < tabStripBottom(frame.dpiScale)) {
        if (const TabStripEntry* entry = tabEntryAt(strip, p)) {
            hover.hoveredTab = entry->index;
            hover.tabCloseHovered = entry->close.contains(p);
        }
    }
    return hover;
}

FrameClick clickAt(Point p, const FrameState& frame) {
    const auto S = [&frame](double v) { return scalePx(v, frame.dpiScale); };

    switch (captionButtonAt(p, frame.clientWidth, frame.dpiScale)) {
        case kCaptionMinimize: return {FrameAction::Minimize};
        case kCaptionMaximize: return {frame.maximized ? FrameAction::Restore : FrameAction::Maximize};
        case kCaptionClose: return {FrameAction::Close};
        default: break;
    }
    if (!frame.engineReady) return {};

    if (p.y >= S(metrics::kTabStripBottom)) {
        if (p.y >= S(metrics::kToolbarBottom)) return {};
        const int item = toolbarItemForClick(p.x, frame.clientWidth, frame.dpiScale);
        if (item == kToolbarMenu) return {FrameAction::ShowMenu};
        if (item == kToolbarPageInfo) return {FrameAction::PageInfo};
        if (item != kNoItem) return {FrameAction::ToolbarButton, item};
        return {};
    }

    const TabStripLayout strip = stripOf(frame);
    for (const TabStripEntry& entry : strip.shown) {
        if (entry.close.contains(p)) return {FrameAction::CloseTab, entry.index};
        if (entry.tab.contains(p)) return {FrameAction::SelectTab, entry.index};
    }
    if (strip.newTab.contains(p)) return {FrameAction::NewTab};
    if (strip.scrollLeft.contains(p)) return {FrameAction::ScrollLeft};
    if (strip.scrollRight.contains(p)) return {FrameAction::ScrollRight};
    return {};
}

int middleClickTabAt(Point p, const FrameState& frame) {
    if (p.y >= tabStripBottom(frame.dpiScale)) return -1;
    const TabStripLayout strip = stripOf(frame);
    const TabStripEntry* entry = tabEntryAt(strip, p);
    return entry != nullptr ? entry->index : -1;
}

}  // namespace vesko
