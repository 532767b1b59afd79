#pragma once
// The handler that trims the engine's own context menu to the items a kiosk page may
// keep (see context_menu_rules.h) before the engine shows it.

#include "engine/engine_lockdown_interface_win.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2ContextMenuRequestedEventHandler> makeContextMenuHandler();

}  // namespace vesko
