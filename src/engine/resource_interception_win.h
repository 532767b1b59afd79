#pragma once
// Every request a tab's documents make passes through here: answered from the asset
// pack, left to the network, refused with 403, or (during the runtime probe) answered
// with the probe's page and test resources.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/com_callback_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

// The handler of the tab's catch-all filter; a request still in flight for a closed tab
// is left to the engine untouched.
Microsoft::WRL::ComPtr<ICoreWebView2WebResourceRequestedEventHandler> makeResourceHandler(
    TabHost& host, std::weak_ptr<TabView> tab);

// The handler's body for one event of `tab`. Throws REQUEST_FAILED and the response
// codes; the tab's counters change only with a response set (local assets) or before a
// refusal is answered (blocked requests).
void handleResourceRequest(const TabHost& host, TabView& tab, ICoreWebView2WebResourceRequestedEventArgs* args);

// A response made by `environment` with a copy of the `size` bytes at `data` (the stream
// owns its copy and may be read from any thread), set on the event. Throws RESOURCE_TOO_LARGE,
// RESOURCE_STREAM_FAILED, RESPONSE_FAILED, RESPONSE_SET_FAILED.
void createResponse(ICoreWebView2Environment* environment, ICoreWebView2WebResourceRequestedEventArgs* args,
                    const void* data, std::uint64_t size, std::wstring_view contentType, int status,
                    bool allowAnyOrigin);

}  // namespace vesko
