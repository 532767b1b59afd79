#pragma once
// The host's end of the page-to-host channel: one handler per view.

#include <memory>
#include <optional>

#include "engine/com_callback_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2WebMessageReceivedEventHandler> makeWebMessageHandler(
    TabHost& host, std::weak_ptr<TabView> tab);

// One message of `tab`'s view: of its top document, or of the frame `frame` when given
// (the same rules: the sender's address decides). Throws BAD_WEB_MESSAGE for a message no
// page script sends (the adapter then reports failure to the engine); nothing has changed
// by then.
void handleWebMessage(TabHost& host, TabView& tab, ICoreWebView2WebMessageReceivedEventArgs* args,
                      std::optional<UnsavedInput::FrameKey> frame = std::nullopt);

}  // namespace vesko
