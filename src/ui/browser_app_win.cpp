#include "ui/browser_app.h"

#include <algorithm>
#include <cmath>

#include "app/files.h"
#include "base/wide_text_win.h"
#include "engine/downloads_win.h"
#include "page/diagnostics_win.h"
#include "policy/compiled_config.h"
#include "policy/portal_policy.h"
#include "ui/close_warning.h"
#include "ui/frame_layout.h"
#include "ui/gdiplus_win.h"
#include "ui/status_line.h"
#include "ui/tab_order.h"
#include "ui/tab_strip_layout.h"

namespace vesko {
namespace {

constexpr wchar_t kTabRefusedStatus[] =
    L"Prit kontrollin e motorit. Lejohen vet\u00EBm faqet e KORDIS; maksimumi 80 skeda.";
// A tab asked for before the environment exists; the request is refused like any other.
constexpr wchar_t kEngineNotReadyStatus[] = L"Motori WebView2 nuk \u00EBsht\u00EB gati ende.";
constexpr wchar_t kWindowTitleSuffix[] = L" \u2014 Vesko Browser";

}  // namespace

std::wstring BrowserApp::userErrorText(std::string_view code) {
    return toWide(vesko::userErrorText(code));
}

BrowserApp::BrowserApp(HINSTANCE moduleInstance) : instance(moduleInstance) {
    engineSources.loaderFolder = [] { return exeDirectory(); };
    engineSources.dataFolder = [] { return dataDirectory(); };
    engineSources.pinnedLoaderSha256 = std::string(config::kPinnedLoaderSha256);
    savePathPrompt = promptSavePath;
}

BrowserApp::~BrowserApp() {
    // A download whose save dialog never came (its message died with the window) holds
    // engine objects; they go before the engine's module does.
    cancelPendingDownloads();
    for (const auto& tab : tabs) {
        if (tab->controller) tab->controller->Close();
    }
    tabs.clear();
    environment10.Reset();
    environment.Reset();
    loaderModule.reset();
    uiFont.reset();
    if (gdiplusToken != 0) Gdiplus::GdiplusShutdown(gdiplusToken);
}

void BrowserApp::setStatus(const std::wstring& text, unsigned seconds) {
    statusText = text;
    statusExpiresAt = seconds == 0 ? 0 : unixTimeMs() + static_cast<std::int64_t>(seconds) * 1000;
    if (window != nullptr) InvalidateRect(window, nullptr, FALSE);
}

void BrowserApp::openTab(const std::wstring& url, ICoreWebView2NewWindowRequestedEventArgs* newWindowArgs,
                         ICoreWebView2Deferral* deferral, bool background) {
    const auto refuse = [&](const wchar_t* text) {
        if (newWindowArgs != nullptr) newWindowArgs->put_Handled(TRUE);
        if (deferral != nullptr) deferral->Complete();
        setStatus(text, 7);
    };
    if (!environment10) return refuse(kEngineNotReadyStatus);
    const bool popup = newWindowArgs != nullptr;
    if (probeRunning || (!probePassed && !tabs.empty()) || tabs.size() >= kTabLimit ||
        !PortalPolicy::isAllowedNavigation(toUtf8(url), popup)) {
        return refuse(kTabRefusedStatus);
    }

    auto tab = std::make_shared<Tab>();
    tab->id = static_cast<std::uint32_t>(nextTabId++);
    tab->url = url;
    tab->pendingNewWindowArgs = newWindowArgs;
    tab->pendingDeferral = deferral;

    // A page's pop-up opens behind the current tab unless Shift is held right now.
    const bool inFront = !background && (!popup || GetKeyState(VK_SHIFT) < 0);
    tabs.push_back(tab);
    if (inFront) {
        selectTab(static_cast<int>(tabs.size()) - 1);
    } else {
        layoutChildren();
    }
    createTabView(tab);
}

std::shared_ptr<BrowserApp::Tab> BrowserApp::activeTabPointer() const {
    if (activeTab < 0 || static_cast<std::size_t>(activeTab) >= tabs.size()) return nullptr;
    return tabs[static_cast<std::size_t>(activeTab)];
}

void BrowserApp::selectTab(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= tabs.size()) return;
    activeTab = index;
    const auto tab = tabs[static_cast<std::size_t>(index)];
    if (window != nullptr) SetWindowTextW(window, (tab->title + kWindowTitleSuffix).c_str());
    if (addressField != nullptr) SetWindowTextW(addressField, tab->url.c_str());
    if (window != nullptr) {
        RECT client{};
        GetClientRect(window, &client);
        firstVisibleTab = scrollTabIntoView(index, client.right - client.left, static_cast<int>(tabs.size()),
                                            firstVisibleTab, dpiScale);
    } else if (index < firstVisibleTab) {
        firstVisibleTab = index;
    }
    layoutChildren();
    if (tab->controller) tab->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

void BrowserApp::layoutChildren() {
    if (window == nullptr) return;
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    if (addressField != nullptr) {
        ShowWindow(addressField, engineReady ? SW_SHOW : SW_HIDE);
        if (engineReady) {
            const Rect field = addressFieldRect(width, dpiScale);
            MoveWindow(addressField, field.left, field.top, field.width(), field.height(), TRUE);
        }
    }
    const Rect view = viewBounds(width, height, dpiScale);
    const RECT bounds{view.left, view.top, view.right, view.bottom};
    const bool minimised = IsIconic(window) != FALSE;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        const auto& controller = tabs[i]->controller;
        if (!controller) continue;
        controller->put_Bounds(bounds);
        const bool visible = static_cast<int>(i) == activeTab && !minimised;
        controller->put_IsVisible(visible ? TRUE : FALSE);
    }
    InvalidateRect(window, nullptr, FALSE);
}

void BrowserApp::closeTab(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= tabs.size()) return;
    const std::shared_ptr<Tab> tab = tabs[static_cast<std::size_t>(index)];
    if (tab->closing) return;
    if (tab->dirty && !confirmClose(toWide(kCloseTabQuestion))) return;
    // The question runs a modal loop in which engine events go on arriving: the tab may
    // have moved, or been closed by its page, in the meantime.
    const auto position = std::find(tabs.begin(), tabs.end(), tab);
    if (position == tabs.end() || tab->closing) return;
    const int removed = static_cast<int>(position - tabs.begin());

    closedTabUrls.remember(toUtf8(tab->url));
    if (probeRunning && window != nullptr) KillTimer(window, kProbeTimer);
    tab->closing = true;
    if (tab->pendingNewWindowArgs) tab->pendingNewWindowArgs->put_Handled(TRUE);
    if (tab->pendingDeferral) tab->pendingDeferral->Complete();
    tab->pendingNewWindowArgs.Reset();
    tab->pendingDeferral.Reset();
    if (tab->controller) tab->controller->Close();
    tab->webview.Reset();
    tab->controller.Reset();

    tabs.erase(position);
    if (tabs.empty()) {
        activeTab = -1;
        if (window != nullptr) DestroyWindow(window);
        return;
    }
    selectTab(activeTabAfterClose(activeTab, removed, static_cast<int>(tabs.size())));
}

}  // namespace vesko
