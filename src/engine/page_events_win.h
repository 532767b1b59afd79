#pragma once
// The handlers that keep a tab's record in step with its view, and the one that takes the
// browser's shortcuts away from a page.

#include <memory>

#include "engine/com_callback_win.h"
#include "ui/browser_app.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2SourceChangedEventHandler> makeSourceChangedHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);
Microsoft::WRL::ComPtr<ICoreWebView2HistoryChangedEventHandler> makeHistoryChangedHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);
Microsoft::WRL::ComPtr<ICoreWebView2DocumentTitleChangedEventHandler> makeTitleChangedHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);
Microsoft::WRL::ComPtr<ICoreWebView2NavigationCompletedEventHandler> makeNavigationCompletedHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);
Microsoft::WRL::ComPtr<ICoreWebView2ZoomFactorChangedEventHandler> makeZoomChangedHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);
// Posts the command of a shortcut pressed inside a page to the main window.
Microsoft::WRL::ComPtr<ICoreWebView2AcceleratorKeyPressedEventHandler> makeAcceleratorKeyHandler(BrowserApp& app);

// The tab is the one in front.
bool isActiveTab(const BrowserApp& app, const BrowserApp::Tab& tab);

}  // namespace vesko
