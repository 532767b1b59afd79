// One engine view per tab: the controller under the profile "Profile1", then settings,
// handlers, the document script and the resource filter, in that order, and only then
// the first address (or the pop-up request the tab serves).
#include <stdexcept>

#include "base/wide_text_win.h"
#include "assets/resource_interception_win.h"
#include "assets/runtime_probe_win.h"
#include "engine/com_callback_win.h"
#include "engine/downloads_win.h"
#include "engine/hresult_text.h"
#include "engine/hresult_win.h"
#include "engine/navigation_guards_win.h"
#include "engine/page_events_win.h"
#include "page/page_scripts.h"
#include "page/web_messages_win.h"
#include "ui/browser_app.h"
#include "ui/status_line.h"

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

// Answers the page's pop-up request that the tab serves, if any, and lets go of it:
// handled (so the engine opens no window of its own) and its deferral completed.
void answerPopup(BrowserApp::Tab& tab) {
    if (tab.pendingNewWindowArgs) tab.pendingNewWindowArgs->put_Handled(TRUE);
    if (tab.pendingDeferral) tab.pendingDeferral->Complete();
    tab.pendingNewWindowArgs.Reset();
    tab.pendingDeferral.Reset();
}

void requireResult(HRESULT result, const char* code) {
    ThrowIfFailed(result, code);
}

template <typename Interface>
void requireInterface(IUnknown* from, ComPtr<Interface>& to, const char* code) {
    const HRESULT query = queryEngineInterface(from, to);
    ThrowIfFailed(FAILED(query) ? query : (to ? S_OK : E_NOINTERFACE), code);
}

}  // namespace

void BrowserApp::createTabView(const std::shared_ptr<Tab>& tab) {
    ComPtr<ICoreWebView2ControllerOptions> options;
    try {
        requireResult(environment10->CreateCoreWebView2ControllerOptions(&options), "PROFILE_OPTIONS_FAILED");
        if (!options) ThrowIfFailed(E_POINTER, "PROFILE_OPTIONS_FAILED");
        requireResult(options->put_ProfileName(kProfileName), "PROFILE_NAME_FAILED");
    } catch (...) {
        // The tab stays without a view; a pop-up it was to serve must not wait for it.
        answerPopup(*tab);
        throw;
    }
    options->put_IsInPrivateModeEnabled(FALSE);

    const std::weak_ptr<Tab> weak = tab;
    const auto handler = makeCallback<ControllerCompletedCallback>(
        [this, weak](HRESULT result, ICoreWebView2Controller* controller) {
            return onControllerCreated(weak, result, controller);
        });
    const HRESULT created = environment10->CreateCoreWebView2ControllerWithOptions(window, options.Get(), handler.Get());
    if (FAILED(created)) {
        tab->title = kTitleNotOpened;
        answerPopup(*tab);
        setStatus(kCreationRefusedStatus + formatHresult(created), 15);
    }
}

HRESULT BrowserApp::onControllerCreated(const std::weak_ptr<Tab>& weak, HRESULT result,
                                        ICoreWebView2Controller* controller) {
    const auto tab = weak.lock();
    if (!tab || tab->closing) {
        // The tab went while the engine worked; its view goes at once. (A pop-up request
        // of a tab that is gone was answered when the tab went.)
        if (controller != nullptr) controller->Close();
        if (tab) answerPopup(*tab);
        return S_OK;
    }
    if (FAILED(result) || controller == nullptr) {
        tab->title = kTitleEngineFailed;
        setStatus(kCreationFailedStatus + formatHresult(FAILED(result) ? result : E_POINTER), 20);
        answerPopup(*tab);
        return S_OK;
    }
    tab->controller = controller;
    controller->put_IsVisible(FALSE);
    ComPtr<ICoreWebView2> view;
    const HRESULT got = controller->get_CoreWebView2(&view);
    if (FAILED(got) || !view) {
        // Without a view the tab can serve nothing: a pop-up request is answered now.
        answerPopup(*tab);
        ThrowIfFailed(FAILED(got) ? got : E_POINTER, "VIEW_FAILED");
    }
    tab->webview = view;
    try {
        configureTab(tab);
    } catch (const std::exception& error) {
        answerPopup(*tab);
        tab->title = kTitleSetupFailed;
        setStatus(toWide(vesko::userErrorText(error.what())), 0);
        tab->controller->Close();
        tab->webview.Reset();
        tab->controller.Reset();
    }
    layoutChildren();
    return S_OK;
}

void BrowserApp::configureTab(const std::shared_ptr<Tab>& tab) {
    ICoreWebView2* const view = tab->webview.Get();
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

    const std::weak_ptr<Tab> weak = tab;
    EventRegistrationToken token{};
    double zoom = 1.0;
    if (SUCCEEDED(tab->controller->get_ZoomFactor(&zoom))) tab->zoom = zoom;
    tab->controller->add_ZoomFactorChanged(makeZoomChangedHandler(*this, weak).Get(), &token);

    requireResult(view->add_NavigationStarting(makeNavigationGuard(*this, weak).Get(), &token),
                  "NAVIGATION_GUARD_FAILED");
    requireResult(view->add_FrameNavigationStarting(makeFrameGuard().Get(), &token), "FRAME_GUARD_FAILED");
    view->add_HistoryChanged(makeHistoryChangedHandler(*this, weak).Get(), &token);
    view->add_SourceChanged(makeSourceChangedHandler(*this, weak).Get(), &token);
    view->add_DocumentTitleChanged(makeTitleChangedHandler(*this, weak).Get(), &token);
    view->add_NavigationCompleted(makeNavigationCompletedHandler(*this, weak).Get(), &token);
    requireResult(view->add_WebMessageReceived(makeWebMessageHandler(*this, weak).Get(), &token),
                  "MESSAGE_HANDLER_FAILED");
    requireResult(view->add_NewWindowRequested(makePopupGuard(*this, weak).Get(), &token), "POPUP_GUARD_FAILED");
    view->add_WindowCloseRequested(makeWindowCloseHandler(*this, weak).Get(), &token);
    tab->controller->add_AcceleratorKeyPressed(makeAcceleratorKeyHandler(*this).Get(), &token);
    ComPtr<ICoreWebView2_4> view4;
    if (SUCCEEDED(queryEngineInterface(view, view4)) && view4) {
        requireResult(view4->add_DownloadStarting(makeDownloadGuard(*this).Get(), &token), "DOWNLOAD_GUARD_FAILED");
    }
    view->add_PermissionRequested(makePermissionHandler().Get(), &token);

    const std::wstring script = toWide(documentScript(zoneDiagnosticScript(assetPack)));
    const auto added = makeCallback<ScriptAddedCallback>(
        [this, weak](HRESULT result, LPCWSTR) { return onScriptAdded(weak, result); });
    requireResult(view->AddScriptToExecuteOnDocumentCreated(script.c_str(), added.Get()), "DOCUMENT_SCRIPT_FAILED");
}

HRESULT BrowserApp::onScriptAdded(const std::weak_ptr<Tab>& weak, HRESULT result) {
    const auto tab = weak.lock();
    if (!tab || tab->closing) return S_OK;
    if (FAILED(result)) {
        setStatus(kScriptFailedStatus + formatHresult(result), 0);
        answerPopup(*tab);
        return S_OK;
    }
    if (!tab->webview) {
        answerPopup(*tab);
        return S_OK;
    }
    if (tab->pendingNewWindowArgs) {
        // The filter comes before the view is handed over: a pop-up's view must never
        // load anything unfiltered. Whatever happens, the opener gets its answer.
        struct Answer {
            Tab& tab;
            ~Answer() { answerPopup(tab); }
        } answer{*tab};
        installResourceFilter(*this, tab);
        const HRESULT bound = tab->pendingNewWindowArgs->put_NewWindow(tab->webview.Get());
        if (FAILED(bound)) setStatus(kPopupNotBoundStatus + formatHresult(bound), 7);
    } else {
        installResourceFilter(*this, tab);
        if (probePassed) {
            tab->webview->Navigate(tab->url.c_str());
        } else {
            startRuntimeProbe(*this, tab);
        }
    }
    layoutChildren();
    return S_OK;
}

}  // namespace vesko
