#pragma once
// The view object the host drives: navigation, scripts, resource filters and event
// registration. What happens then is the navigation pipeline's and the page driver's.

#include <set>
#include <string>

#include "navigation_pipeline.h"

namespace vesko::standin {

// It answers its interfaces up to the version the knobs name: an older runtime simply does
// not know the newer ones.
class WebView final
    : public ComObject<ICoreWebView2_22, IID_ICoreWebView2, IID_ICoreWebView2_2, IID_ICoreWebView2_3,
                       IID_ICoreWebView2_4, IID_ICoreWebView2_5, IID_ICoreWebView2_6, IID_ICoreWebView2_7,
                       IID_ICoreWebView2_8, IID_ICoreWebView2_9, IID_ICoreWebView2_10, IID_ICoreWebView2_11,
                       IID_ICoreWebView2_12, IID_ICoreWebView2_13, IID_ICoreWebView2_14, IID_ICoreWebView2_15,
                       IID_ICoreWebView2_16, IID_ICoreWebView2_17, IID_ICoreWebView2_18, IID_ICoreWebView2_19,
                       IID_ICoreWebView2_20, IID_ICoreWebView2_21, IID_ICoreWebView2_22> {
public:
    WebView(std::shared_ptr<EngineContext> context, ComPtr<ICoreWebView2Environment> environment, std::string name);
    ~WebView() override;

    NavigationPipeline& pipeline() { return pipeline_; }
    // Every live view of this module, for telling ours from anyone else's.
    static std::set<const void*>& liveViews();

    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE GoBack() override;
    HRESULT STDMETHODCALLTYPE GoForward() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
    HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment** environment) override;
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilterWithRequestSourceKinds(
        LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilterWithRequestSourceKinds(
        LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) override;

    // Events. Registration works for every event the host uses; the site backend raises
    // the navigation, request, source, history, title and completion events.
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().navigationStarting, h, t, "add_NavigationStarting"); }
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken t) override { return removeFrom(pipeline_.events().navigationStarting, t, "remove_NavigationStarting"); }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().frameNavigationStarting, h, t, "add_FrameNavigationStarting"); }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken t) override { return removeFrom(pipeline_.events().frameNavigationStarting, t, "remove_FrameNavigationStarting"); }
    HRESULT STDMETHODCALLTYPE add_SourceChanged(ICoreWebView2SourceChangedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().sourceChanged, h, t, "add_SourceChanged"); }
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken t) override { return removeFrom(pipeline_.events().sourceChanged, t, "remove_SourceChanged"); }
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().historyChanged, h, t, "add_HistoryChanged"); }
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken t) override { return removeFrom(pipeline_.events().historyChanged, t, "remove_HistoryChanged"); }
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().navigationCompleted, h, t, "add_NavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken t) override { return removeFrom(pipeline_.events().navigationCompleted, t, "remove_NavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().titleChanged, h, t, "add_DocumentTitleChanged"); }
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken t) override { return removeFrom(pipeline_.events().titleChanged, t, "remove_DocumentTitleChanged"); }
    HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().webResourceRequested, h, t, "add_WebResourceRequested"); }
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken t) override { return removeFrom(pipeline_.events().webResourceRequested, t, "remove_WebResourceRequested"); }
    HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().permissionRequested, h, t, "add_PermissionRequested"); }
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken t) override { return removeFrom(pipeline_.events().permissionRequested, t, "remove_PermissionRequested"); }
    HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().webMessageReceived, h, t, "add_WebMessageReceived"); }
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken t) override { return removeFrom(pipeline_.events().webMessageReceived, t, "remove_WebMessageReceived"); }
    HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().newWindowRequested, h, t, "add_NewWindowRequested"); }
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken t) override { return removeFrom(pipeline_.events().newWindowRequested, t, "remove_NewWindowRequested"); }
    HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().windowCloseRequested, h, t, "add_WindowCloseRequested"); }
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken t) override { return removeFrom(pipeline_.events().windowCloseRequested, t, "remove_WindowCloseRequested"); }
    HRESULT STDMETHODCALLTYPE add_DownloadStarting(ICoreWebView2DownloadStartingEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().downloadStarting, h, t, "add_DownloadStarting"); }
    HRESULT STDMETHODCALLTYPE remove_DownloadStarting(EventRegistrationToken t) override { return removeFrom(pipeline_.events().downloadStarting, t, "remove_DownloadStarting"); }
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().processFailed, h, t, "add_ProcessFailed"); }
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken t) override { return removeFrom(pipeline_.events().processFailed, t, "remove_ProcessFailed"); }
    HRESULT STDMETHODCALLTYPE add_FrameCreated(ICoreWebView2FrameCreatedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().frameCreated, h, t, "add_FrameCreated"); }
    HRESULT STDMETHODCALLTYPE remove_FrameCreated(EventRegistrationToken t) override { return removeFrom(pipeline_.events().frameCreated, t, "remove_FrameCreated"); }

    // Everything the program never calls.
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR) override { return unsupported("NavigateToString"); }
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2ContentLoadingEventHandler *, EventRegistrationToken *) override { return unsupported("add_ContentLoading"); }
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken) override { return unsupported("remove_ContentLoading"); }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler *, EventRegistrationToken *) override { return unsupported("add_FrameNavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventRegistrationToken) override { return unsupported("remove_FrameNavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler *, EventRegistrationToken *) override { return unsupported("add_ScriptDialogOpening"); }
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken) override { return unsupported("remove_ScriptDialogOpening"); }
    HRESULT STDMETHODCALLTYPE CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream *, ICoreWebView2CapturePreviewCompletedHandler *) override { return unsupported("CapturePreview"); }
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR) override { return unsupported("PostWebMessageAsJson"); }
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR) override { return unsupported("PostWebMessageAsString"); }
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler *) override { return unsupported("CallDevToolsProtocolMethod"); }
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32 *) override { return unsupported("get_BrowserProcessId"); }
    HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver **) override { return unsupported("GetDevToolsProtocolEventReceiver"); }
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT *) override { return unsupported("AddHostObjectToScript"); }
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override { return unsupported("RemoveHostObjectFromScript"); }
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override { return unsupported("OpenDevToolsWindow"); }
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(ICoreWebView2ContainsFullScreenElementChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_ContainsFullScreenElementChanged"); }
    HRESULT STDMETHODCALLTYPE remove_ContainsFullScreenElementChanged(EventRegistrationToken) override { return unsupported("remove_ContainsFullScreenElementChanged"); }
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL *) override { return unsupported("get_ContainsFullScreenElement"); }
    HRESULT STDMETHODCALLTYPE add_WebResourceResponseReceived(ICoreWebView2WebResourceResponseReceivedEventHandler *, EventRegistrationToken *) override { return unsupported("add_WebResourceResponseReceived"); }
    HRESULT STDMETHODCALLTYPE remove_WebResourceResponseReceived(EventRegistrationToken) override { return unsupported("remove_WebResourceResponseReceived"); }
    HRESULT STDMETHODCALLTYPE NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest *) override { return unsupported("NavigateWithWebResourceRequest"); }
    HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(ICoreWebView2DOMContentLoadedEventHandler *, EventRegistrationToken *) override { return unsupported("add_DOMContentLoaded"); }
    HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken) override { return unsupported("remove_DOMContentLoaded"); }
    HRESULT STDMETHODCALLTYPE get_CookieManager(ICoreWebView2CookieManager **) override { return unsupported("get_CookieManager"); }
    HRESULT STDMETHODCALLTYPE TrySuspend(ICoreWebView2TrySuspendCompletedHandler *) override { return unsupported("TrySuspend"); }
    HRESULT STDMETHODCALLTYPE Resume() override { return unsupported("Resume"); }
    HRESULT STDMETHODCALLTYPE get_IsSuspended(BOOL *) override { return unsupported("get_IsSuspended"); }
    HRESULT STDMETHODCALLTYPE SetVirtualHostNameToFolderMapping(LPCWSTR, LPCWSTR, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND) override { return unsupported("SetVirtualHostNameToFolderMapping"); }
    HRESULT STDMETHODCALLTYPE ClearVirtualHostNameToFolderMapping(LPCWSTR) override { return unsupported("ClearVirtualHostNameToFolderMapping"); }
    HRESULT STDMETHODCALLTYPE add_ClientCertificateRequested(ICoreWebView2ClientCertificateRequestedEventHandler *, EventRegistrationToken *) override { return unsupported("add_ClientCertificateRequested"); }
    HRESULT STDMETHODCALLTYPE remove_ClientCertificateRequested(EventRegistrationToken) override { return unsupported("remove_ClientCertificateRequested"); }
    HRESULT STDMETHODCALLTYPE OpenTaskManagerWindow() override { return unsupported("OpenTaskManagerWindow"); }
    HRESULT STDMETHODCALLTYPE PrintToPdf(LPCWSTR, ICoreWebView2PrintSettings *, ICoreWebView2PrintToPdfCompletedHandler *) override { return unsupported("PrintToPdf"); }
    HRESULT STDMETHODCALLTYPE add_IsMutedChanged(ICoreWebView2IsMutedChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_IsMutedChanged"); }
    HRESULT STDMETHODCALLTYPE remove_IsMutedChanged(EventRegistrationToken) override { return unsupported("remove_IsMutedChanged"); }
    HRESULT STDMETHODCALLTYPE get_IsMuted(BOOL *) override { return unsupported("get_IsMuted"); }
    HRESULT STDMETHODCALLTYPE put_IsMuted(BOOL) override { return unsupported("put_IsMuted"); }
    HRESULT STDMETHODCALLTYPE add_IsDocumentPlayingAudioChanged(ICoreWebView2IsDocumentPlayingAudioChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_IsDocumentPlayingAudioChanged"); }
    HRESULT STDMETHODCALLTYPE remove_IsDocumentPlayingAudioChanged(EventRegistrationToken) override { return unsupported("remove_IsDocumentPlayingAudioChanged"); }
    HRESULT STDMETHODCALLTYPE get_IsDocumentPlayingAudio(BOOL *) override { return unsupported("get_IsDocumentPlayingAudio"); }
    HRESULT STDMETHODCALLTYPE add_IsDefaultDownloadDialogOpenChanged(ICoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_IsDefaultDownloadDialogOpenChanged"); }
    HRESULT STDMETHODCALLTYPE remove_IsDefaultDownloadDialogOpenChanged(EventRegistrationToken) override { return unsupported("remove_IsDefaultDownloadDialogOpenChanged"); }
    HRESULT STDMETHODCALLTYPE get_IsDefaultDownloadDialogOpen(BOOL *) override { return unsupported("get_IsDefaultDownloadDialogOpen"); }
    HRESULT STDMETHODCALLTYPE OpenDefaultDownloadDialog() override {
        record(name_, "OpenDefaultDownloadDialog");
        return pipeline_.closed() ? kClosed : S_OK;
    }
    HRESULT STDMETHODCALLTYPE CloseDefaultDownloadDialog() override { return unsupported("CloseDefaultDownloadDialog"); }
    HRESULT STDMETHODCALLTYPE get_DefaultDownloadDialogCornerAlignment(COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT *) override { return unsupported("get_DefaultDownloadDialogCornerAlignment"); }
    HRESULT STDMETHODCALLTYPE put_DefaultDownloadDialogCornerAlignment(COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT) override { return unsupported("put_DefaultDownloadDialogCornerAlignment"); }
    HRESULT STDMETHODCALLTYPE get_DefaultDownloadDialogMargin(POINT *) override { return unsupported("get_DefaultDownloadDialogMargin"); }
    HRESULT STDMETHODCALLTYPE put_DefaultDownloadDialogMargin(POINT) override { return unsupported("put_DefaultDownloadDialogMargin"); }
    HRESULT STDMETHODCALLTYPE add_BasicAuthenticationRequested(ICoreWebView2BasicAuthenticationRequestedEventHandler *, EventRegistrationToken *) override { return unsupported("add_BasicAuthenticationRequested"); }
    HRESULT STDMETHODCALLTYPE remove_BasicAuthenticationRequested(EventRegistrationToken) override { return unsupported("remove_BasicAuthenticationRequested"); }
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethodForSession(LPCWSTR, LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler *) override { return unsupported("CallDevToolsProtocolMethodForSession"); }
    HRESULT STDMETHODCALLTYPE add_ContextMenuRequested(ICoreWebView2ContextMenuRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().contextMenuRequested, h, t, "add_ContextMenuRequested"); }
    HRESULT STDMETHODCALLTYPE remove_ContextMenuRequested(EventRegistrationToken t) override { return removeFrom(pipeline_.events().contextMenuRequested, t, "remove_ContextMenuRequested"); }
    HRESULT STDMETHODCALLTYPE add_StatusBarTextChanged(ICoreWebView2StatusBarTextChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_StatusBarTextChanged"); }
    HRESULT STDMETHODCALLTYPE remove_StatusBarTextChanged(EventRegistrationToken) override { return unsupported("remove_StatusBarTextChanged"); }
    HRESULT STDMETHODCALLTYPE get_StatusBarText(LPWSTR *) override { return unsupported("get_StatusBarText"); }
    HRESULT STDMETHODCALLTYPE get_Profile(ICoreWebView2Profile **) override { return unsupported("get_Profile"); }
    HRESULT STDMETHODCALLTYPE add_ServerCertificateErrorDetected(ICoreWebView2ServerCertificateErrorDetectedEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().certificateErrorDetected, h, t, "add_ServerCertificateErrorDetected"); }
    HRESULT STDMETHODCALLTYPE remove_ServerCertificateErrorDetected(EventRegistrationToken t) override { return removeFrom(pipeline_.events().certificateErrorDetected, t, "remove_ServerCertificateErrorDetected"); }
    HRESULT STDMETHODCALLTYPE ClearServerCertificateErrorActions(ICoreWebView2ClearServerCertificateErrorActionsCompletedHandler *) override { return unsupported("ClearServerCertificateErrorActions"); }
    HRESULT STDMETHODCALLTYPE add_FaviconChanged(ICoreWebView2FaviconChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_FaviconChanged"); }
    HRESULT STDMETHODCALLTYPE remove_FaviconChanged(EventRegistrationToken) override { return unsupported("remove_FaviconChanged"); }
    HRESULT STDMETHODCALLTYPE get_FaviconUri(LPWSTR *) override { return unsupported("get_FaviconUri"); }
    HRESULT STDMETHODCALLTYPE GetFavicon(COREWEBVIEW2_FAVICON_IMAGE_FORMAT, ICoreWebView2GetFaviconCompletedHandler *) override { return unsupported("GetFavicon"); }
    HRESULT STDMETHODCALLTYPE Print(ICoreWebView2PrintSettings *, ICoreWebView2PrintCompletedHandler *) override { return unsupported("Print"); }
    HRESULT STDMETHODCALLTYPE ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND kind) override {
        record(name_, "ShowPrintUI", std::to_string(kind));
        return pipeline_.closed() ? kClosed : S_OK;
    }
    HRESULT STDMETHODCALLTYPE PrintToPdfStream(ICoreWebView2PrintSettings *, ICoreWebView2PrintToPdfStreamCompletedHandler *) override { return unsupported("PrintToPdfStream"); }
    HRESULT STDMETHODCALLTYPE PostSharedBufferToScript(ICoreWebView2SharedBuffer *, COREWEBVIEW2_SHARED_BUFFER_ACCESS, LPCWSTR) override { return unsupported("PostSharedBufferToScript"); }
    HRESULT STDMETHODCALLTYPE add_LaunchingExternalUriScheme(ICoreWebView2LaunchingExternalUriSchemeEventHandler* h, EventRegistrationToken* t) override { return addTo(pipeline_.events().launchingExternalUriScheme, h, t, "add_LaunchingExternalUriScheme"); }
    HRESULT STDMETHODCALLTYPE remove_LaunchingExternalUriScheme(EventRegistrationToken t) override { return removeFrom(pipeline_.events().launchingExternalUriScheme, t, "remove_LaunchingExternalUriScheme"); }
    HRESULT STDMETHODCALLTYPE get_MemoryUsageTargetLevel(COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL *) override { return unsupported("get_MemoryUsageTargetLevel"); }
    HRESULT STDMETHODCALLTYPE put_MemoryUsageTargetLevel(COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL) override { return unsupported("put_MemoryUsageTargetLevel"); }
    HRESULT STDMETHODCALLTYPE get_FrameId(UINT32 *) override { return unsupported("get_FrameId"); }
    HRESULT STDMETHODCALLTYPE ExecuteScriptWithResult(LPCWSTR, ICoreWebView2ExecuteScriptWithResultCompletedHandler *) override { return unsupported("ExecuteScriptWithResult"); }

private:
    HRESULT unsupported(const char* method) { return answerUnsupported(name_, method); }
    template <typename Handler>
    HRESULT addTo(EventList<Handler>& list, Handler* handler, EventRegistrationToken* token, const char* method) {
        record(name_, method);
        if (pipeline_.closed()) return kClosed;
        return list.add(handler, token);
    }
    template <typename Handler>
    HRESULT removeFrom(EventList<Handler>& list, EventRegistrationToken token, const char* method) {
        record(name_, method, std::to_string(token.value));
        return list.remove(token);
    }
    HRESULT addFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                      COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds);
    HRESULT removeFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                         COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds);

    std::shared_ptr<EngineContext> context_;
    ComPtr<ICoreWebView2Environment> environment_;
    std::string name_;
    ComPtr<ViewSettings> settings_;
    NavigationPipeline pipeline_;
};

}  // namespace vesko::standin
