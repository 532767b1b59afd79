#include "page/web_messages_win.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "base/wide_text_win.h"
#include "engine/engine_strings_win.h"
#include "engine/page_events_win.h"
#include "page/web_message.h"

namespace vesko {
namespace {

// A message with an unpaired surrogate is refused rather than passed on altered.
std::string strictUtf8(const std::wstring& wide) {
    std::optional<std::string> utf8 = toUtf8Strict(wide);
    if (!utf8) throw std::runtime_error("BAD_WEB_MESSAGE");
    return std::move(*utf8);
}

}  // namespace

void handleWebMessage(BrowserApp& app, const std::shared_ptr<BrowserApp::Tab>& tab,
                      ICoreWebView2WebMessageReceivedEventArgs* args) {
    std::wstring source;
    readEngineString([&](LPWSTR* out) { return args->get_Source(out); }, source);
    std::wstring json;
    if (FAILED(readEngineString([&](LPWSTR* out) { return args->get_WebMessageAsJson(out); }, json))) return;
    // Every UTF-16 unit is at least one UTF-8 byte: a longer text cannot fit the limit,
    // so it is dropped without converting it.
    if (json.size() > kMaxWebMessageBytes) return;

    const WebMessageContext context{app.probeRunning, app.probeNonce, isActiveTab(app, *tab)};
    const WebMessageDecision decision = decodeWebMessage(strictUtf8(source), strictUtf8(json), context);
    switch (decision.action) {
        case WebMessageAction::ignore:
            return;
        case WebMessageAction::openBackground:
            app.openTab(toWide(decision.url), nullptr, nullptr, true);
            return;
        case WebMessageAction::showStatus:
            app.setStatus(toWide(decision.statusText), decision.statusSeconds);
            return;
        case WebMessageAction::setBusy:
            tab->ajaxBusy = decision.busy;
            break;
        case WebMessageAction::markDirty:
            tab->dirty = true;
            break;
        case WebMessageAction::completeProbe:
            app.completeRuntimeProbe(tab, decision.cors, decision.mixed);
            return;
    }
    if (app.window != nullptr) InvalidateRect(app.window, nullptr, FALSE);
}

Microsoft::WRL::ComPtr<ICoreWebView2WebMessageReceivedEventHandler> makeWebMessageHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> weak) {
    BrowserApp* const owner = &app;
    return makeCallback<WebMessageReceivedCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
            // A message that arrives after its tab closed is dropped.
            if (const auto tab = weak.lock()) handleWebMessage(*owner, tab, args);
            return S_OK;
        });
}

}  // namespace vesko
