#include "engine/web_messages_win.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "base/wide_text_win.h"
#include "engine/engine_strings_win.h"
#include "engine/runtime_probe_win.h"
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

void handleWebMessage(TabHost& host, TabView& tab, ICoreWebView2WebMessageReceivedEventArgs* args,
                      std::optional<UnsavedInput::FrameKey> frame) {
    std::wstring source;
    readEngineString([&](LPWSTR* out) { return args->get_Source(out); }, source);
    std::wstring json;
    if (FAILED(readEngineString([&](LPWSTR* out) { return args->get_WebMessageAsJson(out); }, json))) return;
    // Every UTF-16 unit is at least one UTF-8 byte: a longer text cannot fit the limit,
    // so it is dropped without converting it.
    if (json.size() > kMaxWebMessageBytes) return;

    const WebMessageContext context{host.probe().running(), host.probe().nonce(), host.isActive(tab)};
    const WebMessageDecision decision = decodeWebMessage(strictUtf8(source), strictUtf8(json), context);
    switch (decision.action) {
        case WebMessageAction::ignore:
            return;
        case WebMessageAction::openBackground:
            // Counted per tab, on top of the tab limit; a monotonic clock, so that a change
            // of the system time neither opens nor closes the window.
            if (!tab.backgroundOpens.allow(static_cast<std::int64_t>(GetTickCount64()))) {
                host.setStatus(toWide(kBackgroundOpenDroppedStatus.text), kBackgroundOpenDroppedStatus.seconds);
                return;
            }
            host.openTab(toWide(decision.url), {}, true);
            return;
        case WebMessageAction::showStatus:
            host.setStatus(toWide(decision.statusText), decision.statusSeconds);
            return;
        case WebMessageAction::setBusy:
            tab.ajaxBusy = decision.busy;
            break;
        case WebMessageAction::markDirty:
            if (frame) {
                tab.unsaved.markFrame(*frame);
            } else {
                tab.unsaved.markTop();
            }
            break;
        case WebMessageAction::completeProbe:
            host.completeProbe(tab, ProbeFindings{decision.cors, decision.mixed, decision.webrtc});
            return;
    }
    host.repaint();
}

Microsoft::WRL::ComPtr<ICoreWebView2WebMessageReceivedEventHandler> makeWebMessageHandler(
    TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<WebMessageReceivedCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
            // A message that arrives after its tab closed is dropped.
            if (const auto tab = liveTab(weak)) handleWebMessage(*owner, *tab, args);
            return S_OK;
        });
}

}  // namespace vesko
