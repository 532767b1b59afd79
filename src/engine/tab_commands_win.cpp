// The commands that act on the active tab's view: history, reload or stop, zoom, the
// engine's print and download dialogs. The dispatcher has checked each command's gate;
// these still do nothing without an active tab that has its view.
#include <optional>

#include "base/wide_text_win.h"
#include "engine/hresult_text.h"
#include "ui/browser_app.h"
#include "ui/commands.h"
#include "ui/zoom_rule.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

std::shared_ptr<BrowserApp::Tab> activeTabWithView(const BrowserApp& app) {
    if (app.activeTab < 0 || static_cast<std::size_t>(app.activeTab) >= app.tabs.size()) return nullptr;
    auto tab = app.tabs[static_cast<std::size_t>(app.activeTab)];
    return tab->webview ? tab : nullptr;
}

}  // namespace

void BrowserApp::goBack() {
    const auto tab = activeTabWithView(*this);
    BOOL can = FALSE;
    if (tab && SUCCEEDED(tab->webview->get_CanGoBack(&can)) && can) tab->webview->GoBack();
}

void BrowserApp::goForward() {
    const auto tab = activeTabWithView(*this);
    BOOL can = FALSE;
    if (tab && SUCCEEDED(tab->webview->get_CanGoForward(&can)) && can) tab->webview->GoForward();
}

void BrowserApp::reloadOrStop() {
    const auto tab = activeTabWithView(*this);
    if (!tab) return;
    if (tab->loading) {
        tab->webview->Stop();
        tab->loading = false;
        setStatus(toWide(kLoadingStoppedStatus.text), kLoadingStoppedStatus.seconds);
        return;
    }
    setStatus(toWide(kReloadingStatus.text), kReloadingStatus.seconds);
    tab->webview->Reload();
}

void BrowserApp::zoomActiveTab(std::int32_t command) {
    const auto tab = activeTabWithView(*this);
    if (!tab || !tab->controller) return;
    double reported = 1.0;
    const std::optional<double> current =
        SUCCEEDED(tab->controller->get_ZoomFactor(&reported)) ? std::optional<double>(reported) : std::nullopt;
    const std::optional<double> target = zoomTarget(command, effectiveZoom(current));
    if (!target) return;
    ThrowIfFailed(tab->controller->put_ZoomFactor(*target), "ZOOM_FAILED");
    tab->zoom = *target;
    setStatus(toWide(zoomStatusText(*target)), kZoomStatusSeconds);
}

void BrowserApp::showDownloads() {
    const auto tab = activeTabWithView(*this);
    ComPtr<ICoreWebView2_9> view9;
    // An engine too old for the download list simply has none to show.
    if (tab && SUCCEEDED(queryEngineInterface(tab->webview.Get(), view9)) && view9) view9->OpenDefaultDownloadDialog();
}

void BrowserApp::printActiveTab() {
    const auto tab = activeTabWithView(*this);
    ComPtr<ICoreWebView2_16> view16;
    if (tab && SUCCEEDED(queryEngineInterface(tab->webview.Get(), view16)) && view16) {
        view16->ShowPrintUI(COREWEBVIEW2_PRINT_DIALOG_KIND_BROWSER);
    }
}

}  // namespace vesko
