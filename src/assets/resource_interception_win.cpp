#include "assets/resource_interception_win.h"

#include <shlwapi.h>

#include <limits>
#include <stdexcept>

#include "base/wide_text_win.h"
#include "assets/asset_rules.h"
#include "assets/resource_decision.h"
#include "assets/synthetic_response.h"
#include "engine/com_callback_win.h"
#include "engine/engine_strings_win.h"
#include "engine/hresult_text.h"

namespace vesko {

using Microsoft::WRL::ComPtr;

void installResourceFilter(BrowserApp& app, const std::shared_ptr<BrowserApp::Tab>& shared) {
    BrowserApp::Tab& tab = *shared;
    if (tab.filterInstalled) return;
    ComPtr<ICoreWebView2_22> view22;
    const HRESULT query = queryEngineInterface(tab.webview.Get(), view22);
    ThrowIfFailed(FAILED(query) ? query : (view22 ? S_OK : E_NOINTERFACE), "WEBVIEW_RUNTIME_UPDATE_REQUIRED");
    ThrowIfFailed(view22->AddWebResourceRequestedFilterWithRequestSourceKinds(
                      L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_ALL),
                  "RESOURCE_FILTER_FAILED");
    BrowserApp* const owner = &app;
    const std::weak_ptr<BrowserApp::Tab> weak = shared;
    const auto handler = makeCallback<WebResourceRequestedCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
            // A request still in flight for a closed tab is left to the engine untouched.
            if (const auto tab = weak.lock()) handleResourceRequest(*owner, *tab, args);
            return S_OK;
        });
    EventRegistrationToken token{};
    ThrowIfFailed(tab.webview->add_WebResourceRequested(handler.Get(), &token), "RESOURCE_HANDLER_FAILED");
    tab.filterInstalled = true;
}

void handleResourceRequest(BrowserApp& app, BrowserApp::Tab& tab, ICoreWebView2WebResourceRequestedEventArgs* args) {
    ComPtr<ICoreWebView2WebResourceRequest> request;
    const HRESULT got = args != nullptr ? args->get_Request(&request) : E_POINTER;
    ThrowIfFailed(FAILED(got) ? got : (request ? S_OK : E_POINTER), "REQUEST_FAILED");
    std::wstring wideUrl;
    std::wstring wideMethod;
    readEngineString([&](LPWSTR* out) { return request->get_Uri(out); }, wideUrl);
    readEngineString([&](LPWSTR* out) { return request->get_Method(out); }, wideMethod);
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
    if (FAILED(args->get_ResourceContext(&context))) context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
    const std::string text = toUtf8(wideUrl);
    const std::string method = toUtf8(wideMethod);
    const ResourceKind kind = resourceKind(context);
    // Read once: the decision and the refusal record both look at this parse.
    const PolicyUrl url(text);

    const ResourceDecision decision =
        decideResourceRequest(app.assetPack, url, method, kind, ProbeServing{app.probeRunning, app.probeNonce});
    switch (decision.action) {
        case ResourceAction::network:
            return;
        case ResourceAction::packFile: {
            const auto bytes = assetBytes(app.assetPack, *decision.entry);
            createResponse(app, args, bytes.data(), bytes.size(), toWide(decision.entry->mime), 200, true);
            ++tab.localAssets;
            return;
        }
        case ResourceAction::refuse:
            noteBlockedRequest(tab.blockedRequests, url, kind, method);
            [[fallthrough]];
        case ResourceAction::answer:
            respondText(app, args, decision.answer.body, toWide(decision.answer.contentType),
                        decision.answer.allowAnyOrigin, decision.answer.status);
            return;
    }
}

void createResponse(BrowserApp& app, ICoreWebView2WebResourceRequestedEventArgs* args, const void* data,
                    std::uint64_t size, std::wstring_view contentType, int status, bool allowAnyOrigin) {
    if (size > std::numeric_limits<std::uint32_t>::max()) throw std::runtime_error("RESOURCE_TOO_LARGE");
    // The stream is created over the bytes: a pack file is never copied per request.
    ComPtr<IStream> stream;
    *stream.ReleaseAndGetAddressOf() = SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size));
    if (!stream) throw std::runtime_error("RESOURCE_STREAM_FAILED");
    const std::wstring headers = toWide(responseHeaders(toUtf8(contentType), size, allowAnyOrigin));
    const std::wstring reason = toWide(reasonPhrase(status));
    ComPtr<ICoreWebView2WebResourceResponse> response;
    const HRESULT created = app.environment
                                ? app.environment->CreateWebResourceResponse(stream.Get(), status, reason.c_str(),
                                                                             headers.c_str(), &response)
                                : E_POINTER;
    ThrowIfFailed(FAILED(created) ? created : (response ? S_OK : E_POINTER), "RESPONSE_FAILED");
    ThrowIfFailed(args->put_Response(response.Get()), "RESPONSE_SET_FAILED");
}

void respondText(BrowserApp& app, ICoreWebView2WebResourceRequestedEventArgs* args, std::string_view body,
                 std::wstring_view contentType, bool allowAnyOrigin, int status) {
    createResponse(app, args, body.data(), body.size(), contentType, status, allowAnyOrigin);
}

}  // namespace vesko
