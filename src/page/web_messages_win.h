#pragma once
// The host's end of the page-to-host channel: one handler per view.

#include <memory>

#include "engine/com_callback_win.h"
#include "ui/browser_app.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2WebMessageReceivedEventHandler> makeWebMessageHandler(
    BrowserApp& app, std::weak_ptr<BrowserApp::Tab> tab);

// One message of `tab`'s view. Throws BAD_WEB_MESSAGE for a message no page script sends
// (the adapter then reports failure to the engine); nothing has changed by then.
void handleWebMessage(BrowserApp& app, const std::shared_ptr<BrowserApp::Tab>& tab,
                      ICoreWebView2WebMessageReceivedEventArgs* args);

}  // namespace vesko
