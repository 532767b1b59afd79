#include "engine/external_schemes_win.h"

#include <string>

#include "base/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/engine_strings_win.h"
#include "engine/route_refusals.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;
using ExternalSchemeCallback = ComCallback<ICoreWebView2LaunchingExternalUriSchemeEventHandler, ICoreWebView2*,
                                           ICoreWebView2LaunchingExternalUriSchemeEventArgs*>;

}  // namespace

ComPtr<ICoreWebView2LaunchingExternalUriSchemeEventHandler> makeExternalSchemeGuard(TabHost& host,
                                                                                    std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<ExternalSchemeCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2LaunchingExternalUriSchemeEventArgs* args) {
            // Refused first, whatever follows: nothing outside the kiosk is ever started.
            args->put_Cancel(TRUE);
            const auto tab = liveTab(weak);
            if (!tab) return S_OK;
            std::wstring uri;
            readEngineString([&](LPWSTR* out) { return args->get_Uri(out); }, uri);
            noteRefusal(tab->blockedRequests, externalSchemeRecord(toUtf8(uri)));
            owner->setStatus(toWide(kExternalSchemeRefusedStatus.text), kExternalSchemeRefusedStatus.seconds);
            return S_OK;
        });
}

}  // namespace vesko
