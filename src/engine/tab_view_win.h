#pragma once
// One tab's engine view: the controller and view it owns, the handlers it registered (each
// with its own token, removed before the controller closes), the pop-up request it serves
// and the record of the page the window shows.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/resource_counts.h"
#include "engine/engine_interface_win.h"
#include "engine/frame_listeners_win.h"
#include "engine/navigation_tracker.h"
#include "engine/process_recovery.h"
#include "engine/tab_host_win.h"
#include "engine/unsaved_input.h"
#include "page/web_message.h"

namespace vesko {

class TabView : public std::enable_shared_from_this<TabView> {
public:
    TabView(std::uint32_t id, std::wstring url, PopupRequest popup);
    // Closes the view if that has not happened; a pop-up request still waiting is answered.
    ~TabView();
    TabView(const TabView&) = delete;
    TabView& operator=(const TabView&) = delete;

    // The page as the window shows it, kept in step by the view's handlers.
    std::uint32_t id = 0;
    std::uint32_t profileIndex = 0;
    std::wstring title = L"KORDIS";
    std::wstring url;
    bool canGoBack = false;
    bool canGoForward = false;
    double zoom = 1.0;
    bool ajaxBusy = false;
    UnsavedInput unsaved;
    // What the tab registered on its view's frames, per frame.
    FrameListeners frameListeners;
    // Busy from the current navigation's start to its completion (and until the first
    // navigation of a view being made).
    bool loading = true;
    NavigationTracker navigation;
    std::uint64_t localAssets = 0;
    nlohmann::ordered_json blockedRequests = nlohmann::ordered_json::array();
    // How the tab recovers from failed engine processes.
    RateLimit automaticReloads{kAutomaticReloads, kAutomaticReloadWindowMs};
    // The background tabs its pages asked for.
    RateLimit backgroundOpens{kBackgroundOpensPerWindow, kBackgroundOpenWindowMs};
    HangWatch hang;
    // Kept while the engine restarts: the zoom its next view gets.
    std::optional<double> zoomToRestore;

    // Asks `environment` for the view, in `host`'s window, under the profile "Profile1";
    // settings, handlers, the document script and the resource filter follow, then the host
    // is told the view is ready. Throws PROFILE_OPTIONS_FAILED or PROFILE_NAME_FAILED; a
    // refused creation ends on the status line.
    void create(ICoreWebView2Environment10* environment, TabHost& host);
    // A new view in place of the current one (a hung page may not obey a reload): the old
    // one's handlers removed and its controller closed, then create's steps again, ending at
    // the tab's address.
    void replaceView(ICoreWebView2Environment10* environment, TabHost& host);
    // Removes every handler, answers a waiting pop-up request and closes the controller.
    // Handlers that still run afterwards find the tab closing and do nothing.
    void close();
    // The same without closing the tab: it stays in the list without a view, its record
    // kept, until a new environment gives it one (the engine's browser process was lost).
    void dropView();
    bool closing() const { return closing_; }

    ICoreWebView2Controller* controller() const { return controller_.Get(); }
    ICoreWebView2* webview() const { return webview_.Get(); }
    ICoreWebView2Environment* environment() const { return environment_.Get(); }
    bool servesPopup() const { return static_cast<bool>(popup_); }
    bool filterInstalled() const { return filterInstalled_; }
    // Adds the filter for service and shared workers' requests, which the engine raises on
    // every view with such a filter: one tab at a time holds it (WorkerRequestDesk). False
    // without a view and its own filter, or when the engine refuses.
    bool takeWorkerRequests();
    bool takesWorkerRequests() const { return takesWorkerRequests_; }

    // The engine's view of the page.
    void navigate(const std::wstring& address);
    void goBack();
    void goForward();
    // Stops a load in progress (true) or reloads (false).
    bool reloadOrStop();
    // The factor the engine reports, or none.
    std::optional<double> reportedZoom() const;
    // Throws ZOOM_FAILED.
    void setZoom(double factor);
    void showDownloads();
    void print();
    void place(const RECT& bounds, bool visible);
    void focus();
    // The keyboard enters the page from the frame: at its first focusable element going
    // forward (Tab), at its last going back (Shift+Tab).
    void moveFocusInto(bool forward);
    void notifyParentMoved();

    // Registers `handler` with `add` on `source` and keeps its token for `remove`.
    template <typename Source, typename Handler>
    HRESULT listen(Source* source, HRESULT (STDMETHODCALLTYPE Source::*add)(Handler*, EventRegistrationToken*),
                   HRESULT (STDMETHODCALLTYPE Source::*remove)(EventRegistrationToken), Handler* handler) {
        EventRegistrationToken token{};
        const HRESULT added = (source->*add)(handler, &token);
        if (SUCCEEDED(added)) {
            Microsoft::WRL::ComPtr<Source> owner(source);
            noteAcquired(HeldKind::engineRegistrations);
            registrations_.push_back([owner, remove, token] {
                (owner.Get()->*remove)(token);
                noteReleased(HeldKind::engineRegistrations);
            });
        }
        return added;
    }

private:
    HRESULT onControllerCreated(HRESULT result, ICoreWebView2Controller* controller);
    void configure();
    HRESULT onScriptAdded(HRESULT result);
    void installResourceFilter();
    void removeHandlers();
    // Handlers removed, pop-up request answered, controller closed and let go.
    void releaseView();

    TabHost* host_ = nullptr;
    bool closing_ = false;
    bool filterInstalled_ = false;
    bool takesWorkerRequests_ = false;
    PopupRequest popup_;
    std::vector<std::function<void()>> registrations_;
    HeldMark<HeldKind::liveTabs> held_;
    // Released from the bottom up: the controller last.
    Microsoft::WRL::ComPtr<ICoreWebView2Environment> environment_;
    Microsoft::WRL::ComPtr<ICoreWebView2Controller> controller_;
    Microsoft::WRL::ComPtr<ICoreWebView2> webview_;
};

// The tab behind a handler's weak reference while it is open; null once it is gone or
// closing, so late events change nothing.
inline std::shared_ptr<TabView> liveTab(const std::weak_ptr<TabView>& weak) {
    auto tab = weak.lock();
    return tab && !tab->closing() ? tab : nullptr;
}

}  // namespace vesko
