#include "event_args.h"

#include <nlohmann/json.hpp>

#include "objects.h"

namespace vesko::standin {

HRESULT answerText(const std::string& owner, const char* method, const std::wstring& text, LPWSTR* out) {
    record(owner, method);
    return copyToTaskMemory(text, out);
}

HRESULT answerFlag(const std::string& owner, const char* method, BOOL value, bool& field) {
    record(owner, method, boolText(value));
    field = value != FALSE;
    return S_OK;
}

HRESULT answerUnsupported(const std::string& owner, const char* method) {
    record(owner, method, "unsupported");
    return E_NOTIMPL;
}

HRESULT Deferral::Complete() {
    record(owner_ + ".deferral", "Complete");
    if (!onComplete_) return E_UNEXPECTED;  // completed before
    auto onComplete = std::move(onComplete_);
    onComplete_ = nullptr;
    onComplete();
    return S_OK;
}

HRESULT DeferralSlot::give(const std::string& owner, ICoreWebView2Deferral** out) {
    record(owner, "GetDeferral");
    if (out == nullptr) return E_POINTER;
    if (deferral_) return E_UNEXPECTED;  // one deferral per event
    deferral_ = makeComObject<Deferral>(owner, resume_);
    *out = ComPtr<ICoreWebView2Deferral>(deferral_.Get()).Detach();
    return S_OK;
}

HRESULT WebResourceRequest::putText(std::wstring& field, LPCWSTR value, const char* method) {
    record(owner_, method, toUtf8(value != nullptr ? value : L""));
    if (value == nullptr) return E_INVALIDARG;
    field = value;
    return S_OK;
}

HRESULT WebResourceRequestedArgs::put_Response(ICoreWebView2WebResourceResponse* response) {
    // The content is not read here: the engine reads it later, on a thread of its own.
    std::string detail = "null";
    if (const auto status = isRecording() ? responseStatus(response) : std::nullopt) detail = *status;
    record(owner_, "put_Response", detail);
    response_ = response;
    return S_OK;
}

HRESULT WebMessageArgs::TryGetWebMessageAsString(LPWSTR* value) {
    record(owner_, "TryGetWebMessageAsString");
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    const auto parsed = nlohmann::json::parse(toUtf8(json_), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_string()) return E_INVALIDARG;
    return copyToTaskMemory(toWide(parsed.get<std::string>()), value);
}

HRESULT NewWindowArgs::put_NewWindow(ICoreWebView2* view) {
    record(owner_, "put_NewWindow", view != nullptr ? "view" : "null");
    if (finished_) return kClosed;
    // Only a view that has never navigated can take a pop-up.
    if (view != nullptr && !acceptsView_(view)) return E_INVALIDARG;
    newWindow_ = view;
    return S_OK;
}

HRESULT DownloadStartingArgs::put_ResultFilePath(LPCWSTR path) {
    record(owner_, "put_ResultFilePath", toUtf8(path != nullptr ? path : L""));
    if (FAILED(pathRefused_)) return pathRefused_;
    if (path == nullptr || path[0] == L'\0') return E_INVALIDARG;
    path_ = path;
    return S_OK;
}

}  // namespace vesko::standin
