#include "engine/resource_interception_win.h"

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
#include "engine/runtime_probe_win.h"
#include "assets/asset_pack.h"

namespace vesko {

using Microsoft::WRL::ComPtr;

ComPtr<ICoreWebView2WebResourceRequestedEventHandler> makeResourceHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    const TabHost* const owner = &host;
    return makeCallback<WebResourceRequestedCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
            if (const auto tab = liveTab(weak)) handleResourceRequest(*owner, *tab, args);
            return S_OK;
        });
}

void handleResourceRequest(const TabHost& host, TabView& tab, ICoreWebView2WebResourceRequestedEventArgs* args) {
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
        decideResourceRequest(host.assetPack(), url, method, kind,
                              ProbeServing{host.probe().running(), host.probe().nonce(), host.probe().socketPort()});
    switch (decision.action) {
        case ResourceAction::network:
            return;
        case ResourceAction::packFile: {
            const auto bytes = assetBytes(host.assetPack(), *decision.entry);
            createResponse(tab.environment(), args, bytes.data(), bytes.size(), toWide(decision.entry->mime), 200,
                           true);
            ++tab.localAssets;
            return;
        }
        case ResourceAction::refuse:
            noteBlockedRequest(tab.blockedRequests, url, kind, method);
            [[fallthrough]];
        case ResourceAction::answer:
            createResponse(tab.environment(), args, decision.answer.body.data(), decision.answer.body.size(),
                           toWide(decision.answer.contentType), decision.answer.status,
                           decision.answer.allowAnyOrigin);
            return;
    }
}

void createResponse(ICoreWebView2Environment* environment, ICoreWebView2WebResourceRequestedEventArgs* args,
                    const void* data, std::uint64_t size, std::wstring_view contentType, int status,
                    bool allowAnyOrigin) {
    if (size > std::numeric_limits<std::uint32_t>::max()) throw std::runtime_error("RESOURCE_TOO_LARGE");
    // The engine reads the content later, from a thread of its own, and may keep it while
    // the page lives. SHCreateMemStream copies the bytes into the stream, so it owns them,
    // and its stream is thread-safe from Windows 8 on (the engine needs Windows 10).
    ComPtr<IStream> stream;
    *stream.ReleaseAndGetAddressOf() = SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size));
    if (!stream) throw std::runtime_error("RESOURCE_STREAM_FAILED");
    const std::wstring headers = toWide(responseHeaders(toUtf8(contentType), size, allowAnyOrigin));
    const std::wstring reason = toWide(reasonPhrase(status));
    ComPtr<ICoreWebView2WebResourceResponse> response;
    const HRESULT created = environment != nullptr
                                ? environment->CreateWebResourceResponse(stream.Get(), status, reason.c_str(),
                                                                         headers.c_str(), &response)
                                : E_POINTER;
    ThrowIfFailed(FAILED(created) ? created : (response ? S_OK : E_POINTER), "RESPONSE_FAILED");
    ThrowIfFailed(args->put_Response(response.Get()), "RESPONSE_SET_FAILED");
}

}  // namespace vesko
