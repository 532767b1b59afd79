#include "web_view.h"

#include <cwchar>
#include <utility>

#include "process_failure.h"
#include "site_page_driver.h"

namespace vesko::standin {

WebView::WebView(std::shared_ptr<EngineContext> context, ComPtr<ICoreWebView2Environment> environment, std::string name)
    : ComObject(context->knobs.webviewVersion),
      context_(std::move(context)),
      environment_(std::move(environment)),
      name_(std::move(name)),
      settings_(makeComObject<ViewSettings>(name_, context_->knobs.settingsVersion)),
      pipeline_(context_, name_, this, *settings_.Get()) {
    pipeline_.setDriver(std::make_unique<SitePageDriver>(pipeline_));
    liveViews().insert(static_cast<const ICoreWebView2*>(this));
}

WebView::~WebView() {
    liveViews().erase(static_cast<const ICoreWebView2*>(this));
    stopUnresponsiveReports(pipeline_);
}

std::set<const void*>& WebView::liveViews() {
    static std::set<const void*> views;
    return views;
}

NavigationPipeline* pipelineOf(ICoreWebView2* view) {
    if (view == nullptr || WebView::liveViews().count(view) == 0) return nullptr;
    return &static_cast<WebView*>(view)->pipeline();
}

HRESULT WebView::get_Settings(ICoreWebView2Settings** settings) {
    if (pipeline_.closed()) {
        record(name_, "get_Settings");
        return kClosed;
    }
    return answerObject(name_, "get_Settings", settings_.Get(), settings);
}

HRESULT WebView::get_Source(LPWSTR* uri) {
    record(name_, "get_Source");
    if (pipeline_.closed()) return kClosed;
    return copyToTaskMemory(pipeline_.page().source, uri);
}

HRESULT WebView::Navigate(LPCWSTR uri) {
    record(name_, "Navigate", toUtf8(uri != nullptr ? uri : L""));
    if (pipeline_.closed()) return kClosed;
    const std::wstring text = uri != nullptr ? uri : L"";
    if (text != L"about:blank" && !splitHttpUrl(toUtf8(text))) return E_INVALIDARG;
    pipeline_.begin(text, NavigationKind::New, false);
    return S_OK;
}

HRESULT WebView::Reload() {
    record(name_, "Reload");
    if (pipeline_.closed()) return kClosed;
    pipeline_.begin(pipeline_.page().source, NavigationKind::Reload, false);
    return S_OK;
}

HRESULT WebView::GoBack() {
    record(name_, "GoBack");
    if (pipeline_.closed()) return kClosed;
    pipeline_.goBack();
    return S_OK;
}

HRESULT WebView::GoForward() {
    record(name_, "GoForward");
    if (pipeline_.closed()) return kClosed;
    pipeline_.goForward();
    return S_OK;
}

HRESULT WebView::Stop() {
    record(name_, "Stop");
    if (pipeline_.closed()) return kClosed;
    pipeline_.stop();
    return S_OK;
}

HRESULT WebView::get_CanGoBack(BOOL* value) {
    if (pipeline_.closed()) {
        record(name_, "get_CanGoBack");
        return kClosed;
    }
    return answerValue(name_, "get_CanGoBack", value, pipeline_.canGoBack());
}

HRESULT WebView::get_CanGoForward(BOOL* value) {
    if (pipeline_.closed()) {
        record(name_, "get_CanGoForward");
        return kClosed;
    }
    return answerValue(name_, "get_CanGoForward", value, pipeline_.canGoForward());
}

HRESULT WebView::get_DocumentTitle(LPWSTR* title) {
    record(name_, "get_DocumentTitle");
    if (pipeline_.closed()) return kClosed;
    return copyToTaskMemory(pipeline_.page().title, title);
}

HRESULT WebView::get_Environment(ICoreWebView2Environment** environment) {
    return answerObject(name_, "get_Environment", environment_.Get(), environment);
}

HRESULT WebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
    record(name_, "AddScriptToExecuteOnDocumentCreated",
           std::to_string(javaScript != nullptr ? std::wcslen(javaScript) : 0) + " characters");
    if (pipeline_.closed()) return kClosed;
    if (javaScript == nullptr) return E_INVALIDARG;
    const std::wstring id = L"script-" + std::to_wstring(nextObjectNumber());
    pipeline_.page().documentScripts.emplace_back(id, javaScript);
    ComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> completion(handler);
    pipeline_.driver().addDocumentScript(id, javaScript, [completion, id, pending = holdCompletion()](HRESULT result) {
        if (completion) completion->Invoke(result, SUCCEEDED(result) ? id.c_str() : nullptr);
    });
    return S_OK;
}

HRESULT WebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) {
    record(name_, "RemoveScriptToExecuteOnDocumentCreated", toUtf8(id != nullptr ? id : L""));
    if (id == nullptr) return E_INVALIDARG;
    std::erase_if(pipeline_.page().documentScripts, [&](const auto& entry) { return entry.first == id; });
    pipeline_.driver().removeDocumentScript(id);
    return S_OK;
}

HRESULT WebView::ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) {
    record(name_, "ExecuteScript", std::to_string(javaScript != nullptr ? std::wcslen(javaScript) : 0) + " characters");
    if (pipeline_.closed()) return kClosed;
    if (javaScript == nullptr) return E_INVALIDARG;
    ComPtr<ICoreWebView2ExecuteScriptCompletedHandler> completion(handler);
    const HRESULT failure = context_->knobs.scriptFailed;
    if (FAILED(failure)) {
        if (completion) {
            context_->dispatcher->post([completion, failure, pending = holdCompletion()]() { completion->Invoke(failure, nullptr); });
        }
        return S_OK;
    }
    pipeline_.driver().evaluate(javaScript, [completion, pending = holdCompletion()](HRESULT result, const std::wstring& json) {
        if (completion) completion->Invoke(result, SUCCEEDED(result) ? json.c_str() : nullptr);
    });
    return S_OK;
}

HRESULT WebView::AddWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    record(name_, "AddWebResourceRequestedFilter", toUtf8(uri != nullptr ? uri : L"") + " " + std::to_string(context));
    return addFilter(uri, context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
}

HRESULT WebView::RemoveWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    record(name_, "RemoveWebResourceRequestedFilter", toUtf8(uri != nullptr ? uri : L"") + " " + std::to_string(context));
    return removeFilter(uri, context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
}

HRESULT WebView::AddWebResourceRequestedFilterWithRequestSourceKinds(
    LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
    record(name_, "AddWebResourceRequestedFilterWithRequestSourceKinds",
           toUtf8(uri != nullptr ? uri : L"") + " " + std::to_string(context) + " " + std::to_string(kinds));
    return addFilter(uri, context, kinds);
}

HRESULT WebView::RemoveWebResourceRequestedFilterWithRequestSourceKinds(
    LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
    record(name_, "RemoveWebResourceRequestedFilterWithRequestSourceKinds",
           toUtf8(uri != nullptr ? uri : L"") + " " + std::to_string(context) + " " + std::to_string(kinds));
    return removeFilter(uri, context, kinds);
}

HRESULT WebView::addFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                           COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
    if (pipeline_.closed()) return kClosed;
    if (FAILED(context_->knobs.filterRefused)) return context_->knobs.filterRefused;
    if (uri == nullptr) return E_INVALIDARG;
    pipeline_.filters().add(uri, context, kinds);
    return S_OK;
}

HRESULT WebView::removeFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                              COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
    if (uri == nullptr) return E_INVALIDARG;
    return pipeline_.filters().remove(uri, context, kinds) ? S_OK : E_INVALIDARG;
}

}  // namespace vesko::standin
