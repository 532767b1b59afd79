#pragma once
// Every request a tab's documents make passes through here: answered from the asset
// pack, left to the network, refused with 403, or (during the runtime probe) answered
// with the probe's page and test resources.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "ui/browser_app.h"

namespace vesko {

// Registers the catch-all filter (every context, every source kind) and the handler, once
// per view. Throws WEBVIEW_RUNTIME_UPDATE_REQUIRED, RESOURCE_FILTER_FAILED or
// RESOURCE_HANDLER_FAILED with the engine's result.
void installResourceFilter(BrowserApp& app, const std::shared_ptr<BrowserApp::Tab>& tab);

// The handler's body for one event of `tab`. Throws REQUEST_FAILED and the response
// codes; the tab's counters change only with a response set (local assets) or before a
// refusal is answered (blocked requests).
void handleResourceRequest(BrowserApp& app, BrowserApp::Tab& tab, ICoreWebView2WebResourceRequestedEventArgs* args);

// A response over `size` bytes at `data` (the stream reads them in place; they must
// outlive the response), set on the event. Throws RESOURCE_TOO_LARGE,
// RESOURCE_STREAM_FAILED, RESPONSE_FAILED, RESPONSE_SET_FAILED.
void createResponse(BrowserApp& app, ICoreWebView2WebResourceRequestedEventArgs* args, const void* data,
                    std::uint64_t size, std::wstring_view contentType, int status, bool allowAnyOrigin);

// createResponse over the bytes of a UTF-8 text.
void respondText(BrowserApp& app, ICoreWebView2WebResourceRequestedEventArgs* args, std::string_view body,
                 std::wstring_view contentType, bool allowAnyOrigin, int status);

}  // namespace vesko
