#pragma once
// The handlers the engine asks before a tab, a frame or a pop-up goes anywhere, the
// permission handler that denies everything, and a page's request to close its tab.

#include <memory>

#include "engine/com_callback_win.h"
#include "ui/browser_app.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2NavigationStartingEventHandler> makeNavigationGuard(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);
Microsoft::WRL::ComPtr<ICoreWebView2NavigationStartingEventHandler> makeFrameGuard();
Microsoft::WRL::ComPtr<ICoreWebView2NewWindowRequestedEventHandler> makePopupGuard(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);
Microsoft::WRL::ComPtr<ICoreWebView2PermissionRequestedEventHandler> makePermissionHandler();
Microsoft::WRL::ComPtr<ICoreWebView2WindowCloseRequestedEventHandler> makeWindowCloseHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);

}  // namespace vesko
