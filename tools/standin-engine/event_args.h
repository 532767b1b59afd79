#pragma once
// The arguments the view's events hand to the host's handlers. The engine reads them
// after the handlers return (a cancel, a response, a new window, a result path), and a
// deferral holds the event until the host completes it.

#include <functional>
#include <string>

#include "com_support.h"
#include "engine/engine_focus_interface_win.h"
#include "live_objects.h"

namespace vesko::standin {

// Every getter here has the same shape: recorded, the out pointer checked, answered.
template <typename Out, typename Value>
HRESULT answerValue(const std::string& owner, const char* method, Out* out, const Value& value) {
    record(owner, method);
    if (out == nullptr) return E_POINTER;
    *out = static_cast<Out>(value);
    return S_OK;
}
// A text getter: task memory the host frees.
HRESULT answerText(const std::string& owner, const char* method, const std::wstring& text, LPWSTR* out);
// An object getter: one more reference, the host's.
template <typename Interface, typename Object>
HRESULT answerObject(const std::string& owner, const char* method, Object* object, Interface** out) {
    record(owner, method);
    if (out == nullptr) return E_POINTER;
    *out = ComPtr<Interface>(object).Detach();
    return S_OK;
}
HRESULT answerFlag(const std::string& owner, const char* method, BOOL value, bool& field);
HRESULT answerUnsupported(const std::string& owner, const char* method);

class Deferral final : public ComObject<ICoreWebView2Deferral, IID_ICoreWebView2Deferral> {
    LiveMark<LiveKind::deferrals> live_;
public:
    Deferral(std::string owner, std::function<void()> onComplete)
        : owner_(std::move(owner)), onComplete_(std::move(onComplete)) {}
    HRESULT STDMETHODCALLTYPE Complete() override;
    bool completed() const { return !onComplete_; }

private:
    std::string owner_;
    std::function<void()> onComplete_;
};

// The one deferral an event's arguments give out; the completion resumes the event.
class DeferralSlot {
public:
    explicit DeferralSlot(std::function<void()> resume) : resume_(std::move(resume)) {}
    HRESULT give(const std::string& owner, ICoreWebView2Deferral** out);
    bool taken() const { return static_cast<bool>(deferral_); }
    bool pending() const { return deferral_ && !deferral_->completed(); }

private:
    std::function<void()> resume_;
    ComPtr<Deferral> deferral_;
};

class NavigationStartingArgs final : public ComObject<ICoreWebView2NavigationStartingEventArgs, IID_ICoreWebView2NavigationStartingEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    NavigationStartingArgs(std::string owner, std::wstring uri, bool userInitiated, std::uint64_t id)
        : owner_(std::move(owner) + ".navigationStarting"), uri_(std::move(uri)), userInitiated_(userInitiated), id_(id) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return answerText(owner_, "get_Uri", uri_, uri); }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* v) override { return answerValue(owner_, "get_IsUserInitiated", v, userInitiated_); }
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* v) override { return answerValue(owner_, "get_IsRedirected", v, false); }
    HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders**) override { return answerUnsupported(owner_, "get_RequestHeaders"); }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* v) override { return answerValue(owner_, "get_Cancel", v, cancel_); }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL v) override { return answerFlag(owner_, "put_Cancel", v, cancel_); }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { return answerValue(owner_, "get_NavigationId", id, id_); }
    bool cancelled() const { return cancel_; }

private:
    std::string owner_;
    std::wstring uri_;
    bool userInitiated_;
    std::uint64_t id_;
    bool cancel_ = false;
};

class SourceChangedArgs final : public ComObject<ICoreWebView2SourceChangedEventArgs, IID_ICoreWebView2SourceChangedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    SourceChangedArgs(std::string owner, bool newDocument)
        : owner_(std::move(owner) + ".sourceChanged"), newDocument_(newDocument) {}
    HRESULT STDMETHODCALLTYPE get_IsNewDocument(BOOL* v) override { return answerValue(owner_, "get_IsNewDocument", v, newDocument_); }

private:
    std::string owner_;
    bool newDocument_;
};

class NavigationCompletedArgs final : public ComObject<ICoreWebView2NavigationCompletedEventArgs, IID_ICoreWebView2NavigationCompletedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    NavigationCompletedArgs(std::string owner, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, std::uint64_t id)
        : owner_(std::move(owner) + ".navigationCompleted"), success_(success), status_(status), id_(id) {}
    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* v) override { return answerValue(owner_, "get_IsSuccess", v, success_); }
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* v) override { return answerValue(owner_, "get_WebErrorStatus", v, status_); }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { return answerValue(owner_, "get_NavigationId", id, id_); }

private:
    std::string owner_;
    bool success_;
    COREWEBVIEW2_WEB_ERROR_STATUS status_;
    std::uint64_t id_;
};

class WebResourceRequest final : public ComObject<ICoreWebView2WebResourceRequest, IID_ICoreWebView2WebResourceRequest> {
public:
    WebResourceRequest(std::string owner, std::wstring uri, std::wstring method)
        : owner_(std::move(owner) + ".request"), uri_(std::move(uri)), method_(std::move(method)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return answerText(owner_, "get_Uri", uri_, uri); }
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) override { return putText(uri_, uri, "put_Uri"); }
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override { return answerText(owner_, "get_Method", method_, method); }
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) override { return putText(method_, method, "put_Method"); }
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override { return answerObject(owner_, "get_Content", content_.Get(), content); }
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override {
        record(owner_, "put_Content");
        content_ = content;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders**) override { return answerUnsupported(owner_, "get_Headers"); }
    const std::wstring& uri() const { return uri_; }

private:
    HRESULT putText(std::wstring& field, LPCWSTR value, const char* method);
    std::string owner_;
    std::wstring uri_;
    std::wstring method_;
    ComPtr<IStream> content_;
};

class WebResourceRequestedArgs final : public ComObject<ICoreWebView2WebResourceRequestedEventArgs, IID_ICoreWebView2WebResourceRequestedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    WebResourceRequestedArgs(std::string owner, ComPtr<WebResourceRequest> request,
                             COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, std::function<void()> resume)
        : owner_(std::move(owner) + ".webResourceRequested"),
          request_(std::move(request)),
          context_(context),
          deferral_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** v) override { return answerObject(owner_, "get_Request", request_.Get(), v); }
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** v) override { return answerObject(owner_, "get_Response", response_.Get(), v); }
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** v) override { return deferral_.give(owner_, v); }
    HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* v) override { return answerValue(owner_, "get_ResourceContext", v, context_); }

    bool deferred() const { return deferral_.pending(); }
    ICoreWebView2WebResourceResponse* response() const { return response_.Get(); }
    const std::wstring& requestUri() const { return request_->uri(); }

private:
    std::string owner_;
    ComPtr<WebResourceRequest> request_;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context_;
    ComPtr<ICoreWebView2WebResourceResponse> response_;
    DeferralSlot deferral_;
};

class WebMessageArgs final : public ComObject<ICoreWebView2WebMessageReceivedEventArgs, IID_ICoreWebView2WebMessageReceivedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    WebMessageArgs(std::string owner, std::wstring source, std::wstring json)
        : owner_(std::move(owner) + ".webMessage"), source_(std::move(source)), json_(std::move(json)) {}
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* v) override { return answerText(owner_, "get_Source", source_, v); }
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* v) override { return answerText(owner_, "get_WebMessageAsJson", json_, v); }
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override;

private:
    std::string owner_;
    std::wstring source_;
    std::wstring json_;
};

class NewWindowArgs final : public ComObject<ICoreWebView2NewWindowRequestedEventArgs, IID_ICoreWebView2NewWindowRequestedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    // acceptsView: whether a view the host gives can take the pop-up; it takes it then.
    NewWindowArgs(std::string owner, std::wstring uri, std::function<void()> resume,
                  std::function<bool(ICoreWebView2*)> acceptsView)
        : owner_(std::move(owner) + ".newWindowRequested"),
          uri_(std::move(uri)),
          deferral_(std::move(resume)),
          acceptsView_(std::move(acceptsView)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* v) override { return answerText(owner_, "get_Uri", uri_, v); }
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* view) override;
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** v) override { return answerObject(owner_, "get_NewWindow", newWindow_.Get(), v); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL v) override { return answerFlag(owner_, "put_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* v) override { return answerValue(owner_, "get_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* v) override { return answerValue(owner_, "get_IsUserInitiated", v, true); }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** v) override { return deferral_.give(owner_, v); }
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures**) override { return answerUnsupported(owner_, "get_WindowFeatures"); }
    bool deferred() const { return deferral_.pending(); }
    bool tookDeferral() const { return deferral_.taken(); }
    bool handled() const { return handled_; }
    ICoreWebView2* newWindow() const { return newWindow_.Get(); }
    const std::wstring& uri() const { return uri_; }
    void finish() { finished_ = true; }

private:
    std::string owner_;
    std::wstring uri_;
    DeferralSlot deferral_;
    std::function<bool(ICoreWebView2*)> acceptsView_;
    ComPtr<ICoreWebView2> newWindow_;
    bool handled_ = false;
    bool finished_ = false;
};

class PermissionArgs final : public ComObject<ICoreWebView2PermissionRequestedEventArgs, IID_ICoreWebView2PermissionRequestedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    PermissionArgs(std::string owner, std::wstring uri, COREWEBVIEW2_PERMISSION_KIND kind)
        : owner_(std::move(owner) + ".permissionRequested"), uri_(std::move(uri)), kind_(kind) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* v) override { return answerText(owner_, "get_Uri", uri_, v); }
    HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* v) override { return answerValue(owner_, "get_PermissionKind", v, kind_); }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* v) override { return answerValue(owner_, "get_IsUserInitiated", v, true); }
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* v) override { return answerValue(owner_, "get_State", v, state_); }
    HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override {
        record(owner_, "put_State", std::to_string(state));
        state_ = state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) override { return answerUnsupported(owner_, "GetDeferral"); }
    COREWEBVIEW2_PERMISSION_STATE state() const { return state_; }

private:
    std::string owner_;
    std::wstring uri_;
    COREWEBVIEW2_PERMISSION_KIND kind_;
    COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

// The download's own object: only its address; the program watches nothing else.
class DownloadOperation final : public ComObject<ICoreWebView2DownloadOperation, IID_ICoreWebView2DownloadOperation> {
public:
    DownloadOperation(std::string owner, std::wstring uri) : owner_(std::move(owner) + ".download"), uri_(std::move(uri)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* v) override { return answerText(owner_, "get_Uri", uri_, v); }
    HRESULT STDMETHODCALLTYPE add_BytesReceivedChanged(ICoreWebView2BytesReceivedChangedEventHandler*, EventRegistrationToken*) override { return answerUnsupported(owner_, "add_BytesReceivedChanged"); }
    HRESULT STDMETHODCALLTYPE remove_BytesReceivedChanged(EventRegistrationToken) override { return answerUnsupported(owner_, "remove_BytesReceivedChanged"); }
    HRESULT STDMETHODCALLTYPE add_EstimatedEndTimeChanged(ICoreWebView2EstimatedEndTimeChangedEventHandler*, EventRegistrationToken*) override { return answerUnsupported(owner_, "add_EstimatedEndTimeChanged"); }
    HRESULT STDMETHODCALLTYPE remove_EstimatedEndTimeChanged(EventRegistrationToken) override { return answerUnsupported(owner_, "remove_EstimatedEndTimeChanged"); }
    HRESULT STDMETHODCALLTYPE add_StateChanged(ICoreWebView2StateChangedEventHandler*, EventRegistrationToken*) override { return answerUnsupported(owner_, "add_StateChanged"); }
    HRESULT STDMETHODCALLTYPE remove_StateChanged(EventRegistrationToken) override { return answerUnsupported(owner_, "remove_StateChanged"); }
    HRESULT STDMETHODCALLTYPE get_ContentDisposition(LPWSTR*) override { return answerUnsupported(owner_, "get_ContentDisposition"); }
    HRESULT STDMETHODCALLTYPE get_MimeType(LPWSTR*) override { return answerUnsupported(owner_, "get_MimeType"); }
    HRESULT STDMETHODCALLTYPE get_TotalBytesToReceive(INT64*) override { return answerUnsupported(owner_, "get_TotalBytesToReceive"); }
    HRESULT STDMETHODCALLTYPE get_BytesReceived(INT64*) override { return answerUnsupported(owner_, "get_BytesReceived"); }
    HRESULT STDMETHODCALLTYPE get_EstimatedEndTime(LPWSTR*) override { return answerUnsupported(owner_, "get_EstimatedEndTime"); }
    HRESULT STDMETHODCALLTYPE get_ResultFilePath(LPWSTR*) override { return answerUnsupported(owner_, "get_ResultFilePath"); }
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_DOWNLOAD_STATE*) override { return answerUnsupported(owner_, "get_State"); }
    HRESULT STDMETHODCALLTYPE get_InterruptReason(COREWEBVIEW2_DOWNLOAD_INTERRUPT_REASON*) override { return answerUnsupported(owner_, "get_InterruptReason"); }
    HRESULT STDMETHODCALLTYPE Cancel() override { return answerUnsupported(owner_, "Cancel"); }
    HRESULT STDMETHODCALLTYPE Pause() override { return answerUnsupported(owner_, "Pause"); }
    HRESULT STDMETHODCALLTYPE Resume() override { return answerUnsupported(owner_, "Resume"); }
    HRESULT STDMETHODCALLTYPE get_CanResume(BOOL*) override { return answerUnsupported(owner_, "get_CanResume"); }

private:
    std::string owner_;
    std::wstring uri_;
};

class DownloadStartingArgs final : public ComObject<ICoreWebView2DownloadStartingEventArgs, IID_ICoreWebView2DownloadStartingEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    DownloadStartingArgs(std::string owner, std::wstring uri, std::wstring path, HRESULT pathRefused,
                         std::function<void()> resume)
        : owner_(std::move(owner) + ".downloadStarting"),
          operation_(makeComObject<DownloadOperation>(owner_, uri)),
          path_(std::move(path)),
          pathRefused_(pathRefused),
          deferral_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE get_DownloadOperation(ICoreWebView2DownloadOperation** v) override { return answerObject(owner_, "get_DownloadOperation", operation_.Get(), v); }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* v) override { return answerValue(owner_, "get_Cancel", v, cancel_); }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL v) override { return answerFlag(owner_, "put_Cancel", v, cancel_); }
    HRESULT STDMETHODCALLTYPE get_ResultFilePath(LPWSTR* v) override { return answerText(owner_, "get_ResultFilePath", path_, v); }
    HRESULT STDMETHODCALLTYPE put_ResultFilePath(LPCWSTR path) override;
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* v) override { return answerValue(owner_, "get_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL v) override { return answerFlag(owner_, "put_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** v) override { return deferral_.give(owner_, v); }
    bool deferred() const { return deferral_.pending(); }
    bool tookDeferral() const { return deferral_.taken(); }
    bool cancelled() const { return cancel_; }
    bool handled() const { return handled_; }
    const std::wstring& path() const { return path_; }

private:
    std::string owner_;
    ComPtr<DownloadOperation> operation_;
    std::wstring path_;
    HRESULT pathRefused_;
    DeferralSlot deferral_;
    bool cancel_ = false;
    bool handled_ = false;
};

class AcceleratorKeyArgs final : public ComObject<ICoreWebView2AcceleratorKeyPressedEventArgs, IID_ICoreWebView2AcceleratorKeyPressedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    // lParam as the key's window message carries it: bit 30 the key's previous state (set
    // for an auto-repeat and for every key-up), bit 31 the transition (set for key-up).
    AcceleratorKeyArgs(std::string owner, COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, INT lParam)
        : owner_(std::move(owner) + ".acceleratorKey"), kind_(kind), key_(key), lParam_(lParam) {}
    HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* v) override { return answerValue(owner_, "get_KeyEventKind", v, kind_); }
    HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* v) override { return answerValue(owner_, "get_VirtualKey", v, key_); }
    HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* v) override { return answerValue(owner_, "get_KeyEventLParam", v, lParam_); }
    HRESULT STDMETHODCALLTYPE get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS*) override { return answerUnsupported(owner_, "get_PhysicalKeyStatus"); }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* v) override { return answerValue(owner_, "get_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL v) override { return answerFlag(owner_, "put_Handled", v, handled_); }
    bool handled() const { return handled_; }

private:
    std::string owner_;
    COREWEBVIEW2_KEY_EVENT_KIND kind_;
    UINT key_;
    INT lParam_;
    bool handled_ = false;
};

class MoveFocusArgs final : public ComObject<ICoreWebView2MoveFocusRequestedEventArgs, IID_ICoreWebView2MoveFocusRequestedEventArgs> {
public:
    MoveFocusArgs(std::string owner, COREWEBVIEW2_MOVE_FOCUS_REASON reason)
        : owner_(std::move(owner) + ".moveFocus"), reason_(reason) {}
    HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON* v) override { return answerValue(owner_, "get_Reason", v, reason_); }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* v) override { return answerValue(owner_, "get_Handled", v, handled_); }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL v) override { return answerFlag(owner_, "put_Handled", v, handled_); }
    bool handled() const { return handled_; }

private:
    std::string owner_;
    COREWEBVIEW2_MOVE_FOCUS_REASON reason_;
    bool handled_ = false;
    LiveMark<LiveKind::eventArgs> live_;
};

}  // namespace vesko::standin
