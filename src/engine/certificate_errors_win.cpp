#include "engine/certificate_errors_win.h"

#include <string>

#include "base/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/engine_strings_win.h"
#include "engine/route_refusals.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;
using CertificateErrorCallback = ComCallback<ICoreWebView2ServerCertificateErrorDetectedEventHandler, ICoreWebView2*,
                                             ICoreWebView2ServerCertificateErrorDetectedEventArgs*>;

}  // namespace

CertificateGuard makeCertificateGuard(TabHost& host, std::weak_ptr<TabView> weak) {
    // The address the view's current navigation asked for, shared by the two handlers.
    const auto document = std::make_shared<std::wstring>();
    CertificateGuard guard;
    guard.navigationWatch = makeCallback<NavigationStartingCallback>(
        [document](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            readEngineString([&](LPWSTR* out) { return args->get_Uri(out); }, *document);
            return S_OK;
        });
    TabHost* const owner = &host;
    guard.errorHandler = makeCallback<CertificateErrorCallback>(
        [owner, weak, document](ICoreWebView2*, ICoreWebView2ServerCertificateErrorDetectedEventArgs* args) {
            // Cancelled first, whatever follows: the engine's warning page would let the
            // user go on.
            args->put_Action(COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_CANCEL);
            const auto tab = liveTab(weak);
            if (!tab) return S_OK;
            std::wstring uri;
            readEngineString([&](LPWSTR* out) { return args->get_RequestUri(out); }, uri);
            noteRefusal(tab->blockedRequests, certificateRefusalRecord(toUtf8(uri)));
            if (!uri.empty() && uri == *document) {
                // The page's navigation ends here, as if stopped: its failed completion is
                // no load failure to report over this text.
                tab->navigation.stop();
                tab->loading = false;
                owner->setStatus(toWide(kCertificateRefusedStatus.text), kCertificateRefusedStatus.seconds);
                owner->repaint();
            }
            return S_OK;
        });
    return guard;
}

}  // namespace vesko
