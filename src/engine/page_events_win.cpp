#include "engine/page_events_win.h"

#include "base/wide_text_win.h"
#include "engine/engine_strings_win.h"
#include "engine/page_events.h"
#include "assets/runtime_probe.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

void repaint(const BrowserApp& app) {
    if (app.window != nullptr) InvalidateRect(app.window, nullptr, FALSE);
}

bool held(int key) {
    return GetKeyState(key) < 0;
}

}  // namespace

bool isActiveTab(const BrowserApp& app, const BrowserApp::Tab& tab) {
    return app.activeTab >= 0 && static_cast<std::size_t>(app.activeTab) < app.tabs.size() &&
           app.tabs[static_cast<std::size_t>(app.activeTab)].get() == &tab;
}

ComPtr<ICoreWebView2SourceChangedEventHandler> makeSourceChangedHandler(BrowserApp& app,
                                                                         std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<SourceChangedCallback>([owner, weak](ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs*) {
        const auto tab = weak.lock();
        if (!tab || sender == nullptr) return S_OK;
        readEngineString([&](LPWSTR* out) { return sender->get_Source(out); }, tab->url);
        if (isActiveTab(*owner, *tab) && owner->addressField != nullptr) {
            SetWindowTextW(owner->addressField, tab->url.c_str());
        }
        return S_OK;
    });
}

ComPtr<ICoreWebView2HistoryChangedEventHandler> makeHistoryChangedHandler(BrowserApp& app,
                                                                           std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<HistoryChangedCallback>([owner, weak](ICoreWebView2* sender, IUnknown*) {
        const auto tab = weak.lock();
        if (!tab || sender == nullptr) return S_OK;
        BOOL back = FALSE;
        BOOL forward = FALSE;
        if (FAILED(sender->get_CanGoBack(&back))) back = FALSE;
        if (FAILED(sender->get_CanGoForward(&forward))) forward = FALSE;
        tab->canGoBack = back != FALSE;
        tab->canGoForward = forward != FALSE;
        repaint(*owner);
        return S_OK;
    });
}

ComPtr<ICoreWebView2DocumentTitleChangedEventHandler> makeTitleChangedHandler(BrowserApp& app,
                                                                               std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<DocumentTitleChangedCallback>([owner, weak](ICoreWebView2* sender, IUnknown*) {
        const auto tab = weak.lock();
        if (!tab || sender == nullptr) return S_OK;
        std::wstring title;
        readEngineString([&](LPWSTR* out) { return sender->get_DocumentTitle(out); }, title);
        tab->title = title.empty() ? toWide(kDefaultTabTitle) : title;
        repaint(*owner);
        return S_OK;
    });
}

namespace {

bool showsProbePage(const BrowserApp& app, ICoreWebView2* view) {
    const std::string index = probeIndexAddress(app.probeNonce);
    if (index.empty() || view == nullptr) return false;
    std::wstring source;
    if (FAILED(readEngineString([&](LPWSTR* out) { return view->get_Source(out); }, source))) return false;
    return source == toWide(index);
}

}  // namespace

ComPtr<ICoreWebView2NavigationCompletedEventHandler> makeNavigationCompletedHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<NavigationCompletedCallback>(
        [owner, weak](ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) {
            const auto tab = weak.lock();
            if (!tab) return S_OK;
            tab->loading = false;
            BOOL success = FALSE;
            if (args == nullptr || FAILED(args->get_IsSuccess(&success))) success = FALSE;
            COREWEBVIEW2_WEB_ERROR_STATUS error = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
            if (!success && args != nullptr && FAILED(args->get_WebErrorStatus(&error))) {
                error = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
            }
            if (success) {
                // A new document holds no unsaved input.
                tab->dirty = false;
                // The engine check page speaks for itself: its verdict may arrive before its
                // load completes, and that text must stay.
                if (!showsProbePage(*owner, sender)) {
                    owner->setStatus(toWide(kPageLoadedStatus.text), kPageLoadedStatus.seconds);
                }
            } else if (!owner->probeRunning && error != COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED) {
                // A navigation the guard refused or the user stopped was not a failed load:
                // the text that explains it stays.
                owner->setStatus(toWide(kPageFailedStatus.text), kPageFailedStatus.seconds);
            }
            repaint(*owner);
            return S_OK;
        });
}

ComPtr<ICoreWebView2ZoomFactorChangedEventHandler> makeZoomChangedHandler(BrowserApp& app,
                                                                           std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<ZoomFactorChangedCallback>([owner, weak](ICoreWebView2Controller* sender, IUnknown*) {
        const auto tab = weak.lock();
        if (!tab || sender == nullptr) return S_OK;
        double zoom = tab->zoom;
        if (SUCCEEDED(sender->get_ZoomFactor(&zoom))) tab->zoom = zoom;
        repaint(*owner);
        return S_OK;
    });
}

ComPtr<ICoreWebView2AcceleratorKeyPressedEventHandler> makeAcceleratorKeyHandler(BrowserApp& app) {
    BrowserApp* const owner = &app;
    return makeCallback<AcceleratorKeyPressedCallback>(
        [owner](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
            COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
            UINT key = 0;
            if (FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key))) return S_OK;
            const KeyModifiers modifiers{held(VK_CONTROL), held(VK_SHIFT), held(VK_MENU)};
            const std::int32_t command = pageKeyCommand(kind, static_cast<std::int32_t>(key), modifiers);
            if (command == 0) return S_OK;
            // The page never sees the key; the command runs after this event has returned.
            args->put_Handled(TRUE);
            if (owner->window != nullptr) {
                PostMessageW(owner->window, WM_APP_COMMAND, static_cast<WPARAM>(command), 0);
            }
            return S_OK;
        });
}

}  // namespace vesko
