// The stand-in's controllers and views: a child window of the host's window painted with
// the page's title, address and links, and the navigation pipeline that raises the
// engine's events in a browser's order.
#include <windowsx.h>

#include <algorithm>
#include <fstream>
#include <set>

#include <nlohmann/json.hpp>

#include "chromium/chromium_page.h"
#include "objects.h"

namespace vesko::standin {
namespace {

constexpr wchar_t kViewClass[] = L"VeskoStandInView";
constexpr double kMinimumZoom = 0.25;
constexpr double kMaximumZoom = 5.0;

// Every call on a closed controller or its view is refused, as the engine does.
const HRESULT kClosed = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);

std::set<const void*>& liveControllers() {
    static std::set<const void*> controllers;
    return controllers;
}

std::string boolText(BOOL value) {
    return value ? "true" : "false";
}

// '*' matches any run of characters, everything else itself.
bool globMatches(std::wstring_view pattern, std::wstring_view text) {
    std::size_t p = 0, t = 0, star = std::wstring_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

class Deferral final : public RefCounted<ICoreWebView2Deferral> {
public:
    Deferral(std::string owner, std::function<void()> onComplete)
        : owner_(std::move(owner)), onComplete_(std::move(onComplete)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2Deferral});
    }
    HRESULT STDMETHODCALLTYPE Complete() override {
        record(owner_ + ".deferral", "Complete");
        if (!onComplete_) return E_UNEXPECTED;  // completed before
        auto onComplete = std::move(onComplete_);
        onComplete_ = nullptr;
        onComplete();
        return S_OK;
    }
    bool completed() const { return !onComplete_; }

private:
    std::string owner_;
    std::function<void()> onComplete_;
};

class NavigationStartingArgs final : public RefCounted<ICoreWebView2NavigationStartingEventArgs> {
public:
    NavigationStartingArgs(std::string owner, std::wstring uri, bool userInitiated, std::uint64_t id)
        : owner_(std::move(owner) + ".navigationStarting"), uri_(std::move(uri)), userInitiated_(userInitiated), id_(id) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2NavigationStartingEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        record(owner_, "get_Uri");
        return copyToTaskMemory(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override { return getBool(value, userInitiated_, "get_IsUserInitiated"); }
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) override { return getBool(value, false, "get_IsRedirected"); }
    HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders**) override {
        record(owner_, "get_RequestHeaders", "unsupported");
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override { return getBool(cancel, cancel_, "get_Cancel"); }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override {
        record(owner_, "put_Cancel", boolText(cancel));
        cancel_ = cancel != FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override {
        record(owner_, "get_NavigationId");
        if (id == nullptr) return E_POINTER;
        *id = id_;
        return S_OK;
    }
    bool cancelled() const { return cancel_; }

private:
    HRESULT getBool(BOOL* out, bool value, const char* method) {
        record(owner_, method);
        if (out == nullptr) return E_POINTER;
        *out = value ? TRUE : FALSE;
        return S_OK;
    }
    std::string owner_;
    std::wstring uri_;
    bool userInitiated_;
    std::uint64_t id_;
    bool cancel_ = false;
};

class SourceChangedArgs final : public RefCounted<ICoreWebView2SourceChangedEventArgs> {
public:
    SourceChangedArgs(std::string owner, bool newDocument) : owner_(std::move(owner)), newDocument_(newDocument) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2SourceChangedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_IsNewDocument(BOOL* value) override {
        record(owner_ + ".sourceChanged", "get_IsNewDocument");
        if (value == nullptr) return E_POINTER;
        *value = newDocument_ ? TRUE : FALSE;
        return S_OK;
    }

private:
    std::string owner_;
    bool newDocument_;
};

class NavigationCompletedArgs final : public RefCounted<ICoreWebView2NavigationCompletedEventArgs> {
public:
    NavigationCompletedArgs(std::string owner, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, std::uint64_t id)
        : owner_(std::move(owner) + ".navigationCompleted"), success_(success), status_(status), id_(id) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2NavigationCompletedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* value) override {
        record(owner_, "get_IsSuccess");
        if (value == nullptr) return E_POINTER;
        *value = success_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* status) override {
        record(owner_, "get_WebErrorStatus");
        if (status == nullptr) return E_POINTER;
        *status = status_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override {
        record(owner_, "get_NavigationId");
        if (id == nullptr) return E_POINTER;
        *id = id_;
        return S_OK;
    }

private:
    std::string owner_;
    bool success_;
    COREWEBVIEW2_WEB_ERROR_STATUS status_;
    std::uint64_t id_;
};

class WebResourceRequest final : public RefCounted<ICoreWebView2WebResourceRequest> {
public:
    WebResourceRequest(std::string owner, std::wstring uri, std::wstring method)
        : owner_(std::move(owner) + ".request"), uri_(std::move(uri)), method_(std::move(method)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2WebResourceRequest});
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        record(owner_, "get_Uri");
        return copyToTaskMemory(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) override {
        record(owner_, "put_Uri", narrow(uri != nullptr ? uri : L""));
        if (uri == nullptr) return E_INVALIDARG;
        uri_ = uri;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override {
        record(owner_, "get_Method");
        return copyToTaskMemory(method_, method);
    }
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) override {
        record(owner_, "put_Method", narrow(method != nullptr ? method : L""));
        if (method == nullptr) return E_INVALIDARG;
        method_ = method;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
        record(owner_, "get_Content");
        if (content == nullptr) return E_POINTER;
        *content = content_.Get();
        if (*content != nullptr) (*content)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override {
        record(owner_, "put_Content");
        content_ = content;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders**) override {
        record(owner_, "get_Headers", "unsupported");
        return E_NOTIMPL;
    }
    const std::wstring& uri() const { return uri_; }

private:
    std::string owner_;
    std::wstring uri_;
    std::wstring method_;
    ComPtr<IStream> content_;
};

class WebResourceRequestedArgs final : public RefCounted<ICoreWebView2WebResourceRequestedEventArgs> {
public:
    WebResourceRequestedArgs(std::string owner, ComPtr<WebResourceRequest> request,
                             COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, std::function<void()> resume)
        : owner_(std::move(owner) + ".webResourceRequested"),
          request_(std::move(request)),
          context_(context),
          resume_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2WebResourceRequestedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
        record(owner_, "get_Request");
        if (request == nullptr) return E_POINTER;
        *request = ComPtr<ICoreWebView2WebResourceRequest>(request_.Get()).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override {
        record(owner_, "get_Response");
        if (response == nullptr) return E_POINTER;
        *response = ComPtr<ICoreWebView2WebResourceResponse>(response_).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
        std::string detail = "null";
        // Reading the body back is only for the record; a benchmark turns that off.
        if (const auto snapshot = isRecording() ? snapshotResponse(response) : std::nullopt) {
            detail = std::to_string(snapshot->statusCode) + " " + narrow(snapshot->reasonPhrase) + ", " +
                     std::to_string(snapshot->body.size()) + " bytes";
        }
        record(owner_, "put_Response", detail);
        response_ = response;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        record(owner_, "GetDeferral");
        if (deferral == nullptr) return E_POINTER;
        if (deferral_) return E_UNEXPECTED;  // one deferral per request
        deferral_ = makeObject<Deferral>(owner_, resume_);
        *deferral = ComPtr<ICoreWebView2Deferral>(deferral_.Get()).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) override {
        record(owner_, "get_ResourceContext");
        if (context == nullptr) return E_POINTER;
        *context = context_;
        return S_OK;
    }

    bool deferred() const { return deferral_ && !deferral_->completed(); }
    ICoreWebView2WebResourceResponse* response() const { return response_.Get(); }
    const std::wstring& requestUri() const { return request_->uri(); }

private:
    std::string owner_;
    ComPtr<WebResourceRequest> request_;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context_;
    std::function<void()> resume_;
    ComPtr<ICoreWebView2WebResourceResponse> response_;
    ComPtr<Deferral> deferral_;
};

class WebMessageArgs final : public RefCounted<ICoreWebView2WebMessageReceivedEventArgs> {
public:
    WebMessageArgs(std::string owner, std::wstring source, std::wstring json)
        : owner_(std::move(owner) + ".webMessage"), source_(std::move(source)), json_(std::move(json)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2WebMessageReceivedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override {
        record(owner_, "get_Source");
        return copyToTaskMemory(source_, value);
    }
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override {
        record(owner_, "get_WebMessageAsJson");
        return copyToTaskMemory(json_, value);
    }
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override {
        record(owner_, "TryGetWebMessageAsString");
        if (value == nullptr) return E_POINTER;
        *value = nullptr;
        const auto parsed = nlohmann::json::parse(narrow(json_), nullptr, false);
        if (parsed.is_discarded() || !parsed.is_string()) return E_INVALIDARG;
        return copyToTaskMemory(widen(parsed.get<std::string>()), value);
    }

private:
    std::string owner_;
    std::wstring source_;
    std::wstring json_;
};

class NewWindowArgs final : public RefCounted<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    NewWindowArgs(std::string owner, std::wstring uri, std::function<void()> resume)
        : owner_(std::move(owner) + ".newWindowRequested"), uri_(std::move(uri)), resume_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2NewWindowRequestedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        record(owner_, "get_Uri");
        return copyToTaskMemory(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* view) override {
        record(owner_, "put_NewWindow", view != nullptr ? "view" : "null");
        if (finished_) return kClosed;
        // Only a view that has never navigated can take a pop-up.
        if (view != nullptr && !acceptsNewWindow_(view)) return E_INVALIDARG;
        newWindow_ = view;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** view) override {
        record(owner_, "get_NewWindow");
        if (view == nullptr) return E_POINTER;
        *view = ComPtr<ICoreWebView2>(newWindow_).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        record(owner_, "put_Handled", boolText(handled));
        handled_ = handled != FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override {
        record(owner_, "get_Handled");
        if (handled == nullptr) return E_POINTER;
        *handled = handled_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
        record(owner_, "get_IsUserInitiated");
        if (value == nullptr) return E_POINTER;
        *value = TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        record(owner_, "GetDeferral");
        if (deferral == nullptr) return E_POINTER;
        if (deferral_) return E_UNEXPECTED;
        deferral_ = makeObject<Deferral>(owner_, resume_);
        *deferral = ComPtr<ICoreWebView2Deferral>(deferral_.Get()).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures**) override {
        record(owner_, "get_WindowFeatures", "unsupported");
        return E_NOTIMPL;
    }
    bool deferred() const { return deferral_ && !deferral_->completed(); }
    bool tookDeferral() const { return static_cast<bool>(deferral_); }
    bool handled() const { return handled_; }
    ICoreWebView2* newWindow() const { return newWindow_.Get(); }
    const std::wstring& uri() const { return uri_; }
    void finish() { finished_ = true; }
    std::function<bool(ICoreWebView2*)> acceptsNewWindow_;

private:
    std::string owner_;
    std::wstring uri_;
    std::function<void()> resume_;
    ComPtr<ICoreWebView2> newWindow_;
    bool handled_ = false;
    bool finished_ = false;
    ComPtr<Deferral> deferral_;
};

class PermissionArgs final : public RefCounted<ICoreWebView2PermissionRequestedEventArgs> {
public:
    PermissionArgs(std::string owner, std::wstring uri, COREWEBVIEW2_PERMISSION_KIND kind)
        : owner_(std::move(owner) + ".permissionRequested"), uri_(std::move(uri)), kind_(kind) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2PermissionRequestedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        record(owner_, "get_Uri");
        return copyToTaskMemory(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) override {
        record(owner_, "get_PermissionKind");
        if (kind == nullptr) return E_POINTER;
        *kind = kind_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
        record(owner_, "get_IsUserInitiated");
        if (value == nullptr) return E_POINTER;
        *value = TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* state) override {
        record(owner_, "get_State");
        if (state == nullptr) return E_POINTER;
        *state = state_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override {
        record(owner_, "put_State", std::to_string(state));
        state_ = state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) override {
        record(owner_, "GetDeferral", "unsupported");
        return E_NOTIMPL;
    }
    COREWEBVIEW2_PERMISSION_STATE state() const { return state_; }

private:
    std::string owner_;
    std::wstring uri_;
    COREWEBVIEW2_PERMISSION_KIND kind_;
    COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

class DownloadOperation final : public RefCounted<ICoreWebView2DownloadOperation> {
public:
    DownloadOperation(std::string owner, std::wstring uri) : owner_(std::move(owner) + ".download"), uri_(std::move(uri)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2DownloadOperation});
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        record(owner_, "get_Uri");
        return copyToTaskMemory(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE add_BytesReceivedChanged(ICoreWebView2BytesReceivedChangedEventHandler*, EventRegistrationToken*) override { return unsupported("add_BytesReceivedChanged"); }
    HRESULT STDMETHODCALLTYPE remove_BytesReceivedChanged(EventRegistrationToken) override { return unsupported("remove_BytesReceivedChanged"); }
    HRESULT STDMETHODCALLTYPE add_EstimatedEndTimeChanged(ICoreWebView2EstimatedEndTimeChangedEventHandler*, EventRegistrationToken*) override { return unsupported("add_EstimatedEndTimeChanged"); }
    HRESULT STDMETHODCALLTYPE remove_EstimatedEndTimeChanged(EventRegistrationToken) override { return unsupported("remove_EstimatedEndTimeChanged"); }
    HRESULT STDMETHODCALLTYPE add_StateChanged(ICoreWebView2StateChangedEventHandler*, EventRegistrationToken*) override { return unsupported("add_StateChanged"); }
    HRESULT STDMETHODCALLTYPE remove_StateChanged(EventRegistrationToken) override { return unsupported("remove_StateChanged"); }
    HRESULT STDMETHODCALLTYPE get_ContentDisposition(LPWSTR*) override { return unsupported("get_ContentDisposition"); }
    HRESULT STDMETHODCALLTYPE get_MimeType(LPWSTR*) override { return unsupported("get_MimeType"); }
    HRESULT STDMETHODCALLTYPE get_TotalBytesToReceive(INT64*) override { return unsupported("get_TotalBytesToReceive"); }
    HRESULT STDMETHODCALLTYPE get_BytesReceived(INT64*) override { return unsupported("get_BytesReceived"); }
    HRESULT STDMETHODCALLTYPE get_EstimatedEndTime(LPWSTR*) override { return unsupported("get_EstimatedEndTime"); }
    HRESULT STDMETHODCALLTYPE get_ResultFilePath(LPWSTR*) override { return unsupported("get_ResultFilePath"); }
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_DOWNLOAD_STATE*) override { return unsupported("get_State"); }
    HRESULT STDMETHODCALLTYPE get_InterruptReason(COREWEBVIEW2_DOWNLOAD_INTERRUPT_REASON*) override { return unsupported("get_InterruptReason"); }
    HRESULT STDMETHODCALLTYPE Cancel() override { return unsupported("Cancel"); }
    HRESULT STDMETHODCALLTYPE Pause() override { return unsupported("Pause"); }
    HRESULT STDMETHODCALLTYPE Resume() override { return unsupported("Resume"); }
    HRESULT STDMETHODCALLTYPE get_CanResume(BOOL*) override { return unsupported("get_CanResume"); }

private:
    HRESULT unsupported(const char* method) {
        record(owner_, method, "unsupported");
        return E_NOTIMPL;
    }
    std::string owner_;
    std::wstring uri_;
};

class DownloadStartingArgs final : public RefCounted<ICoreWebView2DownloadStartingEventArgs> {
public:
    DownloadStartingArgs(std::string owner, std::wstring uri, std::wstring path, HRESULT pathRefused,
                         std::function<void()> resume)
        : owner_(std::move(owner) + ".downloadStarting"),
          operation_(makeObject<DownloadOperation>(owner_, uri)),
          path_(std::move(path)),
          pathRefused_(pathRefused),
          resume_(std::move(resume)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2DownloadStartingEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_DownloadOperation(ICoreWebView2DownloadOperation** operation) override {
        record(owner_, "get_DownloadOperation");
        if (operation == nullptr) return E_POINTER;
        *operation = ComPtr<ICoreWebView2DownloadOperation>(operation_.Get()).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override {
        record(owner_, "get_Cancel");
        if (cancel == nullptr) return E_POINTER;
        *cancel = cancel_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override {
        record(owner_, "put_Cancel", boolText(cancel));
        cancel_ = cancel != FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ResultFilePath(LPWSTR* path) override {
        record(owner_, "get_ResultFilePath");
        return copyToTaskMemory(path_, path);
    }
    HRESULT STDMETHODCALLTYPE put_ResultFilePath(LPCWSTR path) override {
        record(owner_, "put_ResultFilePath", narrow(path != nullptr ? path : L""));
        if (FAILED(pathRefused_)) return pathRefused_;
        if (path == nullptr || path[0] == L'\0') return E_INVALIDARG;
        path_ = path;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override {
        record(owner_, "get_Handled");
        if (handled == nullptr) return E_POINTER;
        *handled = handled_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        record(owner_, "put_Handled", boolText(handled));
        handled_ = handled != FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        record(owner_, "GetDeferral");
        if (deferral == nullptr) return E_POINTER;
        if (deferral_) return E_UNEXPECTED;
        deferral_ = makeObject<Deferral>(owner_, resume_);
        *deferral = ComPtr<ICoreWebView2Deferral>(deferral_.Get()).Detach();
        return S_OK;
    }
    bool deferred() const { return deferral_ && !deferral_->completed(); }
    bool tookDeferral() const { return static_cast<bool>(deferral_); }
    bool cancelled() const { return cancel_; }
    bool handled() const { return handled_; }
    const std::wstring& path() const { return path_; }

private:
    std::string owner_;
    ComPtr<DownloadOperation> operation_;
    std::wstring path_;
    HRESULT pathRefused_;
    std::function<void()> resume_;
    bool cancel_ = false;
    bool handled_ = false;
    ComPtr<Deferral> deferral_;
};

class AcceleratorKeyArgs final : public RefCounted<ICoreWebView2AcceleratorKeyPressedEventArgs> {
public:
    AcceleratorKeyArgs(std::string owner, COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key)
        : owner_(std::move(owner) + ".acceleratorKey"), kind_(kind), key_(key) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2AcceleratorKeyPressedEventArgs});
    }
    HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* kind) override {
        record(owner_, "get_KeyEventKind");
        if (kind == nullptr) return E_POINTER;
        *kind = kind_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* key) override {
        record(owner_, "get_VirtualKey");
        if (key == nullptr) return E_POINTER;
        *key = key_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* lParam) override {
        record(owner_, "get_KeyEventLParam");
        if (lParam == nullptr) return E_POINTER;
        *lParam = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS*) override {
        record(owner_, "get_PhysicalKeyStatus", "unsupported");
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override {
        record(owner_, "get_Handled");
        if (handled == nullptr) return E_POINTER;
        *handled = handled_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        record(owner_, "put_Handled", boolText(handled));
        handled_ = handled != FALSE;
        return S_OK;
    }
    bool handled() const { return handled_; }

private:
    std::string owner_;
    COREWEBVIEW2_KEY_EVENT_KIND kind_;
    UINT key_;
    bool handled_ = false;
};

class Settings final : public RefCounted<ICoreWebView2Settings3> {
public:
    Settings(std::string owner, int version) : owner_(std::move(owner) + ".settings"), version_(version) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_ICoreWebView2Settings3) && version_ < 3) return answerQuery(iid, out, {});
        if (IsEqualIID(iid, IID_ICoreWebView2Settings2) && version_ < 2) return answerQuery(iid, out, {});
        return answerQuery(iid, out, {&IID_ICoreWebView2Settings, &IID_ICoreWebView2Settings2, &IID_ICoreWebView2Settings3});
    }
    HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* v) override { return get(v, script_, "get_IsScriptEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL v) override { return put(script_, v, "put_IsScriptEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* v) override { return get(v, webMessage_, "get_IsWebMessageEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL v) override { return put(webMessage_, v, "put_IsWebMessageEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* v) override { return get(v, dialogs_, "get_AreDefaultScriptDialogsEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL v) override { return put(dialogs_, v, "put_AreDefaultScriptDialogsEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* v) override { return get(v, statusBar_, "get_IsStatusBarEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL v) override { return put(statusBar_, v, "put_IsStatusBarEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* v) override { return get(v, devTools_, "get_AreDevToolsEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL v) override { return put(devTools_, v, "put_AreDevToolsEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* v) override { return get(v, contextMenus_, "get_AreDefaultContextMenusEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL v) override { return put(contextMenus_, v, "put_AreDefaultContextMenusEnabled"); }
    HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* v) override { return get(v, hostObjects_, "get_AreHostObjectsAllowed"); }
    HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL v) override { return put(hostObjects_, v, "put_AreHostObjectsAllowed"); }
    HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* v) override { return get(v, zoomControl_, "get_IsZoomControlEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL v) override { return put(zoomControl_, v, "put_IsZoomControlEnabled"); }
    HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* v) override { return get(v, errorPage_, "get_IsBuiltInErrorPageEnabled"); }
    HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL v) override { return put(errorPage_, v, "put_IsBuiltInErrorPageEnabled"); }
    HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) override {
        record(owner_, "get_UserAgent");
        return copyToTaskMemory(userAgent_, value);
    }
    HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) override {
        record(owner_, "put_UserAgent", narrow(value != nullptr ? value : L""));
        if (value == nullptr) return E_INVALIDARG;
        userAgent_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* v) override { return get(v, acceleratorKeys_, "get_AreBrowserAcceleratorKeysEnabled"); }
    HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL v) override { return put(acceleratorKeys_, v, "put_AreBrowserAcceleratorKeysEnabled"); }

    bool webMessagesEnabled() const { return webMessage_ != FALSE; }
    bool scriptDialogsEnabled() const { return dialogs_ != FALSE; }

private:
    HRESULT get(BOOL* out, BOOL value, const char* method) {
        record(owner_, method);
        if (out == nullptr) return E_POINTER;
        *out = value;
        return S_OK;
    }
    HRESULT put(BOOL& field, BOOL value, const char* method) {
        record(owner_, method, boolText(value));
        field = value ? TRUE : FALSE;
        return S_OK;
    }
    std::string owner_;
    int version_;
    // An engine's defaults: everything on except nothing.
    BOOL script_ = TRUE, webMessage_ = TRUE, dialogs_ = TRUE, statusBar_ = TRUE, devTools_ = TRUE,
         contextMenus_ = TRUE, hostObjects_ = TRUE, zoomControl_ = TRUE, errorPage_ = TRUE, acceleratorKeys_ = TRUE;
    std::wstring userAgent_ = L"Mozilla/5.0 (Windows NT 10.0; Win64; x64) VeskoStandIn/1.0";
};

class Controller;

class WebView final : public RefCounted<ICoreWebView2_22>, public PageSink {
public:
    WebView(std::shared_ptr<EngineContext> context, ComPtr<ICoreWebView2Environment> environment, std::string name)
        : context_(std::move(context)),
          environment_(std::move(environment)),
          name_(std::move(name)),
          settings_(makeObject<Settings>(name_, context_->knobs.settingsVersion)) {
        liveViews().insert(static_cast<const ICoreWebView2*>(this));
    }
    ~WebView() override { liveViews().erase(static_cast<const ICoreWebView2*>(this)); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        static const IID* const kVersions[] = {
            &IID_ICoreWebView2,    &IID_ICoreWebView2_2,  &IID_ICoreWebView2_3,  &IID_ICoreWebView2_4,
            &IID_ICoreWebView2_5,  &IID_ICoreWebView2_6,  &IID_ICoreWebView2_7,  &IID_ICoreWebView2_8,
            &IID_ICoreWebView2_9,  &IID_ICoreWebView2_10, &IID_ICoreWebView2_11, &IID_ICoreWebView2_12,
            &IID_ICoreWebView2_13, &IID_ICoreWebView2_14, &IID_ICoreWebView2_15, &IID_ICoreWebView2_16,
            &IID_ICoreWebView2_17, &IID_ICoreWebView2_18, &IID_ICoreWebView2_19, &IID_ICoreWebView2_20,
            &IID_ICoreWebView2_21, &IID_ICoreWebView2_22};
        const int offered = std::clamp(context_->knobs.webviewVersion, 1, 22);
        for (int i = 0; i < offered; ++i) {
            if (IsEqualIID(iid, *kVersions[i])) return answerQuery(iid, out, {kVersions[i]});
        }
        return answerQuery(iid, out, {});
    }

    // --- what the host calls ---
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
        record(name_, "get_Settings");
        if (closed_) return kClosed;
        if (settings == nullptr) return E_POINTER;
        *settings = ComPtr<ICoreWebView2Settings>(settings_.Get()).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override {
        record(name_, "get_Source");
        if (closed_) return kClosed;
        return copyToTaskMemory(source_, uri);
    }
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
        record(name_, "Navigate", narrow(uri != nullptr ? uri : L""));
        if (closed_) return kClosed;
        const std::wstring text = uri != nullptr ? uri : L"";
        if (text != L"about:blank" && !splitHttpUrl(narrow(text))) return E_INVALIDARG;
        beginNavigation(text, Kind::New, false);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reload() override {
        record(name_, "Reload");
        if (closed_) return kClosed;
        beginNavigation(source_, Kind::Reload, false);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GoBack() override {
        record(name_, "GoBack");
        if (closed_) return kClosed;
        if (historyIndex_ > 0) beginNavigation(history_[historyIndex_ - 1].uri, Kind::Back, false);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GoForward() override {
        record(name_, "GoForward");
        if (closed_) return kClosed;
        if (historyIndex_ + 1 < static_cast<int>(history_.size())) {
            beginNavigation(history_[historyIndex_ + 1].uri, Kind::Forward, false);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop() override {
        record(name_, "Stop");
        if (closed_) return kClosed;
        // Runs after whatever the host asked for before, so it stops a navigation that a
        // Navigate just before it started.
        ComPtr<WebView> self(this);
        context_->dispatcher->post([self]() {
            const auto navigation = self->current_;
            if (navigation && !navigation->completed && !self->closed_) {
                if (self->chromium_) self->chromium_->stop();
                self->complete(navigation, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
            }
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* value) override {
        record(name_, "get_CanGoBack");
        if (closed_) return kClosed;
        if (value == nullptr) return E_POINTER;
        *value = historyIndex_ > 0 ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* value) override {
        record(name_, "get_CanGoForward");
        if (closed_) return kClosed;
        if (value == nullptr) return E_POINTER;
        *value = historyIndex_ + 1 < static_cast<int>(history_.size()) ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override {
        record(name_, "get_DocumentTitle");
        if (closed_) return kClosed;
        return copyToTaskMemory(title_, title);
    }
    HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment** environment) override {
        record(name_, "get_Environment");
        if (environment == nullptr) return E_POINTER;
        *environment = ComPtr<ICoreWebView2Environment>(environment_).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override {
        record(name_, "AddScriptToExecuteOnDocumentCreated",
               std::to_string(javaScript != nullptr ? std::wcslen(javaScript) : 0) + " characters");
        if (closed_) return kClosed;
        if (javaScript == nullptr) return E_INVALIDARG;
        const std::wstring id = L"script-" + std::to_wstring(nextObjectNumber());
        documentScripts_.emplace_back(id, javaScript);
        if (chromium_) {
            // Done once the browser has it, so a navigation asked for after the completion
            // finds it in place.
            ComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> completion(handler);
            chromium_->addDocumentScript(id, javaScript, [completion, id](HRESULT result) {
                if (completion) completion->Invoke(result, SUCCEEDED(result) ? id.c_str() : nullptr);
            });
            return S_OK;
        }
        if (handler != nullptr) {
            ComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> completion(handler);
            context_->dispatcher->post([completion, id]() { completion->Invoke(S_OK, id.c_str()); });
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override {
        record(name_, "RemoveScriptToExecuteOnDocumentCreated", narrow(id != nullptr ? id : L""));
        if (id == nullptr) return E_INVALIDARG;
        std::erase_if(documentScripts_, [&](const auto& entry) { return entry.first == id; });
        if (chromium_) chromium_->removeDocumentScript(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) override {
        record(name_, "ExecuteScript", std::to_string(javaScript != nullptr ? std::wcslen(javaScript) : 0) + " characters");
        if (closed_) return kClosed;
        if (javaScript == nullptr) return E_INVALIDARG;
        if (chromium_ && SUCCEEDED(context_->knobs.scriptFailed)) {
            ComPtr<ICoreWebView2ExecuteScriptCompletedHandler> completion(handler);
            chromium_->evaluate(javaScript, [completion](HRESULT result, const std::wstring& json) {
                if (completion) completion->Invoke(result, SUCCEEDED(result) ? json.c_str() : nullptr);
            });
            return S_OK;
        }
        if (handler != nullptr) {
            ComPtr<ICoreWebView2ExecuteScriptCompletedHandler> completion(handler);
            const HRESULT failure = context_->knobs.scriptFailed;
            // The site backend runs no script: the portal diagnostics collector gets the
            // simulated page's snapshots, any other script what an empty page gives, null.
            const std::wstring value = scriptValue(javaScript);
            context_->dispatcher->post([completion, failure, value]() {
                if (FAILED(failure)) {
                    completion->Invoke(failure, nullptr);
                } else {
                    completion->Invoke(S_OK, value.c_str());
                }
            });
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(const LPCWSTR uri,
                                                            const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override {
        record(name_, "AddWebResourceRequestedFilter", narrow(uri != nullptr ? uri : L"") + " " + std::to_string(context));
        return addFilter(uri, context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
    }
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(const LPCWSTR uri,
                                                               const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override {
        record(name_, "RemoveWebResourceRequestedFilter", narrow(uri != nullptr ? uri : L"") + " " + std::to_string(context));
        return removeFilter(uri, context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
    }
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilterWithRequestSourceKinds(
        LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) override {
        record(name_, "AddWebResourceRequestedFilterWithRequestSourceKinds",
               narrow(uri != nullptr ? uri : L"") + " " + std::to_string(context) + " " + std::to_string(kinds));
        return addFilter(uri, context, kinds);
    }
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilterWithRequestSourceKinds(
        LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) override {
        record(name_, "RemoveWebResourceRequestedFilterWithRequestSourceKinds",
               narrow(uri != nullptr ? uri : L"") + " " + std::to_string(context) + " " + std::to_string(kinds));
        return removeFilter(uri, context, kinds);
    }

    // Events. Registration works for every event the host uses; the site backend raises
    // the navigation, request, source, history, title and completion events.
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h, EventRegistrationToken* t) override { return addTo(navigationStarting_, h, t, "add_NavigationStarting"); }
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken t) override { return removeFrom(navigationStarting_, t, "remove_NavigationStarting"); }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* h, EventRegistrationToken* t) override { return addTo(frameNavigationStarting_, h, t, "add_FrameNavigationStarting"); }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken t) override { return removeFrom(frameNavigationStarting_, t, "remove_FrameNavigationStarting"); }
    HRESULT STDMETHODCALLTYPE add_SourceChanged(ICoreWebView2SourceChangedEventHandler* h, EventRegistrationToken* t) override { return addTo(sourceChanged_, h, t, "add_SourceChanged"); }
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken t) override { return removeFrom(sourceChanged_, t, "remove_SourceChanged"); }
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* h, EventRegistrationToken* t) override { return addTo(historyChanged_, h, t, "add_HistoryChanged"); }
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken t) override { return removeFrom(historyChanged_, t, "remove_HistoryChanged"); }
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h, EventRegistrationToken* t) override { return addTo(navigationCompleted_, h, t, "add_NavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken t) override { return removeFrom(navigationCompleted_, t, "remove_NavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* h, EventRegistrationToken* t) override { return addTo(titleChanged_, h, t, "add_DocumentTitleChanged"); }
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken t) override { return removeFrom(titleChanged_, t, "remove_DocumentTitleChanged"); }
    HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(webResourceRequested_, h, t, "add_WebResourceRequested"); }
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken t) override { return removeFrom(webResourceRequested_, t, "remove_WebResourceRequested"); }
    HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(permissionRequested_, h, t, "add_PermissionRequested"); }
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken t) override { return removeFrom(permissionRequested_, t, "remove_PermissionRequested"); }
    HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* h, EventRegistrationToken* t) override { return addTo(webMessageReceived_, h, t, "add_WebMessageReceived"); }
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken t) override { return removeFrom(webMessageReceived_, t, "remove_WebMessageReceived"); }
    HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(newWindowRequested_, h, t, "add_NewWindowRequested"); }
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken t) override { return removeFrom(newWindowRequested_, t, "remove_NewWindowRequested"); }
    HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* h, EventRegistrationToken* t) override { return addTo(windowCloseRequested_, h, t, "add_WindowCloseRequested"); }
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken t) override { return removeFrom(windowCloseRequested_, t, "remove_WindowCloseRequested"); }
    HRESULT STDMETHODCALLTYPE add_DownloadStarting(ICoreWebView2DownloadStartingEventHandler* h, EventRegistrationToken* t) override { return addTo(downloadStarting_, h, t, "add_DownloadStarting"); }
    HRESULT STDMETHODCALLTYPE remove_DownloadStarting(EventRegistrationToken t) override { return removeFrom(downloadStarting_, t, "remove_DownloadStarting"); }

    // Everything the program never calls.
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR) override { return unsupported("NavigateToString"); }
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2ContentLoadingEventHandler *, EventRegistrationToken *) override { return unsupported("add_ContentLoading"); }
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken) override { return unsupported("remove_ContentLoading"); }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler *, EventRegistrationToken *) override { return unsupported("add_FrameNavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventRegistrationToken) override { return unsupported("remove_FrameNavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler *, EventRegistrationToken *) override { return unsupported("add_ScriptDialogOpening"); }
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken) override { return unsupported("remove_ScriptDialogOpening"); }
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler *, EventRegistrationToken *) override { return unsupported("add_ProcessFailed"); }
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken) override { return unsupported("remove_ProcessFailed"); }
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
    HRESULT STDMETHODCALLTYPE add_FrameCreated(ICoreWebView2FrameCreatedEventHandler *, EventRegistrationToken *) override { return unsupported("add_FrameCreated"); }
    HRESULT STDMETHODCALLTYPE remove_FrameCreated(EventRegistrationToken) override { return unsupported("remove_FrameCreated"); }
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
        return closed_ ? kClosed : S_OK;
    }
    HRESULT STDMETHODCALLTYPE CloseDefaultDownloadDialog() override { return unsupported("CloseDefaultDownloadDialog"); }
    HRESULT STDMETHODCALLTYPE get_DefaultDownloadDialogCornerAlignment(COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT *) override { return unsupported("get_DefaultDownloadDialogCornerAlignment"); }
    HRESULT STDMETHODCALLTYPE put_DefaultDownloadDialogCornerAlignment(COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT) override { return unsupported("put_DefaultDownloadDialogCornerAlignment"); }
    HRESULT STDMETHODCALLTYPE get_DefaultDownloadDialogMargin(POINT *) override { return unsupported("get_DefaultDownloadDialogMargin"); }
    HRESULT STDMETHODCALLTYPE put_DefaultDownloadDialogMargin(POINT) override { return unsupported("put_DefaultDownloadDialogMargin"); }
    HRESULT STDMETHODCALLTYPE add_BasicAuthenticationRequested(ICoreWebView2BasicAuthenticationRequestedEventHandler *, EventRegistrationToken *) override { return unsupported("add_BasicAuthenticationRequested"); }
    HRESULT STDMETHODCALLTYPE remove_BasicAuthenticationRequested(EventRegistrationToken) override { return unsupported("remove_BasicAuthenticationRequested"); }
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethodForSession(LPCWSTR, LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler *) override { return unsupported("CallDevToolsProtocolMethodForSession"); }
    HRESULT STDMETHODCALLTYPE add_ContextMenuRequested(ICoreWebView2ContextMenuRequestedEventHandler *, EventRegistrationToken *) override { return unsupported("add_ContextMenuRequested"); }
    HRESULT STDMETHODCALLTYPE remove_ContextMenuRequested(EventRegistrationToken) override { return unsupported("remove_ContextMenuRequested"); }
    HRESULT STDMETHODCALLTYPE add_StatusBarTextChanged(ICoreWebView2StatusBarTextChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_StatusBarTextChanged"); }
    HRESULT STDMETHODCALLTYPE remove_StatusBarTextChanged(EventRegistrationToken) override { return unsupported("remove_StatusBarTextChanged"); }
    HRESULT STDMETHODCALLTYPE get_StatusBarText(LPWSTR *) override { return unsupported("get_StatusBarText"); }
    HRESULT STDMETHODCALLTYPE get_Profile(ICoreWebView2Profile **) override { return unsupported("get_Profile"); }
    HRESULT STDMETHODCALLTYPE add_ServerCertificateErrorDetected(ICoreWebView2ServerCertificateErrorDetectedEventHandler *, EventRegistrationToken *) override { return unsupported("add_ServerCertificateErrorDetected"); }
    HRESULT STDMETHODCALLTYPE remove_ServerCertificateErrorDetected(EventRegistrationToken) override { return unsupported("remove_ServerCertificateErrorDetected"); }
    HRESULT STDMETHODCALLTYPE ClearServerCertificateErrorActions(ICoreWebView2ClearServerCertificateErrorActionsCompletedHandler *) override { return unsupported("ClearServerCertificateErrorActions"); }
    HRESULT STDMETHODCALLTYPE add_FaviconChanged(ICoreWebView2FaviconChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_FaviconChanged"); }
    HRESULT STDMETHODCALLTYPE remove_FaviconChanged(EventRegistrationToken) override { return unsupported("remove_FaviconChanged"); }
    HRESULT STDMETHODCALLTYPE get_FaviconUri(LPWSTR *) override { return unsupported("get_FaviconUri"); }
    HRESULT STDMETHODCALLTYPE GetFavicon(COREWEBVIEW2_FAVICON_IMAGE_FORMAT, ICoreWebView2GetFaviconCompletedHandler *) override { return unsupported("GetFavicon"); }
    HRESULT STDMETHODCALLTYPE Print(ICoreWebView2PrintSettings *, ICoreWebView2PrintCompletedHandler *) override { return unsupported("Print"); }
    HRESULT STDMETHODCALLTYPE ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND kind) override {
        record(name_, "ShowPrintUI", std::to_string(kind));
        return closed_ ? kClosed : S_OK;
    }
    HRESULT STDMETHODCALLTYPE PrintToPdfStream(ICoreWebView2PrintSettings *, ICoreWebView2PrintToPdfStreamCompletedHandler *) override { return unsupported("PrintToPdfStream"); }
    HRESULT STDMETHODCALLTYPE PostSharedBufferToScript(ICoreWebView2SharedBuffer *, COREWEBVIEW2_SHARED_BUFFER_ACCESS, LPCWSTR) override { return unsupported("PostSharedBufferToScript"); }
    HRESULT STDMETHODCALLTYPE add_LaunchingExternalUriScheme(ICoreWebView2LaunchingExternalUriSchemeEventHandler *, EventRegistrationToken *) override { return unsupported("add_LaunchingExternalUriScheme"); }
    HRESULT STDMETHODCALLTYPE remove_LaunchingExternalUriScheme(EventRegistrationToken) override { return unsupported("remove_LaunchingExternalUriScheme"); }
    HRESULT STDMETHODCALLTYPE get_MemoryUsageTargetLevel(COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL *) override { return unsupported("get_MemoryUsageTargetLevel"); }
    HRESULT STDMETHODCALLTYPE put_MemoryUsageTargetLevel(COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL) override { return unsupported("put_MemoryUsageTargetLevel"); }
    HRESULT STDMETHODCALLTYPE get_FrameId(UINT32 *) override { return unsupported("get_FrameId"); }
    HRESULT STDMETHODCALLTYPE ExecuteScriptWithResult(LPCWSTR, ICoreWebView2ExecuteScriptWithResultCompletedHandler *) override { return unsupported("ExecuteScriptWithResult"); }

    // The documents of the current page as a script walking window.frames sees them.
    struct Document {
        std::string url;
        bool loaded = false;
        std::vector<Document> frames;
    };

    // Sub-resources and frames of a committed document, requested in document order.
    void loadPageResources(const FetchResult& result) {
        frameStates_.clear();
        document_ = Document{narrow(source_), !result.networkError && result.statusCode < 400, {}};
        if (result.networkError) return;
        const PageModel page = page_;
        for (std::size_t i = 0; i < page.subresources.size(); ++i) {
            auto outcome = std::make_shared<ResourceOutcome>();
            outcome->uri = widen(page.subresources[i]);
            outcome->method = L"GET";
            outcome->context = i < page.subresourceContexts.size() ? page.subresourceContexts[i]
                                                                   : COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
            runResource(outcome, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT, nullptr);
            if (closed_) return;
        }
        loadFrames(page.frames, document_, 1);
    }
    void loadFrames(const std::vector<std::string>& urls, Document& parent, int depth) {
        for (const std::string& url : urls) {
            if (closed_) return;
            const std::wstring uri = widen(url);
            const auto args = makeObject<NavigationStartingArgs>(name_ + ".frame", uri, false, nextNavigationId_++);
            for (const auto& handler : frameNavigationStarting_.handlers()) handler->Invoke(this, args.Get());
            Document child{url, false, {}};
            if (args->cancelled()) {
                frameStates_.push_back({uri, depth, true});
                parent.frames.push_back(std::move(child));
                continue;
            }
            frameStates_.push_back({uri, depth, false});
            if (url != "about:blank") {
                auto outcome = std::make_shared<ResourceOutcome>();
                outcome->uri = uri;
                outcome->method = L"GET";
                outcome->context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT;
                runResource(outcome, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT, nullptr);
                child.loaded = outcome->done && !outcome->networkError && outcome->status < 400;
                // Frames inside frames, a few levels down, as pages nest them.
                if (child.loaded && depth < 3) {
                    loadFrames(context_->backend->describePage(url, outcome->body).frames, child, depth + 1);
                }
            }
            parent.frames.push_back(std::move(child));
        }
    }

    static std::string originOf(const std::string& url) {
        const auto parts = splitHttpUrl(url);
        return parts ? parts->scheme + "://" + parts->host + (parts->port.empty() ? "" : ":" + parts->port) : "null";
    }

    // The value of the portal diagnostics collector: a snapshot from every document the
    // hook runs in, top first, at most 30 frames of each window; a frame of another
    // origin throws at the hook and is skipped with its own frames.
    std::wstring scriptValue(const std::wstring& script) const {
        static const std::wstring kHook = L"__KORDIS_LOCAL_DIAGNOSTICS_204__";
        if (script.find(kHook) == std::wstring::npos || script.find(L"snapshot") == std::wstring::npos) return L"null";
        const bool hookAdded = std::any_of(documentScripts_.begin(), documentScripts_.end(), [](const auto& entry) {
            return entry.second.find(kHook) != std::wstring::npos;
        });
        nlohmann::ordered_json snapshots = nlohmann::ordered_json::array();
        if (hookAdded && document_.loaded) visitDocument(document_, originOf(document_.url), 0, 0, snapshots);
        return widen(snapshots.dump());
    }
    static void visitDocument(const Document& document, const std::string& topOrigin, int depth, int index,
                              nlohmann::ordered_json& out) {
        if (!document.loaded || originOf(document.url) != topOrigin) return;
        out.push_back({{"depth", depth}, {"index", index}, {"readyState", "complete"}});
        const std::size_t visited = std::min<std::size_t>(document.frames.size(), 30);
        for (std::size_t i = 0; i < visited; ++i) {
            visitDocument(document.frames[i], topOrigin, depth + 1, static_cast<int>(i), out);
        }
    }

    // The probe page, performed as a browser performs it under the environment's
    // switches: a plain-http script runs on an https page only with insecure content
    // allowed; a cross-origin answer without CORS permission is readable only without
    // web security. Then the verdict is posted from the page's address.
    void runProbePage(const std::string& html, const std::wstring& pageUri) {
        if (closed_ || source_ != pageUri) return;
        const auto quoted = [&](std::string_view opening) {
            const std::size_t start = html.find(opening);
            if (start == std::string::npos) return std::string();
            const std::size_t from = start + opening.size();
            const std::size_t end = html.find('\'', from);
            return end == std::string::npos ? std::string() : html.substr(from, end - from);
        };
        const std::string nonce = quoted("const n='");
        const std::string mixedUrl = quoted("s.src='");
        const std::string corsUrl = quoted("fetch('");
        const std::wstring& arguments = context_->browserArguments;
        const bool webSecurityOff = arguments.find(L"--disable-web-security") != std::wstring::npos;
        const bool insecureAllowed = arguments.find(L"--allow-running-insecure-content") != std::wstring::npos;
        const std::string page = narrow(pageUri);
        const std::string pageOrigin = originOf(page);

        struct Verdict {
            bool cors = false;
            bool mixed = false;
            int pending = 2;
        };
        auto verdict = std::make_shared<Verdict>();
        ComPtr<WebView> self(this);
        const auto settle = [self, verdict, nonce, pageUri]() {
            if (--verdict->pending > 0) return;
            if (self->closed_ || self->source_ != pageUri) return;
            nlohmann::ordered_json message = {
                {"type", "vesko-probe"}, {"nonce", nonce}, {"cors", verdict->cors}, {"mixed", verdict->mixed}};
            self->raiseWebMessage(pageUri, widen(message.dump()));
        };

        auto script = std::make_shared<ResourceOutcome>();
        script->uri = widen(mixedUrl);
        script->method = L"GET";
        script->context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT;
        const auto scriptParts = splitHttpUrl(mixedUrl);
        if (page.starts_with("https:") && scriptParts && scriptParts->scheme == "http" && !insecureAllowed) {
            // Mixed content is blocked before any request leaves the page.
            script->blocked = true;
            script->done = true;
            log_.push_back(script);
            settle();
        } else {
            runResource(script, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT, [script, verdict, settle]() {
                verdict->mixed = !script->networkError && script->status == 200 &&
                                 script->body.find("__veskoMixed()") != std::string::npos;
                settle();
            });
        }

        auto fetched = std::make_shared<ResourceOutcome>();
        fetched->uri = widen(corsUrl);
        fetched->method = L"GET";
        fetched->context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH;
        runResource(fetched, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT,
                    [fetched, verdict, settle, nonce, pageOrigin, corsUrl, webSecurityOff]() {
                        std::wstring allowOrigin;
                        for (const auto& [name, value] : fetched->headers) {
                            if (_wcsicmp(name.c_str(), L"Access-Control-Allow-Origin") == 0) allowOrigin = value;
                        }
                        const bool readable = webSecurityOff || originOf(corsUrl) == pageOrigin ||
                                              allowOrigin == L"*" || allowOrigin == widen(pageOrigin);
                        verdict->cors = readable && !fetched->networkError && fetched->status == 200 &&
                                        fetched->body == nonce;
                        settle();
                    });
    }

    // --- what pages do ---
    // Runs `task` later from the message loop, as every page event arrives.
    void later(std::function<void()> task) { context_->dispatcher->post(std::move(task)); }
    // The page moves itself elsewhere (a followed link, location.assign).
    void navigateByPage(std::wstring uri, bool userInitiated) {
        if (!closed_) beginNavigation(std::move(uri), Kind::New, userInitiated);
    }
    std::vector<std::wstring> documentScriptTexts() const {
        std::vector<std::wstring> texts;
        for (const auto& entry : documentScripts_) texts.push_back(entry.second);
        return texts;
    }
    // A request of the current page: raised to the host when a filter matches, answered
    // by the host's response or else by the site, then `then` runs.
    void runResource(const std::shared_ptr<ResourceOutcome>& outcome,
                     COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source, std::function<void()> then) {
        log_.push_back(outcome);
        if (closed_) return;
        if (webResourceRequested_.empty() || !filterMatches(outcome->uri, outcome->context, source)) {
            finishResource(outcome, nullptr, then);
            return;
        }
        outcome->raised = true;
        const auto request = makeObject<WebResourceRequest>(name_, outcome->uri, outcome->method);
        ComPtr<WebView> self(this);
        auto holder = std::make_shared<ComPtr<WebResourceRequestedArgs>>();
        auto resume = [self, outcome, holder, then]() {
            self->context_->dispatcher->post([self, outcome, holder, then]() {
                const auto args = *holder;
                holder->Reset();
                if (args) self->finishResource(outcome, args->response(), then);
            });
        };
        *holder = makeObject<WebResourceRequestedArgs>(name_, request, outcome->context, resume);
        const auto args = *holder;
        for (const auto& handler : webResourceRequested_.handlers()) handler->Invoke(this, args.Get());
        if (args->deferred()) return;
        if (*holder) {
            holder->Reset();
            finishResource(outcome, args->response(), then);
        }
    }
    void finishResource(const std::shared_ptr<ResourceOutcome>& outcome, ICoreWebView2WebResourceResponse* response,
                        const std::function<void()>& then) {
        if (const auto answer = snapshotResponse(response)) {
            outcome->answeredByHost = true;
            outcome->status = answer->statusCode;
            outcome->headers = answer->headers;
            outcome->body = answer->body;
        } else {
            const FetchResult fetched = context_->backend->fetch(narrow(outcome->uri));
            outcome->networkError = fetched.networkError;
            outcome->status = fetched.statusCode;
            for (const auto& [name, value] : fetched.headers) outcome->headers.emplace_back(widen(name), widen(value));
            outcome->body = fetched.body;
        }
        outcome->done = true;
        if (then) then();
    }
    std::vector<std::shared_ptr<ResourceOutcome>> resourceLog() const { return log_; }
    std::vector<FrameState> frameStates() const { return frameStates_; }

    void raiseWebMessage(const std::wstring& source, const std::wstring& json) {
        if (closed_) return;
        const auto args = makeObject<WebMessageArgs>(name_, source, json);
        for (const auto& handler : webMessageReceived_.handlers()) handler->Invoke(this, args.Get());
    }
    void raiseWindowClose() {
        if (closed_) return;
        for (const auto& handler : windowCloseRequested_.handlers()) handler->Invoke(this, nullptr);
    }
    void raisePermission(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring& uri,
                         const std::shared_ptr<PermissionOutcome>& outcome) {
        if (closed_) return;
        const auto args = makeObject<PermissionArgs>(name_, uri, kind);
        for (const auto& handler : permissionRequested_.handlers()) handler->Invoke(this, args.Get());
        outcome->state = args->state();
        outcome->done = true;
    }
    void raiseNewWindow(const std::wstring& uri, const std::shared_ptr<NewWindowOutcome>& outcome) {
        if (closed_) return;
        ComPtr<WebView> self(this);
        auto holder = std::make_shared<ComPtr<NewWindowArgs>>();
        auto finish = [outcome, holder]() {
            const auto args = *holder;
            holder->Reset();
            if (!args) return;
            args->finish();
            outcome->handled = args->handled();
            outcome->deferralCompleted = args->tookDeferral();
            outcome->newWindow = args->newWindow();
            if (args->newWindow() != nullptr) {
                static_cast<WebView*>(args->newWindow())->beginNavigation(args->uri().empty() ? L"about:blank" : args->uri(),
                                                                          Kind::New, true);
            } else if (!args->handled()) {
                // Nobody took the request: the engine opens a window of its own.
                outcome->engineWindow = true;
                record("engine", "openWindow", narrow(args->uri()));
            }
            outcome->done = true;
        };
        auto resume = [self, finish]() { self->context_->dispatcher->post(finish); };
        *holder = makeObject<NewWindowArgs>(name_, uri, resume);
        (*holder)->acceptsNewWindow_ = [](ICoreWebView2* view) { return WebView::acceptsPopup(view); };
        const auto args = *holder;
        for (const auto& handler : newWindowRequested_.handlers()) handler->Invoke(this, args.Get());
        outcome->deferred = args->tookDeferral();
        if (!args->deferred()) finish();
    }
    void raiseDownload(const std::wstring& uri, const std::wstring& proposed,
                       const std::shared_ptr<DownloadOutcome>& outcome) {
        if (closed_) return;
        ComPtr<WebView> self(this);
        auto holder = std::make_shared<ComPtr<DownloadStartingArgs>>();
        auto finish = [self, outcome, holder, uri]() {
            const auto args = *holder;
            holder->Reset();
            if (!args) return;
            outcome->cancelled = args->cancelled();
            outcome->handled = args->handled();
            outcome->resultPath = args->path();
            if (!args->cancelled() && self->chromium_) {
                self->chromium_->download(uri, args->path(), [outcome](bool written) {
                    outcome->written = written;
                    outcome->done = true;
                });
                return;
            }
            if (!args->cancelled()) {
                // The engine performs the transfer into the chosen file.
                const FetchResult fetched = self->context_->backend->fetch(narrow(uri));
                if (!fetched.networkError) {
                    std::ofstream out(std::filesystem::path(args->path()), std::ios::binary | std::ios::trunc);
                    out << fetched.body;
                    outcome->written = static_cast<bool>(out);
                }
            }
            outcome->done = true;
        };
        auto resume = [self, finish]() { self->context_->dispatcher->post(finish); };
        *holder = makeObject<DownloadStartingArgs>(name_, uri, proposed, context_->knobs.downloadPathRefused, resume);
        const auto args = *holder;
        for (const auto& handler : downloadStarting_.handlers()) handler->Invoke(this, args.Get());
        outcome->deferred = args->tookDeferral();
        if (!args->deferred()) finish();
    }

    // --- the Chromium backend: a real page performs the view ---
    // Creates the page; ready says whether the view can be handed to the host.
    void startChromiumPage(std::function<void(bool)> ready) {
        chromium_ = std::make_unique<ChromiumPage>(context_->pump, *this, std::move(ready));
    }
    ChromiumPage* chromium() const { return chromium_.get(); }
    ICoreWebView2Controller* controller() const { return controller_; }
    void noteUserInput() { lastInputTick_ = GetTickCount64(); }
    void recordInput(const std::string& detail) { record(name_, "Input", detail); }

    void documentRequested(ChromiumRequest request, bool mainFrame) override {
        if (closed_) {
            request.abort();
            return;
        }
        if (!mainFrame) {
            frameRequested(std::move(request));
            return;
        }
        std::shared_ptr<Navigation> navigation = current_;
        const bool ours = navigation && !navigation->completed && (navigation->awaitingDocument || request.redirected);
        if (!ours || request.redirected) {
            if (!ours) {
                // The page moves itself (a link, a form, script): the host hears of it
                // before any byte is asked for, and may stop it.
                navigated_ = true;
                if (current_ && !current_->completed) {
                    complete(current_, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
                }
                navigation = std::make_shared<Navigation>();
                navigation->id = nextNavigationId_++;
                navigation->kind = Kind::New;
                current_ = navigation;
            }
            navigation->uri = request.uri;
            const bool userInitiated = GetTickCount64() - lastInputTick_ < 1000;
            const auto args = makeObject<NavigationStartingArgs>(name_, navigation->uri, userInitiated, navigation->id);
            for (const auto& handler : navigationStarting_.handlers()) handler->Invoke(this, args.Get());
            if (!stillCurrent(navigation)) {
                request.abort();
                return;
            }
            if (args->cancelled()) {
                request.abort();
                complete(navigation, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
                return;
            }
        }
        navigation->awaitingDocument = false;
        raiseChromiumRequest(std::move(request));
    }
    void frameRequested(ChromiumRequest request) {
        const auto args = makeObject<NavigationStartingArgs>(name_ + ".frame", request.uri, false, nextNavigationId_++);
        for (const auto& handler : frameNavigationStarting_.handlers()) handler->Invoke(this, args.Get());
        const bool cancelled = closed_ || args->cancelled();
        frameStates_.push_back({request.uri, 1, cancelled});
        if (cancelled) {
            request.abort();
            return;
        }
        raiseChromiumRequest(std::move(request));
    }
    void resourceRequested(ChromiumRequest request) override {
        if (closed_) {
            request.abort();
            return;
        }
        raiseChromiumRequest(std::move(request));
    }
    // Raised to the host when a filter matches; its response is served, else the request
    // goes to the network.
    void raiseChromiumRequest(ChromiumRequest request) {
        auto outcome = std::make_shared<ResourceOutcome>();
        outcome->uri = request.uri;
        outcome->method = request.method;
        outcome->context = request.context;
        log_.push_back(outcome);
        // A long session keeps only its recent requests.
        if (log_.size() > kResourceLogLimit) log_.erase(log_.begin(), log_.begin() + kResourceLogLimit / 2);
        auto held = std::make_shared<ChromiumRequest>(std::move(request));
        const auto finish = [outcome, held](ICoreWebView2WebResourceResponse* response) {
            if (const auto answer = snapshotResponse(response)) {
                outcome->answeredByHost = true;
                outcome->status = answer->statusCode;
                outcome->headers = answer->headers;
                held->answer(answer->statusCode, answer->reasonPhrase, answer->headers, answer->body);
            } else {
                held->proceed();
            }
            outcome->done = true;
        };
        if (webResourceRequested_.empty() ||
            !filterMatches(outcome->uri, outcome->context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT)) {
            finish(nullptr);
            return;
        }
        outcome->raised = true;
        const auto webRequest = makeObject<WebResourceRequest>(name_, outcome->uri, outcome->method);
        ComPtr<WebView> self(this);
        auto holder = std::make_shared<ComPtr<WebResourceRequestedArgs>>();
        auto resume = [self, holder, finish]() {
            self->context_->dispatcher->post([holder, finish]() {
                const auto args = *holder;
                holder->Reset();
                if (args) finish(args->response());
            });
        };
        *holder = makeObject<WebResourceRequestedArgs>(name_, webRequest, outcome->context, resume);
        const auto args = *holder;
        for (const auto& handler : webResourceRequested_.handlers()) handler->Invoke(this, args.Get());
        if (args->deferred()) return;
        if (*holder) {
            holder->Reset();
            finish(args->response());
        }
    }
    void documentCommitted(const std::wstring& uri, bool sameDocument) override {
        if (closed_) return;
        if (sameDocument) {
            source_ = uri;
            const auto sourceArgs = makeObject<SourceChangedArgs>(name_, false);
            for (const auto& handler : sourceChanged_.handlers()) handler->Invoke(this, sourceArgs.Get());
            if (closed_) return;
            for (const auto& handler : historyChanged_.handlers()) handler->Invoke(this, nullptr);
            return;
        }
        std::shared_ptr<Navigation> navigation = current_;
        if (!navigation || navigation->completed) {
            // A document the page loaded without a request this side saw (about:blank).
            navigation = std::make_shared<Navigation>();
            navigation->id = nextNavigationId_++;
            current_ = navigation;
        }
        navigation->awaitingDocument = false;
        navigation->committed = true;
        navigation->uri = uri;
        page_ = PageModel{};
        frameStates_.clear();
        source_ = uri;
        recordHistory(*navigation);
        repaint();
        const auto sourceArgs = makeObject<SourceChangedArgs>(name_, true);
        for (const auto& handler : sourceChanged_.handlers()) handler->Invoke(this, sourceArgs.Get());
        if (!stillCurrent(navigation) || navigation->kind == Kind::Reload) return;
        for (const auto& handler : historyChanged_.handlers()) handler->Invoke(this, nullptr);
    }
    void titleChanged(const std::wstring& reported) override {
        // A document without a title shows its address.
        const std::wstring title = reported.empty() ? source_ : reported;
        if (closed_ || title == title_) return;
        title_ = title;
        for (const auto& handler : titleChanged_.handlers()) handler->Invoke(this, nullptr);
    }
    void documentLoaded(int httpStatus) override {
        const auto navigation = current_;
        if (!navigation || closed_ || navigation->completed || navigation->awaitingDocument) return;
        complete(navigation, httpStatus < 400, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
    }
    void documentFailed(COREWEBVIEW2_WEB_ERROR_STATUS status) override {
        const auto navigation = current_;
        if (!navigation || closed_ || navigation->completed) return;
        complete(navigation, false, status);
    }
    void messagePosted(const std::wstring& source, const std::wstring& json) override {
        record(name_, "PagePostedMessage", narrow(source) + " " + narrow(json.substr(0, 200)));
        if (chromium_) chromium_->refreshSoon();
        if (settings_->webMessagesEnabled()) raiseWebMessage(source, json);
    }
    void closeRequested() override { raiseWindowClose(); }
    void newWindowRequested(const std::wstring& uri) override {
        raiseNewWindow(uri, std::make_shared<NewWindowOutcome>());
    }
    void downloadRequested(const std::wstring& uri, const std::wstring& suggestedName) override {
        if (closed_) return;
        // A navigation whose answer turned out to be a file ends there, failed as aborted,
        // before the download is offered: the page stays as it was.
        if (current_ && !current_->completed && !current_->committed) {
            complete(current_, false, COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_ABORTED);
        }
        // The engine proposes the user's download folder.
        wchar_t profile[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
        std::wstring proposed = length > 0 && length < MAX_PATH ? std::wstring(profile, length) + L"\\Downloads\\"
                                                                : std::wstring(L"C:\\");
        proposed += suggestedName.empty() ? L"download" : suggestedName;
        raiseDownload(uri, proposed, std::make_shared<DownloadOutcome>());
    }
    void permissionRequested(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring& uri,
                             std::function<void(bool allowed)> answer) override {
        auto outcome = std::make_shared<PermissionOutcome>();
        raisePermission(kind, uri, outcome);
        answer(outcome->done && outcome->state == COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    }
    // The engine's own dialog, owned by the host's window. Shown from the engine's queue,
    // not inside the protocol's delivery, so other views go on while it is open.
    void scriptDialog(const std::string& type, const std::wstring& message, const std::wstring& uri,
                      std::function<void(bool)> answer) override {
        record(name_, "ScriptDialog", type + " " + narrow(message.substr(0, 200)));
        ComPtr<WebView> self(this);
        later([self, type, message, uri, answer]() {
            if (self->closed_ || !self->settings_->scriptDialogsEnabled()) {
                // Nobody to ask: a notice is taken as read, a question as declined, and
                // leaving the page is allowed.
                answer(type == "alert" || type == "beforeunload");
                return;
            }
            const auto parts = splitHttpUrl(narrow(uri));
            const std::wstring caption = parts ? widen(parts->host) : uri;
            const std::wstring text = type == "beforeunload" ? L"Të largohesh nga faqja? Ndryshimet mund të humbasin."
                                                             : message;
            const UINT style = type == "alert" ? MB_OK | MB_ICONINFORMATION : MB_OKCANCEL | MB_ICONQUESTION;
            const HWND owner = self->window_ != nullptr ? GetAncestor(self->window_, GA_ROOT) : nullptr;
            const int chosen = MessageBoxW(owner, text.c_str(), caption.c_str(), style | MB_SETFOREGROUND);
            answer(chosen == IDOK);
        });
    }
    void framePainted() override {
        if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
    }

    static bool acceptsPopup(ICoreWebView2* view) {
        if (view == nullptr || liveViews().count(view) == 0) return false;
        const auto* own = static_cast<WebView*>(view);
        return !own->closed_ && !own->navigated_;
    }
    static std::set<const void*>& liveViews() {
        static std::set<const void*> views;
        return views;
    }

    // --- used by the controller ---
    void attach(ICoreWebView2Controller* controller, HWND window) {
        controller_ = controller;
        window_ = window;
    }
    void close() {
        closed_ = true;
        window_ = nullptr;
        controller_ = nullptr;
        // Handlers hold the host's objects; a closed view lets go of them at once.
        navigationStarting_.clear();
        frameNavigationStarting_.clear();
        sourceChanged_.clear();
        historyChanged_.clear();
        navigationCompleted_.clear();
        titleChanged_.clear();
        webResourceRequested_.clear();
        permissionRequested_.clear();
        webMessageReceived_.clear();
        newWindowRequested_.clear();
        windowCloseRequested_.clear();
        downloadStarting_.clear();
        chromium_.reset();
    }
    ViewState state() const {
        ViewState view;
        view.source = source_;
        view.title = title_;
        for (const auto& link : page_.links) view.links.push_back(widen(link));
        view.loading = current_ && !current_->completed;
        if (chromium_) view.framesPainted = chromium_->framesReceived();
        return view;
    }

private:
    enum class Kind { New, Back, Forward, Reload };
    struct Navigation {
        std::uint64_t id = 0;
        std::wstring uri;
        Kind kind = Kind::New;
        bool completed = false;
        bool awaitingDocument = false;  // Chromium was asked to load it; its request is still to come
        bool committed = false;         // its document replaced the one before
    };
    struct HistoryEntry {
        std::wstring uri;
    };
    struct Filter {
        std::wstring uri;
        COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds;
    };

    HRESULT unsupported(const char* method) {
        record(name_, method, "unsupported");
        return E_NOTIMPL;
    }
    template <typename Handler>
    HRESULT addTo(EventList<Handler>& list, Handler* handler, EventRegistrationToken* token, const char* method) {
        record(name_, method);
        if (closed_) return kClosed;
        return list.add(handler, token);
    }
    template <typename Handler>
    HRESULT removeFrom(EventList<Handler>& list, EventRegistrationToken token, const char* method) {
        record(name_, method, std::to_string(token.value));
        return list.remove(token);
    }
    HRESULT addFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                      COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
        if (closed_) return kClosed;
        if (FAILED(context_->knobs.filterRefused)) return context_->knobs.filterRefused;
        if (uri == nullptr) return E_INVALIDARG;
        filters_.push_back({uri, context, kinds});
        return S_OK;
    }
    HRESULT removeFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                         COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
        if (uri == nullptr) return E_INVALIDARG;
        const auto it = std::find_if(filters_.begin(), filters_.end(), [&](const Filter& f) {
            return f.uri == uri && f.context == context && f.kinds == kinds;
        });
        if (it == filters_.end()) return E_INVALIDARG;
        filters_.erase(it);
        return S_OK;
    }
    bool filterMatches(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                       COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source) const {
        return std::any_of(filters_.begin(), filters_.end(), [&](const Filter& f) {
            return (f.context == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL || f.context == context) &&
                   (static_cast<std::uint32_t>(f.kinds) & static_cast<std::uint32_t>(source)) != 0 &&
                   globMatches(f.uri, uri);
        });
    }

    bool stillCurrent(const std::shared_ptr<Navigation>& navigation) const {
        return !closed_ && current_ == navigation && !navigation->completed;
    }
    void repaint() const {
        if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
    }

    // Every step runs later from the message loop, never inside the host's call.
    void beginNavigation(std::wstring uri, Kind kind, bool userInitiated) {
        navigated_ = true;
        auto navigation = std::make_shared<Navigation>();
        navigation->id = nextNavigationId_++;
        navigation->uri = std::move(uri);
        navigation->kind = kind;
        ComPtr<WebView> self(this);
        context_->dispatcher->post([self, navigation, userInitiated]() { self->raiseStarting(navigation, userInitiated); });
    }

    void raiseStarting(const std::shared_ptr<Navigation>& navigation, bool userInitiated) {
        if (closed_) return;
        // A navigation that starts ends the one still under way.
        if (current_ && !current_->completed) complete(current_, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
        current_ = navigation;
        repaint();
        const auto args = makeObject<NavigationStartingArgs>(name_, navigation->uri, userInitiated, navigation->id);
        for (const auto& handler : navigationStarting_.handlers()) handler->Invoke(this, args.Get());
        if (!stillCurrent(navigation)) return;
        if (args->cancelled()) {
            complete(navigation, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
            return;
        }
        if (chromium_) {
            // The page's own request for the document comes back through documentRequested.
            navigation->awaitingDocument = navigation->uri != L"about:blank";
            if (navigation->kind == Kind::Reload) {
                chromium_->reload();
            } else {
                chromium_->navigate(navigation->uri);
            }
            return;
        }
        ComPtr<WebView> self(this);
        context_->dispatcher->post([self, navigation]() { self->requestDocument(navigation); });
    }

    void requestDocument(const std::shared_ptr<Navigation>& navigation) {
        if (!stillCurrent(navigation)) return;
        if (navigation->uri == L"about:blank") {
            FetchResult blank;
            blank.statusCode = 200;
            commit(navigation, blank);
            return;
        }
        if (webResourceRequested_.empty() ||
            !filterMatches(navigation->uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT,
                           COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT)) {
            fetchAndCommit(navigation, navigation->uri, nullptr);
            return;
        }
        const auto request = makeObject<WebResourceRequest>(name_, navigation->uri, L"GET");
        ComPtr<WebView> self(this);
        auto holder = std::make_shared<ComPtr<WebResourceRequestedArgs>>();
        // A deferral's completion resumes the request from the message loop.
        auto resume = [self, navigation, holder]() {
            self->context_->dispatcher->post([self, navigation, holder]() {
                const auto args = *holder;
                holder->Reset();
                if (args) self->fetchAndCommit(navigation, args->requestUri(), args->response());
            });
        };
        *holder = makeObject<WebResourceRequestedArgs>(name_, request, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT, resume);
        const auto args = *holder;
        for (const auto& handler : webResourceRequested_.handlers()) handler->Invoke(this, args.Get());
        if (args->deferred()) return;
        if (*holder) {
            holder->Reset();
            fetchAndCommit(navigation, args->requestUri(), args->response());
        }
    }

    void fetchAndCommit(const std::shared_ptr<Navigation>& navigation, const std::wstring& uri,
                        ICoreWebView2WebResourceResponse* hostResponse) {
        if (!stillCurrent(navigation)) return;
        FetchResult result;
        if (const auto answer = snapshotResponse(hostResponse)) {
            result.statusCode = answer->statusCode;
            result.reasonPhrase = narrow(answer->reasonPhrase);
            for (const auto& [name, value] : answer->headers) result.headers.emplace_back(narrow(name), narrow(value));
            result.body = answer->body;
        } else {
            result = context_->backend->fetch(narrow(uri));
        }
        ComPtr<WebView> self(this);
        context_->dispatcher->post([self, navigation, result]() { self->commit(navigation, result); });
    }

    void commit(const std::shared_ptr<Navigation>& navigation, const FetchResult& result) {
        if (!stillCurrent(navigation)) return;
        const std::string uri = narrow(navigation->uri);
        if (result.networkError) {
            // The error page takes the failed address, as a browser shows it.
            page_ = PageModel{};
            const auto parts = splitHttpUrl(uri);
            page_.title = parts ? parts->host : uri;
        } else {
            page_ = context_->backend->describePage(uri, result.body);
            // A page without a title element shows its address; an empty one stays empty.
            if (page_.title.empty() && !page_.hasTitle) page_.title = uri;
        }
        source_ = navigation->uri;
        title_ = widen(page_.title);
        recordHistory(*navigation);
        repaint();

        const auto sourceArgs = makeObject<SourceChangedArgs>(name_, true);
        for (const auto& handler : sourceChanged_.handlers()) handler->Invoke(this, sourceArgs.Get());
        if (!stillCurrent(navigation)) return;
        if (navigation->kind != Kind::Reload) {
            for (const auto& handler : historyChanged_.handlers()) handler->Invoke(this, nullptr);
            if (!stillCurrent(navigation)) return;
        }
        for (const auto& handler : titleChanged_.handlers()) handler->Invoke(this, nullptr);
        if (!stillCurrent(navigation)) return;
        loadPageResources(result);
        if (!stillCurrent(navigation)) return;
        const bool success = !result.networkError && result.statusCode < 400;
        complete(navigation, success,
                 result.networkError ? result.errorStatus : COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
        if (success && result.body.find("chrome.webview.postMessage({type:'vesko-probe'") != std::string::npos) {
            ComPtr<WebView> self(this);
            const std::string html = result.body;
            const std::wstring page = navigation->uri;
            context_->dispatcher->post([self, html, page]() { self->runProbePage(html, page); });
        }
    }

    void recordHistory(const Navigation& navigation) {
        switch (navigation.kind) {
            case Kind::New:
                if (historyIndex_ >= 0) history_.resize(static_cast<std::size_t>(historyIndex_) + 1);
                history_.push_back({navigation.uri});
                historyIndex_ = static_cast<int>(history_.size()) - 1;
                break;
            case Kind::Back:
                --historyIndex_;
                break;
            case Kind::Forward:
                ++historyIndex_;
                break;
            case Kind::Reload:
                break;
        }
    }

    void complete(const std::shared_ptr<Navigation>& navigation, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status) {
        navigation->completed = true;
        repaint();
        const auto args = makeObject<NavigationCompletedArgs>(name_, success, status, navigation->id);
        for (const auto& handler : navigationCompleted_.handlers()) handler->Invoke(this, args.Get());
    }

    std::shared_ptr<EngineContext> context_;
    ComPtr<ICoreWebView2Environment> environment_;
    std::string name_;
    ComPtr<Settings> settings_;
    ICoreWebView2Controller* controller_ = nullptr;  // the controller owns this view
    HWND window_ = nullptr;
    bool closed_ = false;

    std::wstring source_ = L"about:blank";
    std::wstring title_ = L"about:blank";
    PageModel page_;
    std::vector<HistoryEntry> history_;
    int historyIndex_ = -1;
    std::shared_ptr<Navigation> current_;
    std::uint64_t nextNavigationId_ = 1;
    std::vector<Filter> filters_;
    std::vector<std::pair<std::wstring, std::wstring>> documentScripts_;
    bool navigated_ = false;
    std::vector<std::shared_ptr<ResourceOutcome>> log_;
    std::vector<FrameState> frameStates_;
    Document document_;

    EventList<ICoreWebView2NavigationStartingEventHandler> navigationStarting_;
    EventList<ICoreWebView2NavigationStartingEventHandler> frameNavigationStarting_;
    EventList<ICoreWebView2SourceChangedEventHandler> sourceChanged_;
    EventList<ICoreWebView2HistoryChangedEventHandler> historyChanged_;
    EventList<ICoreWebView2NavigationCompletedEventHandler> navigationCompleted_;
    EventList<ICoreWebView2DocumentTitleChangedEventHandler> titleChanged_;
    EventList<ICoreWebView2WebResourceRequestedEventHandler> webResourceRequested_;
    EventList<ICoreWebView2PermissionRequestedEventHandler> permissionRequested_;
    EventList<ICoreWebView2WebMessageReceivedEventHandler> webMessageReceived_;
    EventList<ICoreWebView2NewWindowRequestedEventHandler> newWindowRequested_;
    EventList<ICoreWebView2WindowCloseRequestedEventHandler> windowCloseRequested_;
    EventList<ICoreWebView2DownloadStartingEventHandler> downloadStarting_;

    static constexpr std::size_t kResourceLogLimit = 4096;
    std::unique_ptr<ChromiumPage> chromium_;
    ULONGLONG lastInputTick_ = 0;
};

class Controller final : public RefCounted<ICoreWebView2Controller> {
public:
    Controller(std::shared_ptr<EngineContext> context, ComPtr<WebView> view, HWND parent, std::string name)
        : context_(std::move(context)), view_(std::move(view)), name_(std::move(name)) {
        window_ = CreateWindowExW(0, viewClass(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                                  nullptr, ownModule(), nullptr);
        if (window_ != nullptr) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view_.Get()));
        view_->attach(this, window_);
        liveControllers().insert(static_cast<const ICoreWebView2Controller*>(this));
    }
    ~Controller() override {
        liveControllers().erase(static_cast<const ICoreWebView2Controller*>(this));
        shutDown();
    }
    HWND window() const { return window_; }
    WebView* view() const { return view_.Get(); }
    const std::string& name() const { return name_; }
    bool closed() const { return closed_; }
    void raiseKey(COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, const std::shared_ptr<KeyOutcome>& outcome) {
        if (closed_) return;
        const auto args = makeObject<AcceleratorKeyArgs>(name_, kind, key);
        for (const auto& handler : acceleratorKeyPressed_.handlers()) handler->Invoke(this, args.Get());
        outcome->handled = args->handled();
        outcome->done = true;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2Controller});
    }
    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* visible) override {
        record(name_, "get_IsVisible");
        if (closed_) return kClosed;
        if (visible == nullptr) return E_POINTER;
        *visible = visible_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override {
        record(name_, "put_IsVisible", boolText(visible));
        if (closed_) return kClosed;
        visible_ = visible != FALSE;
        ShowWindow(window_, visible_ ? SW_SHOWNA : SW_HIDE);
        if (ChromiumPage* page = view_->chromium()) page->setVisible(visible_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override {
        record(name_, "get_Bounds");
        if (closed_) return kClosed;
        if (bounds == nullptr) return E_POINTER;
        *bounds = bounds_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override {
        record(name_, "put_Bounds",
               std::to_string(bounds.left) + "," + std::to_string(bounds.top) + "," + std::to_string(bounds.right) +
                   "," + std::to_string(bounds.bottom));
        if (closed_) return kClosed;
        bounds_ = bounds;
        MoveWindow(window_, bounds.left, bounds.top, std::max(0L, bounds.right - bounds.left),
                   std::max(0L, bounds.bottom - bounds.top), TRUE);
        if (ChromiumPage* page = view_->chromium()) {
            page->setSize(static_cast<int>(bounds.right - bounds.left), static_cast<int>(bounds.bottom - bounds.top));
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoom) override {
        record(name_, "get_ZoomFactor");
        if (closed_) return kClosed;
        if (zoom == nullptr) return E_POINTER;
        *zoom = zoom_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoom) override {
        record(name_, "put_ZoomFactor", std::to_string(zoom));
        if (closed_) return kClosed;
        if (FAILED(context_->knobs.zoomRefused)) return context_->knobs.zoomRefused;
        if (!(zoom > 0.0)) return E_INVALIDARG;
        const double clamped = std::clamp(zoom, kMinimumZoom, kMaximumZoom);
        if (clamped == zoom_) return S_OK;
        zoom_ = clamped;
        if (ChromiumPage* page = view_->chromium()) page->setZoom(zoom_);
        if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
        ComPtr<Controller> self(this);
        context_->dispatcher->post([self]() {
            if (self->closed_) return;
            for (const auto& handler : self->zoomChanged_.handlers()) handler->Invoke(self.Get(), nullptr);
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* h,
                                                    EventRegistrationToken* t) override {
        record(name_, "add_ZoomFactorChanged");
        if (closed_) return kClosed;
        return zoomChanged_.add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken t) override {
        record(name_, "remove_ZoomFactorChanged");
        return zoomChanged_.remove(t);
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoom) override {
        const HRESULT placed = put_Bounds(bounds);
        return FAILED(placed) ? placed : put_ZoomFactor(zoom);
    }
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override {
        record(name_, "MoveFocus", std::to_string(reason));
        if (closed_) return kClosed;
        SetFocus(window_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* h,
                                                        EventRegistrationToken* t) override {
        record(name_, "add_AcceleratorKeyPressed");
        if (closed_) return kClosed;
        return acceleratorKeyPressed_.add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken t) override {
        record(name_, "remove_AcceleratorKeyPressed");
        return acceleratorKeyPressed_.remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parent) override {
        record(name_, "get_ParentWindow");
        if (closed_) return kClosed;
        if (parent == nullptr) return E_POINTER;
        *parent = GetParent(window_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parent) override {
        record(name_, "put_ParentWindow");
        if (closed_) return kClosed;
        if (parent == nullptr || !IsWindow(parent)) return E_INVALIDARG;
        SetParent(window_, parent);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override {
        record(name_, "NotifyParentWindowPositionChanged");
        return closed_ ? kClosed : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        record(name_, "Close");
        if (closed_) return kClosed;
        shutDown();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) override {
        record(name_, "get_CoreWebView2");
        if (closed_) return kClosed;
        if (view == nullptr) return E_POINTER;
        *view = ComPtr<ICoreWebView2>(view_.Get()).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler *, EventRegistrationToken *) override { return unsupported("add_MoveFocusRequested"); }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken) override { return unsupported("remove_MoveFocusRequested"); }
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_GotFocus"); }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken) override { return unsupported("remove_GotFocus"); }
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_LostFocus"); }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken) override { return unsupported("remove_LostFocus"); }

    ViewState state() const {
        ViewState view = view_->state();
        view.zoom = zoom_;
        view.visible = visible_;
        view.bounds = bounds_;
        view.window = window_;
        return view;
    }

private:
    HRESULT unsupported(const char* method) {
        record(name_, method, "unsupported");
        return E_NOTIMPL;
    }
    void shutDown() {
        if (closed_) return;
        closed_ = true;
        zoomChanged_.clear();
        acceleratorKeyPressed_.clear();
        view_->close();
        if (window_ != nullptr) DestroyWindow(window_);
        window_ = nullptr;
    }

    static const wchar_t* viewClass() {
        static const bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.style = CS_HREDRAW | CS_VREDRAW;
            windowClass.lpfnWndProc = &Controller::windowProc;
            windowClass.hInstance = ownModule();
            windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
            windowClass.lpszClassName = kViewClass;
            return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        (void)registered;
        return kViewClass;
    }

    // Keys the engine offers the host before the page sees them: with Ctrl or Alt held,
    // function keys and Escape.
    static bool acceleratorCandidate(UINT message, WPARAM key) {
        if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_SYSKEYDOWN && message != WM_SYSKEYUP) {
            return false;
        }
        if (key == VK_CONTROL || key == VK_MENU || key == VK_SHIFT) return false;
        return (GetKeyState(VK_CONTROL) & 0x8000) != 0 || (GetKeyState(VK_MENU) & 0x8000) != 0 ||
               (key >= VK_F1 && key <= VK_F24) || key == VK_ESCAPE;
    }
    static COREWEBVIEW2_KEY_EVENT_KIND keyEventKind(UINT message) {
        switch (message) {
            case WM_KEYDOWN: return COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
            case WM_KEYUP: return COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
            case WM_SYSKEYDOWN: return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
            default: return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP;
        }
    }
    // A Chromium page's window: its frames painted, the user's input passed on, after the
    // host has had its say on accelerator keys.
    static std::optional<LRESULT> chromiumMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                  WebView& view, ChromiumPage& page) {
        if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
        if (message == WM_ERASEBKGND) return 1;
        if (acceleratorCandidate(message, wParam)) {
            auto* controller = static_cast<Controller*>(view.controller());
            if (controller != nullptr) {
                auto outcome = std::make_shared<KeyOutcome>();
                ComPtr<Controller> keep(controller);
                keep->raiseKey(keyEventKind(message), static_cast<UINT>(wParam), outcome);
                if (outcome->handled) return 0;
            }
        }
        if (!page.forwardInput(window, message, wParam, lParam)) return std::nullopt;
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
            message == WM_KEYDOWN || message == WM_CHAR) {
            view.noteUserInput();
        }
        // Presses and releases go into the record, so a test can tell a lost click from
        // a page that ignored one.
        if (message != WM_MOUSEMOVE) {
            view.recordInput("0x" + [&] {
                char text[8];
                snprintf(text, sizeof text, "%04x", message);
                return std::string(text);
            }() + " " + std::to_string(GET_X_LPARAM(lParam)) + "," + std::to_string(GET_Y_LPARAM(lParam)));
        }
        // Alt+F4 and the window menu stay the system's.
        if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) return DefWindowProcW(window, message, wParam, lParam);
        return 0;
    }

    // Paints what a page shows: a Chromium page's frame, or in outline its title, its
    // address and its links.
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* const owner = reinterpret_cast<WebView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (owner != nullptr && owner->chromium() != nullptr) {
            ComPtr<WebView> keep(owner);
            if (const auto result = chromiumMessage(window, message, wParam, lParam, *owner, *owner->chromium())) {
                return *result;
            }
        }
        if (message == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client{};
            GetClientRect(window, &client);
            const auto* view = owner;
            if (view != nullptr && view->chromium() != nullptr && view->chromium()->paint(dc, client)) {
                EndPaint(window, &paint);
                return 0;
            }
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            if (view != nullptr) {
                const ViewState state = view->state();
                const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
                SetBkMode(dc, TRANSPARENT);
                int y = 12;
                const auto line = [&](const std::wstring& text, COLORREF colour) {
                    SetTextColor(dc, colour);
                    RECT row{12, y, client.right - 12, y + 20};
                    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &row,
                              DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
                    y += 20;
                };
                line(state.title + (state.loading ? L" \u2026" : L""), RGB(20, 20, 20));
                line(state.source, RGB(90, 90, 90));
                y += 8;
                for (const auto& link : state.links) line(link, RGB(30, 80, 200));
                SelectObject(dc, oldFont);
            }
            EndPaint(window, &paint);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::shared_ptr<EngineContext> context_;
    ComPtr<WebView> view_;
    std::string name_;
    HWND window_ = nullptr;
    bool closed_ = false;
    bool visible_ = true;
    RECT bounds_{};
    double zoom_ = 1.0;
    EventList<ICoreWebView2ZoomFactorChangedEventHandler> zoomChanged_;
    EventList<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorKeyPressed_;
};

}  // namespace

void startController(const std::shared_ptr<EngineContext>& context, ICoreWebView2Environment* environment,
                     HWND parent, const std::wstring& /*profileName*/,
                     ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler) {
    ComPtr<ICoreWebView2Environment> keep(environment);
    context->dispatcher->post([context, keep, parent, handler]() {
        if (FAILED(context->knobs.controllerFailed)) {
            handler->Invoke(context->knobs.controllerFailed, nullptr);
            return;
        }
        if (!IsWindow(parent)) {
            handler->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), nullptr);
            return;
        }
        const int number = nextObjectNumber();
        auto view = makeObject<WebView>(context, keep, "view#" + std::to_string(number));
        auto controller = makeObject<Controller>(context, view, parent, "controller#" + std::to_string(number));
        if (context->pump) {
            // The controller is reported once its page exists in the browser.
            view->startChromiumPage([handler, controller](bool ready) {
                if (ready && !controller->closed()) {
                    handler->Invoke(S_OK, controller.Get());
                    return;
                }
                controller->Close();
                handler->Invoke(E_FAIL, nullptr);
            });
            return;
        }
        handler->Invoke(S_OK, controller.Get());
    });
}

std::optional<ViewState> snapshotController(ICoreWebView2Controller* controller) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return std::nullopt;
    return static_cast<Controller*>(controller)->state();
}

std::optional<ViewState> readView(ICoreWebView2Controller* controller) {
    return snapshotController(controller);
}

Microsoft::WRL::ComPtr<ICoreWebView2WebResourceRequestedEventArgs> makeResourceRequestArgs(
    std::wstring uri, std::wstring method, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    const auto request = makeObject<WebResourceRequest>("page", std::move(uri), std::move(method));
    auto args = makeObject<WebResourceRequestedArgs>("page", request, context, [] {});
    return ComPtr<ICoreWebView2WebResourceRequestedEventArgs>(args.Get());
}

namespace {

Controller* liveController(ICoreWebView2Controller* controller) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return nullptr;
    return static_cast<Controller*>(controller);
}

}  // namespace

std::shared_ptr<ResourceOutcome> requestResource(ICoreWebView2Controller* controller, std::wstring uri,
                                                 std::wstring method, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                                                 COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<ResourceOutcome>();
    outcome->uri = std::move(uri);
    outcome->method = std::move(method);
    outcome->context = context;
    ComPtr<WebView> view(live->view());
    view->later([view, outcome, source]() { view->runResource(outcome, source, nullptr); });
    return outcome;
}

std::vector<std::shared_ptr<ResourceOutcome>> resourceLog(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    return live != nullptr ? live->view()->resourceLog() : std::vector<std::shared_ptr<ResourceOutcome>>{};
}

std::vector<FrameState> frames(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    return live != nullptr ? live->view()->frameStates() : std::vector<FrameState>{};
}

bool postWebMessage(ICoreWebView2Controller* controller, std::wstring source, std::wstring json) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return false;
    ComPtr<WebView> view(live->view());
    view->later([view, source, json]() { view->raiseWebMessage(source, json); });
    return true;
}

std::shared_ptr<NewWindowOutcome> requestNewWindow(ICoreWebView2Controller* controller, std::wstring uri) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<NewWindowOutcome>();
    ComPtr<WebView> view(live->view());
    view->later([view, uri, outcome]() { view->raiseNewWindow(uri, outcome); });
    return outcome;
}

bool requestWindowClose(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return false;
    ComPtr<WebView> view(live->view());
    view->later([view]() { view->raiseWindowClose(); });
    return true;
}

std::shared_ptr<PermissionOutcome> requestPermission(ICoreWebView2Controller* controller,
                                                     COREWEBVIEW2_PERMISSION_KIND kind, std::wstring uri) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<PermissionOutcome>();
    ComPtr<WebView> view(live->view());
    view->later([view, kind, uri, outcome]() { view->raisePermission(kind, uri, outcome); });
    return outcome;
}

std::shared_ptr<DownloadOutcome> startDownload(ICoreWebView2Controller* controller, std::wstring uri,
                                               std::wstring proposedPath) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<DownloadOutcome>();
    ComPtr<WebView> view(live->view());
    view->later([view, uri, proposedPath, outcome]() { view->raiseDownload(uri, proposedPath, outcome); });
    return outcome;
}

std::shared_ptr<KeyOutcome> pressKey(ICoreWebView2Controller* controller, COREWEBVIEW2_KEY_EVENT_KIND kind,
                                     UINT virtualKey) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<KeyOutcome>();
    ComPtr<Controller> keep(live);
    live->view()->later([keep, kind, virtualKey, outcome]() { keep->raiseKey(kind, virtualKey, outcome); });
    return outcome;
}

std::vector<LiveView> liveViews() {
    std::vector<std::pair<int, LiveView>> numbered;
    for (const void* entry : liveControllers()) {
        Controller* const controller =
            liveController(static_cast<ICoreWebView2Controller*>(const_cast<void*>(entry)));
        if (controller == nullptr || controller->closed()) continue;
        const std::string& name = controller->name();
        const std::string number = name.substr(name.find('#') + 1);
        numbered.push_back({std::stoi(number),
                            {name, "view#" + number, controller, static_cast<ICoreWebView2*>(controller->view())}});
    }
    std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<LiveView> views;
    for (auto& [number, view] : numbered) views.push_back(std::move(view));
    return views;
}

bool navigateFromPage(ICoreWebView2Controller* controller, std::wstring uri, bool userInitiated) {
    Controller* const live = liveController(controller);
    if (live == nullptr || live->closed() || uri.empty()) return false;
    live->view()->navigateByPage(std::move(uri), userInitiated);
    return true;
}

std::vector<std::wstring> documentScripts(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    return live != nullptr ? live->view()->documentScriptTexts() : std::vector<std::wstring>{};
}

}  // namespace vesko::standin
