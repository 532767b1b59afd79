#pragma once
// Server-certificate errors: every one is cancelled, for a page and for anything it loads,
// so no clerk is ever asked to judge a certificate. The tab records the host, and says so
// when it was the page itself.

#include <memory>

#include "engine/engine_lockdown_interface_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

struct CertificateGuard {
    // Notes the address each navigation asks for, to tell the page's own error from a
    // sub-resource's.
    Microsoft::WRL::ComPtr<ICoreWebView2NavigationStartingEventHandler> navigationWatch;
    Microsoft::WRL::ComPtr<ICoreWebView2ServerCertificateErrorDetectedEventHandler> errorHandler;
};

CertificateGuard makeCertificateGuard(TabHost& host, std::weak_ptr<TabView> tab);

}  // namespace vesko
