#include "engine/navigation_guards_win.h"

#include <string>
#include <utility>

#include "base/wide_text_win.h"
#include "engine/engine_strings_win.h"
#include "engine/hresult_text.h"
#include "engine/navigation_rules.h"
#include "engine/runtime_probe_win.h"
#include "policy/portal_policy.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

std::string navigationUri(ICoreWebView2NavigationStartingEventArgs* args) {
    std::wstring uri;
    if (args != nullptr) readEngineString([&](LPWSTR* out) { return args->get_Uri(out); }, uri);
    return toUtf8(uri);
}

}  // namespace

ComPtr<ICoreWebView2NavigationStartingEventHandler> makeNavigationGuard(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<NavigationStartingCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            const auto tab = liveTab(weak);
            if (!tab) return S_OK;
            const std::string text = navigationUri(args);
            const PolicyUrl uri(text);
            if (!topLevelNavigationAllowed(uri, tab->servesPopup())) {
                args->put_Cancel(TRUE);
                owner->setStatus(toWide(navigationRefusedText()), kRefusalSeconds);
                return S_OK;
            }
            UINT64 id = 0;
            if (FAILED(args->get_NavigationId(&id))) id = 0;
            tab->navigation.started(id);
            tab->ajaxBusy = false;
            tab->loading = true;
            owner->showProgress(toWide(kPageLoadingStatus.text), kPageLoadingStatus.seconds);
            owner->repaint();
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

ComPtr<ICoreWebView2NewWindowRequestedEventHandler> makePopupGuard(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<NewWindowRequestedCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
            // Handled first, whatever follows: the engine must never open a window of its own.
            args->put_Handled(TRUE);
            const auto tab = liveTab(weak);
            if (!tab) return S_OK;
            std::wstring requested;
            readEngineString([&](LPWSTR* out) { return args->get_Uri(out); }, requested);
            const std::string address = popupAddress(toUtf8(requested));
            if (!popupAllowed(PolicyUrl(address), owner->probe().running())) {
                owner->setStatus(toWide(kPopupBlockedStatus.text), kPopupBlockedStatus.seconds);
                return S_OK;
            }
            PopupRequest popup{args, nullptr};
            const HRESULT deferred = args->GetDeferral(&popup.deferral);
            ThrowIfFailed(FAILED(deferred) ? deferred : (popup.deferral ? S_OK : E_POINTER), "POPUP_DEFERRAL_FAILED");
            owner->openTab(toWide(address), std::move(popup), false);
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

ComPtr<ICoreWebView2WindowCloseRequestedEventHandler> makeWindowCloseHandler(TabHost& host,
                                                                             std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<WindowCloseRequestedCallback>([owner, weak](ICoreWebView2*, IUnknown*) {
        // Closing may ask first (the close warning): that runs from the window's queue
        // once this handler has returned.
        if (const auto tab = liveTab(weak)) PostMessageW(owner->window(), WM_APP_CLOSE_TAB, tab->id, 0);
        return S_OK;
    });
}

}  // namespace vesko
