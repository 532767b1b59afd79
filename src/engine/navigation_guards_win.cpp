#include "engine/navigation_guards_win.h"

#include <string>

#include "base/wide_text_win.h"
#include "engine/engine_strings_win.h"
#include "engine/hresult_text.h"
#include "engine/navigation_rules.h"
#include "policy/portal_policy.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

void repaint(const BrowserApp& app) {
    if (app.window != nullptr) InvalidateRect(app.window, nullptr, FALSE);
}

std::string navigationUri(ICoreWebView2NavigationStartingEventArgs* args) {
    std::wstring uri;
    if (args != nullptr) readEngineString([&](LPWSTR* out) { return args->get_Uri(out); }, uri);
    return toUtf8(uri);
}

}  // namespace

ComPtr<ICoreWebView2NavigationStartingEventHandler> makeNavigationGuard(BrowserApp& app,
                                                                         std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<NavigationStartingCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            const auto tab = weak.lock();
            if (!tab) return S_OK;
            const std::string text = navigationUri(args);
            const PolicyUrl uri(text);
            if (!topLevelNavigationAllowed(uri, tab->pendingNewWindowArgs != nullptr)) {
                args->put_Cancel(TRUE);
                owner->setStatus(toWide(navigationRefusedText()), kRefusalSeconds);
                return S_OK;
            }
            tab->ajaxBusy = false;
            tab->loading = true;
            owner->setStatus(toWide(kPageLoadingStatus.text), kPageLoadingStatus.seconds);
            repaint(*owner);
            return S_OK;
        });
}

ComPtr<ICoreWebView2NavigationStartingEventHandler> makeFrameGuard() {
    return makeCallback<NavigationStartingCallback>(
        [](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            if (!frameNavigationAllowed(PolicyUrl(navigationUri(args)))) args->put_Cancel(TRUE);
            return S_OK;
        });
}

ComPtr<ICoreWebView2NewWindowRequestedEventHandler> makePopupGuard(BrowserApp& app,
                                                                   std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<NewWindowRequestedCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
            // Handled first, whatever follows: the engine must never open a window of its own.
            args->put_Handled(TRUE);
            const auto tab = weak.lock();
            if (!tab) return S_OK;
            std::wstring requested;
            readEngineString([&](LPWSTR* out) { return args->get_Uri(out); }, requested);
            const std::string address = popupAddress(toUtf8(requested));
            if (!popupAllowed(PolicyUrl(address), owner->probeRunning)) {
                owner->setStatus(toWide(kPopupBlockedStatus.text), kPopupBlockedStatus.seconds);
                return S_OK;
            }
            ComPtr<ICoreWebView2Deferral> deferral;
            const HRESULT deferred = args->GetDeferral(&deferral);
            ThrowIfFailed(FAILED(deferred) ? deferred : (deferral ? S_OK : E_POINTER), "POPUP_DEFERRAL_FAILED");
            owner->openTab(toWide(address), args, deferral.Get(), false);
            return S_OK;
        });
}

ComPtr<ICoreWebView2PermissionRequestedEventHandler> makePermissionHandler() {
    return makeCallback<PermissionRequestedCallback>(
        [](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
            args->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY);
            return S_OK;
        });
}

ComPtr<ICoreWebView2WindowCloseRequestedEventHandler> makeWindowCloseHandler(BrowserApp& app,
                                                                             std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<WindowCloseRequestedCallback>([owner, weak](ICoreWebView2*, IUnknown*) {
        const auto tab = weak.lock();
        if (!tab) return S_OK;
        for (std::size_t i = 0; i < owner->tabs.size(); ++i) {
            if (owner->tabs[i] == tab) {
                owner->closeTab(static_cast<int>(i));
                break;
            }
        }
        return S_OK;
    });
}

void BrowserApp::navigateActiveTab(std::wstring text) {
    if (activeTab < 0 || static_cast<std::size_t>(activeTab) >= tabs.size()) return;
    const auto tab = tabs[static_cast<std::size_t>(activeTab)];
    if (!tab->webview) return;
    if (!probePassed) {
        setStatus(toWide(kTypedBeforeProbeStatus.text), kTypedBeforeProbeStatus.seconds);
        return;
    }
    const std::string address = typedAddress(toUtf8(text));
    if (!PortalPolicy::isAllowedNavigation(address, false)) {
        setStatus(toWide(typedAddressRefusedText()), kRefusalSeconds);
        if (addressField != nullptr) SetWindowTextW(addressField, tab->url.c_str());
        return;
    }
    tab->webview->Navigate(toWide(address).c_str());
}

}  // namespace vesko
