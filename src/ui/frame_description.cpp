#include "ui/frame_description.h"

#include <utility>

#include "ui/dpi_scale.h"
#include "ui/frame_layout.h"
#include "ui/tab_strip_layout.h"
#include "ui/toolbar_layout.h"
#include "ui/zoom_rule.h"

namespace vesko {
namespace {

// Names a screen reader speaks, in the words of the frame's other texts.
constexpr std::string_view kMinimizeName = "Minimizo";
constexpr std::string_view kMaximizeName = "Maksimizo";
constexpr std::string_view kRestoreName = "Rikthe";
constexpr std::string_view kCloseWindowName = "Mbyll";
constexpr std::string_view kTabListName = "Skedat";
constexpr std::string_view kCloseTabName = "Mbyll sked\xC3\xABn";
constexpr std::string_view kScrollLeftName = "Skedat n\xC3\xAB t\xC3\xAB majt\xC3\xAB";
constexpr std::string_view kScrollRightName = "Skedat n\xC3\xAB t\xC3\xAB djatht\xC3\xAB";
constexpr std::string_view kNewTabName = "Sked\xC3\xAB e re";
constexpr std::string_view kToolBarName = "Shiriti i veglave";
constexpr std::string_view kBackName = "Prapa";
constexpr std::string_view kForwardName = "P\xC3\xABrpara";
constexpr std::string_view kReloadName = "Rifresko";
constexpr std::string_view kStopName = "Ndalo";
constexpr std::string_view kHomeName = "Faqja kryesore";
constexpr std::string_view kPageInfoName = "Informacion p\xC3\xABr faqen";
constexpr std::string_view kAddressName = "Adresa";
constexpr std::string_view kMenuName = "Menyja";
constexpr std::string_view kStatusBarName = "Gjendja";
constexpr std::string_view kUnsavedStatus = "Ka t\xC3\xAB dh\xC3\xABna t\xC3\xAB paruajtura";

class FrameDescriber {
public:
    explicit FrameDescriber(const FrameSnapshot& frame)
        : f_(frame),
          s_(frame.dpiScale),
          width_(frame.clientWidth),
          height_(frame.clientHeight),
          active_(frame.activeTabOrNull()) {}

    std::vector<FrameElement> describe() {
        describeTitleBar();
        if (f_.engineReady) {
            describeTabStrip();
            describeToolBar();
        }
        describeStatusBar();
        return std::move(elements_);
    }

private:
    int px(double v) const { return scalePx(v, s_); }

    int add(int parent, std::uint32_t key, FrameRole role, std::string_view name, Rect bounds,
            FrameClick click = {}) {
        FrameElement element;
        element.key = key;
        element.parent = parent;
        element.role = role;
        element.name = std::string(name);
        element.bounds = bounds;
        element.click = click;
        element.focusable = click.action != FrameAction::None;
        elements_.push_back(std::move(element));
        return static_cast<int>(elements_.size()) - 1;
    }

    FrameElement& at(int index) { return elements_[static_cast<std::size_t>(index)]; }

    bool focusIs(FocusZone zone) const { return f_.windowFocused && f_.focus.zone == zone; }

    void describeTitleBar() {
        const int bar = add(-1, frame_keys::TitleBar, FrameRole::TitleBar, f_.windowTitle,
                            {0, 0, width_, tabStripBottom(s_)});
        add(bar, frame_keys::Minimize, FrameRole::Button, kMinimizeName, captionButtonRect(kCaptionMinimize, width_, s_),
            {FrameAction::Minimize});
        add(bar, frame_keys::Maximize, FrameRole::Button, f_.maximized ? kRestoreName : kMaximizeName,
            captionButtonRect(kCaptionMaximize, width_, s_),
            {f_.maximized ? FrameAction::Restore : FrameAction::Maximize});
        add(bar, frame_keys::Close, FrameRole::Button, kCloseWindowName, captionButtonRect(kCaptionClose, width_, s_),
            {FrameAction::Close});
    }

    void describeTabStrip() {
        const int count = static_cast<int>(f_.tabs.size());
        const TabStripLayout strip = layoutTabStrip(width_, count, f_.firstVisibleTab, s_);
        Rect listBounds;
        if (!strip.shown.empty()) {
            listBounds = {strip.shown.front().tab.left, strip.shown.front().tab.top, strip.shown.back().tab.right,
                          strip.shown.back().tab.bottom};
        }
        const int list = add(-1, frame_keys::TabList, FrameRole::TabList, kTabListName, listBounds);
        for (int i = 0; i < count; ++i) {
            const PaintTab& tab = f_.tabs[static_cast<std::size_t>(i)];
            const TabStripEntry* shown = nullptr;
            for (const TabStripEntry& entry : strip.shown) {
                if (entry.index == i) shown = &entry;
            }
            const int item = add(list, tabKey(tab.id), FrameRole::TabItem, tab.title, shown ? shown->tab : Rect{},
                                 {FrameAction::SelectTab, i});
            FrameElement& element = at(item);
            element.selected = i == f_.activeTab;
            element.offscreen = shown == nullptr;
            element.focused = focusIs(FocusZone::TabStrip) && f_.focus.tab == i;
            element.itemStatus = itemStatus(tab);
            element.busy = tab.busy();
            const int close = add(item, tabCloseKey(tab.id), FrameRole::Button, kCloseTabName,
                                  shown ? shown->close : Rect{}, {FrameAction::CloseTab, i});
            at(close).offscreen = shown == nullptr;
            // Reached through its tab (Delete), not as a stop of its own.
            at(close).focusable = false;
        }
        if (strip.firstVisibleTab > 0) {
            add(-1, frame_keys::ScrollLeft, FrameRole::Button, kScrollLeftName, strip.scrollLeft,
                {FrameAction::ScrollLeft});
        }
        if (strip.more) {
            add(-1, frame_keys::ScrollRight, FrameRole::Button, kScrollRightName, strip.scrollRight,
                {FrameAction::ScrollRight});
        }
        add(-1, frame_keys::NewTab, FrameRole::Button, kNewTabName, strip.newTab, {FrameAction::NewTab});
    }

    static std::string itemStatus(const PaintTab& tab) {
        if (tab.busy() && tab.dirty) return std::string(kStatusBusy) + " \xC2\xB7 " + std::string(kUnsavedStatus);
        if (tab.busy()) return std::string(kStatusBusy);
        if (tab.dirty) return std::string(kUnsavedStatus);
        return {};
    }

    void toolbarItem(int bar, int item, std::uint32_t key, std::string_view name, FrameClick click) {
        const int index = add(bar, key, item == kToolbarMenu ? FrameRole::MenuButton : FrameRole::Button, name,
                              toolbarItemRect(item, width_, s_), click);
        at(index).focused = focusIs(FocusZone::Toolbar) && f_.focus.toolbarItem == item;
    }

    void describeToolBar() {
        const int bar = add(-1, frame_keys::ToolBar, FrameRole::ToolBar, kToolBarName,
                            {0, tabStripBottom(s_), width_, toolbarBottom(s_)});
        const bool loading = active_ != nullptr && active_->loading;
        toolbarItem(bar, kToolbarBack, frame_keys::Back, kBackName, {FrameAction::ToolbarButton, kToolbarBack});
        at(static_cast<int>(elements_.size()) - 1).enabled = active_ != nullptr && active_->canGoBack;
        toolbarItem(bar, kToolbarForward, frame_keys::Forward, kForwardName,
                    {FrameAction::ToolbarButton, kToolbarForward});
        at(static_cast<int>(elements_.size()) - 1).enabled = active_ != nullptr && active_->canGoForward;
        toolbarItem(bar, kToolbarReloadOrStop, frame_keys::ReloadOrStop, loading ? kStopName : kReloadName,
                    {FrameAction::ToolbarButton, kToolbarReloadOrStop});
        toolbarItem(bar, kToolbarHome, frame_keys::Home, kHomeName, {FrameAction::ToolbarButton, kToolbarHome});
        toolbarItem(bar, kToolbarPageInfo, frame_keys::PageInfo, kPageInfoName, {FrameAction::PageInfo});

        const int address = add(bar, frame_keys::Address, FrameRole::Edit, kAddressName, addressFieldRect(width_, s_));
        at(address).value = f_.address;
        at(address).focusable = true;
        at(address).focused = f_.addressFocused;

        toolbarItem(bar, kToolbarMenu, frame_keys::Menu, kMenuName, {FrameAction::ShowMenu});
        at(static_cast<int>(elements_.size()) - 1).expanded = f_.menuOpen;
    }

    void describeStatusBar() {
        const int band = statusBandHeight(s_);
        const int bar = add(-1, frame_keys::StatusBar, FrameRole::StatusBar, kStatusBarName,
                            {0, height_ - band, width_, height_});
        const bool activeBusy = active_ != nullptr && active_->busy();
        const std::string_view text = statusLineText(f_.status, f_.nowMs, f_.engineReady, activeBusy);
        const int status = add(bar, frame_keys::StatusText, FrameRole::Text, text,
                               {px(12), height_ - px(26), width_ - px(250), height_});
        const bool urgent = f_.status.urgent && statusTextShown(!f_.status.text.empty(), f_.status.expiresAt, f_.nowMs);
        at(status).live = urgent ? LiveSetting::Assertive : LiveSetting::Polite;
        const double zoom = active_ != nullptr ? active_->zoom : 1.0;
        add(bar, frame_keys::ZoomText, FrameRole::Text, zoomIndicatorText(zoom),
            {width_ - px(245), height_ - px(26), width_ - px(12), height_});
    }

    const FrameSnapshot& f_;
    const double s_;
    const int width_;
    const int height_;
    const PaintTab* const active_;
    std::vector<FrameElement> elements_;
};

}  // namespace

std::vector<FrameElement> describeFrame(const FrameSnapshot& frame) {
    return FrameDescriber(frame).describe();
}

const FrameElement* findElement(const std::vector<FrameElement>& elements, std::uint32_t key) {
    for (const FrameElement& element : elements) {
        if (element.key == key) return &element;
    }
    return nullptr;
}

// Tabs take keys above the frame's own parts, two per tab id.
std::uint32_t tabKey(std::uint32_t tabId) { return 0x1000u + tabId * 2u; }
std::uint32_t tabCloseKey(std::uint32_t tabId) { return 0x1000u + tabId * 2u + 1u; }

}  // namespace vesko
