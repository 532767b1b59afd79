#pragma once
// The handlers the engine asks before a tab, a frame or a pop-up goes anywhere, the
// permission handler that denies everything, and a page's request to close its tab.

#include <memory>

#include "engine/com_callback_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2NavigationStartingEventHandler> makeNavigationGuard(
    TabHost& host, std::weak_ptr<TabView> tab);
Microsoft::WRL::ComPtr<ICoreWebView2NavigationStartingEventHandler> makeFrameGuard();
Microsoft::WRL::ComPtr<ICoreWebView2NewWindowRequestedEventHandler> makePopupGuard(TabHost& host,
                                                                                   std::weak_ptr<TabView> tab);
Microsoft::WRL::ComPtr<ICoreWebView2PermissionRequestedEventHandler> makePermissionHandler();
Microsoft::WRL::ComPtr<ICoreWebView2WindowCloseRequestedEventHandler> makeWindowCloseHandler(
    TabHost& host, std::weak_ptr<TabView> tab);

}  // namespace vesko
