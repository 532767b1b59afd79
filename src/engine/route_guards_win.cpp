#include "engine/route_guards_win.h"

#include "engine/certificate_errors_win.h"
#include "engine/context_menu_win.h"
#include "engine/external_schemes_win.h"
#include "engine/hresult_text.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

constexpr auto kHiddenPdfItems =
    static_cast<COREWEBVIEW2_PDF_TOOLBAR_ITEMS>(COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SAVE | COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SAVE_AS);

template <typename Interface>
ComPtr<Interface> required(IUnknown* from, const char* code) {
    ComPtr<Interface> to;
    const HRESULT query = queryEngineInterface(from, to);
    ThrowIfFailed(FAILED(query) ? query : (to ? S_OK : E_NOINTERFACE), code);
    return to;
}

}  // namespace

void closeRoutesOut(TabView& tab, TabHost& host, ICoreWebView2Settings* settings) {
    ComPtr<ICoreWebView2Settings7> settings7;
    // Every runtime with the view interfaces the tab requires has these settings; an older
    // one would keep its PDF toolbar whole, its Save opening the engine's own file dialog.
    // Printing stays: the print dialog is the browser's own command too.
    if (SUCCEEDED(queryEngineInterface(settings, settings7)) && settings7) {
        settings7->put_HiddenPdfToolbarItems(kHiddenPdfItems);
    }
    ComPtr<ICoreWebView2Controller4> controller4;
    // Likewise: without this controller an older runtime would take a dropped file or link
    // as a navigation, which the navigation guard still decides.
    if (SUCCEEDED(queryEngineInterface(tab.controller(), controller4)) && controller4) {
        controller4->put_AllowExternalDrop(FALSE);
    }

    const std::weak_ptr<TabView> weak = tab.weak_from_this();
    ICoreWebView2* const view = tab.webview();
    const auto view11 = required<ICoreWebView2_11>(view, "CONTEXT_MENU_GUARD_FAILED");
    ThrowIfFailed(tab.listen(view11.Get(), &ICoreWebView2_11::add_ContextMenuRequested,
                             &ICoreWebView2_11::remove_ContextMenuRequested, makeContextMenuHandler().Get()),
                  "CONTEXT_MENU_GUARD_FAILED");
    const auto view14 = required<ICoreWebView2_14>(view, "CERTIFICATE_GUARD_FAILED");
    const CertificateGuard certificates = makeCertificateGuard(host, weak);
    ThrowIfFailed(tab.listen(view, &ICoreWebView2::add_NavigationStarting, &ICoreWebView2::remove_NavigationStarting,
                             certificates.navigationWatch.Get()),
                  "CERTIFICATE_GUARD_FAILED");
    ThrowIfFailed(tab.listen(view14.Get(), &ICoreWebView2_14::add_ServerCertificateErrorDetected,
                             &ICoreWebView2_14::remove_ServerCertificateErrorDetected, certificates.errorHandler.Get()),
                  "CERTIFICATE_GUARD_FAILED");
    const auto view18 = required<ICoreWebView2_18>(view, "EXTERNAL_SCHEME_GUARD_FAILED");
    ThrowIfFailed(tab.listen(view18.Get(), &ICoreWebView2_18::add_LaunchingExternalUriScheme,
                             &ICoreWebView2_18::remove_LaunchingExternalUriScheme,
                             makeExternalSchemeGuard(host, weak).Get()),
                  "EXTERNAL_SCHEME_GUARD_FAILED");
}

}  // namespace vesko
