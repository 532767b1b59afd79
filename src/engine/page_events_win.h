#pragma once
// The handlers that keep a tab's record in step with its view, the one that takes the
// browser's shortcuts away from a page and the one that lets the keyboard out of it.

#include <memory>

#include "engine/com_callback_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2SourceChangedEventHandler> makeSourceChangedHandler(TabHost& host,
                                                                                       std::weak_ptr<TabView> tab);
Microsoft::WRL::ComPtr<ICoreWebView2HistoryChangedEventHandler> makeHistoryChangedHandler(TabHost& host,
                                                                                         std::weak_ptr<TabView> tab);
Microsoft::WRL::ComPtr<ICoreWebView2DocumentTitleChangedEventHandler> makeTitleChangedHandler(
    TabHost& host, std::weak_ptr<TabView> tab);
Microsoft::WRL::ComPtr<ICoreWebView2NavigationCompletedEventHandler> makeNavigationCompletedHandler(
    TabHost& host, std::weak_ptr<TabView> tab);
Microsoft::WRL::ComPtr<ICoreWebView2ZoomFactorChangedEventHandler> makeZoomChangedHandler(TabHost& host,
                                                                                         std::weak_ptr<TabView> tab);
// Hands a shortcut pressed inside a page to the host; the page never sees it.
Microsoft::WRL::ComPtr<ICoreWebView2AcceleratorKeyPressedEventHandler> makeAcceleratorKeyHandler(
    TabHost& host, std::weak_ptr<TabView> tab);

// Tab leaving a page hands the focus to the host's frame; Handled only when the host took it,
// else the engine moves it as it would without a handler.
Microsoft::WRL::ComPtr<ICoreWebView2MoveFocusRequestedEventHandler> makeMoveFocusHandler(TabHost& host,
                                                                                        std::weak_ptr<TabView> tab);

}  // namespace vesko
