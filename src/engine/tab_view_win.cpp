// One engine view per tab: the controller under the profile "Profile1", then settings,
// handlers, the document script and the resource filter, in that order, and only then
// the first address (or the pop-up request the tab serves).
#include "engine/tab_view_win.h"

#include <stdexcept>

#include "assets/asset_pack.h"
#include "base/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/downloads_win.h"
#include "engine/frame_messages_win.h"
#include "engine/hresult_text.h"
#include "engine/hresult_win.h"
#include "engine/navigation_guards_win.h"
#include "engine/page_events_win.h"
#include "engine/process_failures_win.h"
#include "engine/resource_interception_win.h"
#include "engine/route_guards_win.h"
#include "engine/web_messages_win.h"
#include "engine/worker_requests_win.h"
#include "page/page_scripts.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kProfileName[] = L"Profile1";
constexpr wchar_t kTitleNotOpened[] = L"Skeda nuk u hap";
constexpr wchar_t kTitleEngineFailed[] = L"Motori nuk u hap";
constexpr wchar_t kTitleSetupFailed[] = L"Gabim n\u00EB nisje";
constexpr wchar_t kCreationRefusedStatus[] = L"Hapja e sked\u00EBs d\u00EBshtoi: ";
constexpr wchar_t kCreationFailedStatus[] = L"Skeda nuk u hap: ";
constexpr wchar_t kScriptFailedStatus[] = L"Local Assets nuk u p\u00EBrgatit. ";
constexpr wchar_t kPopupNotBoundStatus[] = L"Dritarja e portalit nuk u lidh: ";
constexpr auto kWorkerRequestKinds = static_cast<COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS>(
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SHARED_WORKER |
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SERVICE_WORKER);

void requireResult(HRESULT result, const char* code) {
    ThrowIfFailed(result, code);
}

template <typename Interface>
void requireInterface(IUnknown* from, ComPtr<Interface>& to, const char* code) {
    const HRESULT query = queryEngineInterface(from, to);
    ThrowIfFailed(FAILED(query) ? query : (to ? S_OK : E_NOINTERFACE), code);
}

}  // namespace

TabView::TabView(std::uint32_t tabId, std::wstring address, PopupRequest popup)
    : id(tabId), url(std::move(address)), popup_(std::move(popup)) {}

TabView::~TabView() {
    close();
}

void TabView::create(ICoreWebView2Environment10* environment, TabHost& host) {
    host_ = &host;
    environment_ = environment;
    ComPtr<ICoreWebView2ControllerOptions> options;
    try {
        requireResult(environment->CreateCoreWebView2ControllerOptions(&options), "PROFILE_OPTIONS_FAILED");
        if (!options) ThrowIfFailed(E_POINTER, "PROFILE_OPTIONS_FAILED");
        requireResult(options->put_ProfileName(kProfileName), "PROFILE_NAME_FAILED");
    } catch (...) {
        // The tab stays without a view; a pop-up it was to serve must not wait for it.
        popup_.answer();
        throw;
    }
    options->put_IsInPrivateModeEnabled(FALSE);

    const std::weak_ptr<TabView> weak = weak_from_this();
    const auto handler = makeCallback<ControllerCompletedCallback>(
        [weak](HRESULT result, ICoreWebView2Controller* controller) {
            if (const auto tab = weak.lock()) return tab->onControllerCreated(result, controller);
            // The tab went while the engine worked; its view goes at once.
            if (controller != nullptr) controller->Close();
            return S_OK;
        });
    const HRESULT created = environment->CreateCoreWebView2ControllerWithOptions(host.window(), options.Get(),
                                                                                 handler.Get());
    if (FAILED(created)) {
        title = kTitleNotOpened;
        popup_.answer();
        host.setStatus(kCreationRefusedStatus + formatHresult(created), 15);
    }
}

HRESULT TabView::onControllerCreated(HRESULT result, ICoreWebView2Controller* controller) {
    if (closing_) {
        if (controller != nullptr) controller->Close();
        return S_OK;
    }
    if (FAILED(result) || controller == nullptr) {
        title = kTitleEngineFailed;
        host_->setStatus(kCreationFailedStatus + formatHresult(FAILED(result) ? result : E_POINTER), 20);
        popup_.answer();
        return S_OK;
    }
    controller_ = controller;
    controller->put_IsVisible(FALSE);
    ComPtr<ICoreWebView2> view;
    const HRESULT got = controller->get_CoreWebView2(&view);
    if (FAILED(got) || !view) {
        // Without a view the tab can serve nothing: a pop-up request is answered now.
        popup_.answer();
        ThrowIfFailed(FAILED(got) ? got : E_POINTER, "VIEW_FAILED");
    }
    webview_ = view;
    try {
        configure();
    } catch (const std::exception& error) {
        title = kTitleSetupFailed;
        host_->setStatus(toWide(userErrorText(error.what())), 0);
        releaseView();
    }
    host_->layoutViews();
    return S_OK;
}

void TabView::configure() {
    ICoreWebView2* const view = webview_.Get();
    ComPtr<ICoreWebView2_22> view22;
    requireInterface(view, view22, "WEBVIEW_RUNTIME_UPDATE_REQUIRED");

    ComPtr<ICoreWebView2Settings> settings;
    requireResult(view->get_Settings(&settings), "SETTINGS_FAILED");
    if (!settings) ThrowIfFailed(E_POINTER, "SETTINGS_FAILED");
    settings->put_IsScriptEnabled(TRUE);
    settings->put_IsWebMessageEnabled(TRUE);
    settings->put_AreHostObjectsAllowed(FALSE);
    settings->put_AreDevToolsEnabled(FALSE);
    settings->put_AreDefaultContextMenusEnabled(TRUE);
    settings->put_IsStatusBarEnabled(FALSE);
    ComPtr<ICoreWebView2Settings3> settings3;
    // Without the engine's own shortcuts the window's key table is the whole set.
    if (SUCCEEDED(queryEngineInterface(settings.Get(), settings3)) && settings3) {
        settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
    }

    TabHost& host = *host_;
    const std::weak_ptr<TabView> weak = weak_from_this();
    ICoreWebView2Controller* const controller = controller_.Get();
    double reported = 1.0;
    if (zoomToRestore && SUCCEEDED(controller->put_ZoomFactor(*zoomToRestore))) {
        zoom = *zoomToRestore;
    } else if (SUCCEEDED(controller->get_ZoomFactor(&reported))) {
        zoom = reported;
    }
    zoomToRestore.reset();
    listen(controller, &ICoreWebView2Controller::add_ZoomFactorChanged,
           &ICoreWebView2Controller::remove_ZoomFactorChanged, makeZoomChangedHandler(host, weak).Get());

    requireResult(listen(view, &ICoreWebView2::add_NavigationStarting, &ICoreWebView2::remove_NavigationStarting,
                         makeNavigationGuard(host, weak).Get()),
                  "NAVIGATION_GUARD_FAILED");
    requireResult(listen(view, &ICoreWebView2::add_FrameNavigationStarting,
                         &ICoreWebView2::remove_FrameNavigationStarting, makeFrameGuard().Get()),
                  "FRAME_GUARD_FAILED");
    listen(view, &ICoreWebView2::add_HistoryChanged, &ICoreWebView2::remove_HistoryChanged,
           makeHistoryChangedHandler(host, weak).Get());
    listen(view, &ICoreWebView2::add_SourceChanged, &ICoreWebView2::remove_SourceChanged,
           makeSourceChangedHandler(host, weak).Get());
    listen(view, &ICoreWebView2::add_DocumentTitleChanged, &ICoreWebView2::remove_DocumentTitleChanged,
           makeTitleChangedHandler(host, weak).Get());
    listen(view, &ICoreWebView2::add_NavigationCompleted, &ICoreWebView2::remove_NavigationCompleted,
           makeNavigationCompletedHandler(host, weak).Get());
    requireResult(listen(view, &ICoreWebView2::add_WebMessageReceived, &ICoreWebView2::remove_WebMessageReceived,
                         makeWebMessageHandler(host, weak).Get()),
                  "MESSAGE_HANDLER_FAILED");
    requireResult(listen(view, &ICoreWebView2::add_NewWindowRequested, &ICoreWebView2::remove_NewWindowRequested,
                         makePopupGuard(host, weak).Get()),
                  "POPUP_GUARD_FAILED");
    listen(view, &ICoreWebView2::add_WindowCloseRequested, &ICoreWebView2::remove_WindowCloseRequested,
           makeWindowCloseHandler(host, weak).Get());
    listen(controller, &ICoreWebView2Controller::add_AcceleratorKeyPressed,
           &ICoreWebView2Controller::remove_AcceleratorKeyPressed, makeAcceleratorKeyHandler(host, weak).Get());
    listen(controller, &ICoreWebView2Controller::add_MoveFocusRequested,
           &ICoreWebView2Controller::remove_MoveFocusRequested, makeMoveFocusHandler(host, weak).Get());
    ComPtr<ICoreWebView2_4> view4;
    if (SUCCEEDED(queryEngineInterface(view, view4)) && view4) {
        requireResult(listen(view4.Get(), &ICoreWebView2_4::add_DownloadStarting,
                             &ICoreWebView2_4::remove_DownloadStarting, makeDownloadGuard(host, weak).Get()),
                      "DOWNLOAD_GUARD_FAILED");
        // Frames' messages reach only the frames' own objects.
        listen(view4.Get(), &ICoreWebView2_4::add_FrameCreated, &ICoreWebView2_4::remove_FrameCreated,
               makeFrameCreatedHandler(host, weak).Get());
    }
    listen(view, &ICoreWebView2::add_PermissionRequested, &ICoreWebView2::remove_PermissionRequested,
           makePermissionHandler().Get());
    closeRoutesOut(*this, host, settings.Get());
    // An engine without the report still runs pages; the tab then simply cannot recover.
    listen(view, &ICoreWebView2::add_ProcessFailed, &ICoreWebView2::remove_ProcessFailed,
           makeProcessFailedHandler(host, weak).Get());

    const std::wstring script = toWide(documentScript(zoneDiagnosticScript(host.assetPack())));
    const auto added = makeCallback<ScriptAddedCallback>([weak](HRESULT result, LPCWSTR) {
        const auto tab = liveTab(weak);
        return tab ? tab->onScriptAdded(result) : S_OK;
    });
    requireResult(view->AddScriptToExecuteOnDocumentCreated(script.c_str(), added.Get()), "DOCUMENT_SCRIPT_FAILED");
}

HRESULT TabView::onScriptAdded(HRESULT result) {
    if (FAILED(result)) {
        host_->setStatus(kScriptFailedStatus + formatHresult(result), 0);
        popup_.answer();
        return S_OK;
    }
    if (!webview_) {
        popup_.answer();
        return S_OK;
    }
    if (popup_) {
        // The view is handed over first: the engine applies a pop-up's resource filter
        // only when it is added after put_NewWindow. The opener's deferral is completed
        // last, so nothing loads before the filter is in place; the pop-up's first
        // document may pass the filter all the same, and the navigation guard, added with
        // the other handlers, decides it. Whatever happens, the opener gets its answer.
        struct Answer {
            PopupRequest& popup;
            ~Answer() { popup.answer(); }
        } answer{popup_};
        const HRESULT bound = popup_.args->put_NewWindow(webview_.Get());
        if (FAILED(bound)) host_->setStatus(kPopupNotBoundStatus + formatHresult(bound), 7);
        try {
            installResourceFilter();
        } catch (const std::exception& error) {
            // Handed over without its filter, the view must not load: it goes first.
            title = kTitleSetupFailed;
            host_->setStatus(toWide(userErrorText(error.what())), 0);
            releaseView();
        }
    } else {
        installResourceFilter();
        host_->viewReady(*this);
    }
    host_->layoutViews();
    return S_OK;
}

void TabView::installResourceFilter() {
    if (filterInstalled_) return;
    ComPtr<ICoreWebView2_22> view22;
    const HRESULT query = queryEngineInterface(webview_.Get(), view22);
    ThrowIfFailed(FAILED(query) ? query : (view22 ? S_OK : E_NOINTERFACE), "WEBVIEW_RUNTIME_UPDATE_REQUIRED");
    // The view's own documents only: workers' requests reach every view with a filter for
    // them, so one tab at a time takes those (takeWorkerRequests).
    ThrowIfFailed(view22->AddWebResourceRequestedFilterWithRequestSourceKinds(
                      L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT),
                  "RESOURCE_FILTER_FAILED");
    ThrowIfFailed(listen(webview_.Get(), &ICoreWebView2::add_WebResourceRequested,
                         &ICoreWebView2::remove_WebResourceRequested,
                         makeResourceHandler(*host_, weak_from_this()).Get()),
                  "RESOURCE_HANDLER_FAILED");
    filterInstalled_ = true;
    host_->workerRequests().offer(*this);
}

bool TabView::takeWorkerRequests() {
    if (!filterInstalled_ || !webview_) return false;
    if (takesWorkerRequests_) return true;
    ComPtr<ICoreWebView2_22> view22;
    if (FAILED(queryEngineInterface(webview_.Get(), view22)) || !view22) return false;
    takesWorkerRequests_ = SUCCEEDED(view22->AddWebResourceRequestedFilterWithRequestSourceKinds(
        L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL, kWorkerRequestKinds));
    return takesWorkerRequests_;
}

void TabView::replaceView(ICoreWebView2Environment10* environment, TabHost& host) {
    dropView();
    create(environment, host);
}

void TabView::removeHandlers() {
    // Taken out first: removing calls into the engine, which may call back.
    auto registrations = std::move(registrations_);
    registrations_.clear();
    for (const auto& remove : registrations) remove();
    // The view's frames, and whatever their documents held, go with it.
    frameListeners.removeAll();
    unsaved.framesGone();
}

void TabView::close() {
    closing_ = true;
    releaseView();
}

void TabView::dropView() {
    releaseView();
    filterInstalled_ = false;
    navigation.forget();
    loading = true;
}

void TabView::releaseView() {
    removeHandlers();
    if (controller_) controller_->Close();
    // After Close: a view already handed to a pop-up loads nothing once the opener hears.
    popup_.answer();
    webview_.Reset();
    controller_.Reset();
    takesWorkerRequests_ = false;
}

void TabView::navigate(const std::wstring& address) {
    if (webview_) webview_->Navigate(address.c_str());
}

void TabView::goBack() {
    BOOL can = FALSE;
    if (webview_ && SUCCEEDED(webview_->get_CanGoBack(&can)) && can) webview_->GoBack();
}

void TabView::goForward() {
    BOOL can = FALSE;
    if (webview_ && SUCCEEDED(webview_->get_CanGoForward(&can)) && can) webview_->GoForward();
}

bool TabView::reloadOrStop() {
    if (!webview_) return false;
    if (loading) {
        // Idle at once: the stopped navigation's completion, whenever it comes, is no failure.
        navigation.stop();
        webview_->Stop();
        loading = false;
        return true;
    }
    webview_->Reload();
    return false;
}

std::optional<double> TabView::reportedZoom() const {
    double reported = 1.0;
    if (!controller_ || FAILED(controller_->get_ZoomFactor(&reported))) return std::nullopt;
    return reported;
}

void TabView::setZoom(double factor) {
    if (!controller_) return;
    ThrowIfFailed(controller_->put_ZoomFactor(factor), "ZOOM_FAILED");
    zoom = factor;
}

void TabView::showDownloads() {
    ComPtr<ICoreWebView2_9> view9;
    // An engine too old for the download list simply has none to show.
    if (webview_ && SUCCEEDED(queryEngineInterface(webview_.Get(), view9)) && view9) {
        view9->OpenDefaultDownloadDialog();
    }
}

void TabView::print() {
    ComPtr<ICoreWebView2_16> view16;
    if (webview_ && SUCCEEDED(queryEngineInterface(webview_.Get(), view16)) && view16) {
        view16->ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND_BROWSER);
    }
}

void TabView::place(const RECT& bounds, bool visible) {
    if (!controller_) return;
    controller_->put_Bounds(bounds);
    controller_->put_IsVisible(visible ? TRUE : FALSE);
}

void TabView::focus() {
    if (controller_) controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

void TabView::moveFocusInto(bool forward) {
    if (controller_) {
        controller_->MoveFocus(forward ? COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT : COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS);
    }
}

void TabView::notifyParentMoved() {
    if (controller_) controller_->NotifyParentWindowPositionChanged();
}

}  // namespace vesko
