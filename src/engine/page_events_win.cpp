#include "engine/page_events_win.h"

#include "base/key_modifiers_win.h"
#include "base/wide_text_win.h"
#include "engine/engine_strings_win.h"
#include "engine/page_events.h"
#include "assets/runtime_probe.h"
#include "engine/runtime_probe_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;


}  // namespace

ComPtr<ICoreWebView2SourceChangedEventHandler> makeSourceChangedHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<SourceChangedCallback>([owner, weak](ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs*) {
        const auto tab = liveTab(weak);
        if (!tab || sender == nullptr) return S_OK;
        readEngineString([&](LPWSTR* out) { return sender->get_Source(out); }, tab->url);
        owner->addressChanged(*tab);
        return S_OK;
    });
}

ComPtr<ICoreWebView2HistoryChangedEventHandler> makeHistoryChangedHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<HistoryChangedCallback>([owner, weak](ICoreWebView2* sender, IUnknown*) {
        const auto tab = liveTab(weak);
        if (!tab || sender == nullptr) return S_OK;
        BOOL back = FALSE;
        BOOL forward = FALSE;
        if (FAILED(sender->get_CanGoBack(&back))) back = FALSE;
        if (FAILED(sender->get_CanGoForward(&forward))) forward = FALSE;
        tab->canGoBack = back != FALSE;
        tab->canGoForward = forward != FALSE;
        owner->repaint();
        return S_OK;
    });
}

ComPtr<ICoreWebView2DocumentTitleChangedEventHandler> makeTitleChangedHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<DocumentTitleChangedCallback>([owner, weak](ICoreWebView2* sender, IUnknown*) {
        const auto tab = liveTab(weak);
        if (!tab || sender == nullptr) return S_OK;
        std::wstring title;
        readEngineString([&](LPWSTR* out) { return sender->get_DocumentTitle(out); }, title);
        tab->title = title.empty() ? toWide(kDefaultTabTitle) : title;
        owner->repaint();
        return S_OK;
    });
}

namespace {

bool showsProbePage(const TabHost& host, ICoreWebView2* view) {
    const std::string index = probeIndexAddress(host.probe().nonce());
    if (index.empty() || view == nullptr) return false;
    std::wstring source;
    if (FAILED(readEngineString([&](LPWSTR* out) { return view->get_Source(out); }, source))) return false;
    return source == toWide(index);
}

}  // namespace

ComPtr<ICoreWebView2NavigationCompletedEventHandler> makeNavigationCompletedHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<NavigationCompletedCallback>(
        [owner, weak](ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) {
            const auto tab = liveTab(weak);
            if (!tab || args == nullptr) return S_OK;
            UINT64 id = 0;
            if (FAILED(args->get_NavigationId(&id))) id = 0;
            // A superseded or refused navigation ends while the current one goes on: it
            // neither makes the tab idle nor speaks of a failure.
            const NavigationTracker::Completion completion = tab->navigation.completed(id);
            if (completion == NavigationTracker::Completion::stale) return S_OK;
            tab->loading = false;
            BOOL success = FALSE;
            if (FAILED(args->get_IsSuccess(&success))) success = FALSE;
            COREWEBVIEW2_WEB_ERROR_STATUS error = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
            if (!success && FAILED(args->get_WebErrorStatus(&error))) error = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
            if (success) {
                // A new document holds no unsaved input.
                tab->unsaved.topReplaced();
                // The engine check page speaks for itself: its verdict may arrive before its
                // load completes, and that text must stay.
                if (!showsProbePage(*owner, sender)) {
                    owner->showProgress(toWide(kPageLoadedStatus.text), kPageLoadedStatus.seconds);
                }
            } else if (completion == NavigationTracker::Completion::current && !owner->probe().running() &&
                       error != COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED) {
                // A navigation the user stopped was not a failed load, nor one the engine
                // cancelled itself (a link that turned into a download): the text that
                // explains it stays.
                owner->setStatus(toWide(kPageFailedStatus.text), kPageFailedStatus.seconds);
            }
            owner->repaint();
            return S_OK;
        });
}

ComPtr<ICoreWebView2ZoomFactorChangedEventHandler> makeZoomChangedHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<ZoomFactorChangedCallback>([owner, weak](ICoreWebView2Controller* sender, IUnknown*) {
        const auto tab = liveTab(weak);
        if (!tab || sender == nullptr) return S_OK;
        double zoom = tab->zoom;
        if (SUCCEEDED(sender->get_ZoomFactor(&zoom))) tab->zoom = zoom;
        owner->repaint();
        return S_OK;
    });
}

ComPtr<ICoreWebView2AcceleratorKeyPressedEventHandler> makeAcceleratorKeyHandler(TabHost& host,
                                                                                   std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<AcceleratorKeyPressedCallback>(
        [owner, weak](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
            if (!liveTab(weak)) return S_OK;
            COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
            UINT key = 0;
            if (FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key))) return S_OK;
            // The engine reports a held key's auto-repeats too.
            INT lParam = 0;
            if (FAILED(args->get_KeyEventLParam(&lParam))) lParam = 0;
            const bool repeat = (static_cast<std::uint32_t>(lParam) & kKeyWasDownBit) != 0;
            // The page never sees a shortcut; its command runs after this event has returned.
            if (owner->takePageKey(kind, static_cast<std::int32_t>(key), heldKeyModifiers(), repeat)) {
                args->put_Handled(TRUE);
            }
            return S_OK;
        });
}

ComPtr<ICoreWebView2MoveFocusRequestedEventHandler> makeMoveFocusHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<MoveFocusRequestedCallback>(
        [owner, weak](ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs* args) {
            const auto tab = liveTab(weak);
            if (!tab || args == nullptr) return S_OK;
            COREWEBVIEW2_MOVE_FOCUS_REASON reason = COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC;
            if (FAILED(args->get_Reason(&reason))) return S_OK;
            // Only the keyboard walking off either end of the page leaves it.
            if (reason != COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT && reason != COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS) {
                return S_OK;
            }
            // The focus may sit in a window of the engine's own process, so the host has
            // taken it when it lands on one of the host's windows it was not on before.
            const HWND before = GetFocus();
            owner->pageFocusLeaving(*tab, reason == COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT);
            const HWND after = GetFocus();
            const HWND frame = owner->window();
            const bool taken = after != nullptr && after != before && (after == frame || IsChild(frame, after));
            if (taken) args->put_Handled(TRUE);
            return S_OK;
        });
}

}  // namespace vesko
