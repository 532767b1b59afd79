// The one dispatcher of user commands, and the three-dots menu.
#include <windows.h>

#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "base/wide_text_win.h"
#include "policy/portal_policy.h"
#include "ui/browser_app.h"
#include "ui/close_warning.h"
#include "ui/commands.h"
#include "ui/menu_model.h"
#include "ui/tab_order.h"
#include "ui/zoom_rule.h"

namespace vesko {
namespace {

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuOwner = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

void showStatus(BrowserApp& app, const StatusMessage& message) {
    app.setStatus(toWide(message.text), message.seconds);
}

// A popup menu from the menu model; submenus belong to their parent once appended.
MenuOwner buildPopupMenu(const std::vector<MenuItem>& items) {
    MenuOwner menu(CreatePopupMenu());
    if (!menu) return nullptr;
    for (const MenuItem& item : items) {
        const std::wstring text = toWide(item.text);
        switch (item.kind) {
            case MenuItem::Kind::Separator:
                AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
                break;
            case MenuItem::Kind::Submenu: {
                MenuOwner submenu = buildPopupMenu(item.items);
                if (submenu && AppendMenuW(menu.get(), MF_STRING | MF_POPUP,
                                           reinterpret_cast<UINT_PTR>(submenu.get()), text.c_str())) {
                    submenu.release();
                }
                break;
            }
            case MenuItem::Kind::Command: {
                UINT flags = MF_STRING;
                if (item.checked) flags |= MF_CHECKED;
                if (item.grayed) flags |= MF_GRAYED;
                AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(item.command), text.c_str());
                break;
            }
        }
    }
    return menu;
}

// The active view's zoom factor as the menu shows it: 1.0 without a view or an answer.
double activeZoom(const BrowserApp& app) {
    const auto tab = app.activeTabPointer();
    if (!tab || !tab->controller) return 1.0;
    double factor = 0.0;
    if (FAILED(tab->controller->get_ZoomFactor(&factor))) return effectiveZoom(std::nullopt);
    return effectiveZoom(factor);
}

void toggleCloseWarning(BrowserApp& app) {
    const CloseWarningState toggled = toggledCloseWarning({app.warnOnClose, app.closeWarningSuppressed});
    app.warnOnClose = toggled.warnOnClose;
    app.closeWarningSuppressed = toggled.suppressed;
    app.savePreferences();
    showStatus(app, closeWarningToggleStatus(toggled));
}

void reopenClosedTab(BrowserApp& app) {
    const std::optional<std::string> newest = app.closedTabUrls.newest();
    if (!newest) return showStatus(app, kNothingToReopenStatus);
    const std::size_t before = app.tabs.size();
    app.openTab(toWide(*newest), nullptr, nullptr, false);
    // A refused reopen keeps the address for the next attempt.
    if (app.tabs.size() > before) app.closedTabUrls.forgetNewest();
}

void focusAddressField(const BrowserApp& app) {
    if (app.addressField == nullptr) return;
    SetFocus(app.addressField);
    SendMessageW(app.addressField, EM_SETSEL, 0, -1);
}

}  // namespace

void BrowserApp::executeCommand(std::int32_t id) {
    const auto active = activeTabPointer();
    const CommandContext context{engineReady, active && active->webview, probePassed};
    switch (commandGate(id, context)) {
        case CommandGate::Ignore: return;
        case CommandGate::AwaitProbe: return showStatus(*this, kAwaitProbeStatus);
        case CommandGate::Run: break;
    }
    if (isZoomCommand(id)) return zoomActiveTab(id);

    const int count = static_cast<int>(tabs.size());
    switch (id) {
        case commands::PageInfo: return showPageInfo();
        case commands::ToggleCloseWarning: return toggleCloseWarning(*this);
        case commands::SaveDiagnostics: return saveDiagnostics();
        case commands::NewTab: return openTab(toWide(PortalPolicy::portalStartUrl()), nullptr, nullptr, false);
        case commands::CloseTab: return closeTab(activeTab);
        case commands::NextTab: return selectTab(nextTabIndex(activeTab, count));
        case commands::PreviousTab: return selectTab(previousTabIndex(activeTab, count));
        case commands::FocusAddress: return focusAddressField(*this);
        case commands::ReopenClosedTab: return reopenClosedTab(*this);
        case commands::Back: return goBack();
        case commands::Forward: return goForward();
        case commands::ReloadOrStop: return reloadOrStop();
        case commands::Home: return navigateActiveTab(toWide(PortalPolicy::portalStartUrl()));
        case commands::Downloads: return showDownloads();
        case commands::Print: return printActiveTab();
        default: return;
    }
}

void BrowserApp::showMenu() {
    if (window == nullptr) return;
    MenuInput input;
    input.zoom = activeZoom(*this);
    input.warnOnClose = warnOnClose;
    input.hasClosedTabs = !closedTabUrls.empty();
    MenuOwner menu = buildPopupMenu(buildMainMenu(input));
    if (!menu) return;

    RECT client{};
    GetClientRect(window, &client);
    const Point anchor = menuAnchor(client.right - client.left, dpiScale);
    POINT screen{anchor.x, anchor.y};
    ClientToScreen(window, &screen);
    const int chosen = static_cast<int>(
        TrackPopupMenu(menu.get(), kMenuTrackFlags, screen.x, screen.y, 0, window, nullptr));
    menu.reset();
    if (chosen != 0) executeCommand(chosen);
}

}  // namespace vesko
