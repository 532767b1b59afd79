#pragma once
// A page's request to start a program for an address the engine does not handle itself
// (mailto:, ms-settings:, a custom scheme): always refused, recorded by its scheme only.

#include <memory>

#include "engine/engine_lockdown_interface_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2LaunchingExternalUriSchemeEventHandler> makeExternalSchemeGuard(
    TabHost& host, std::weak_ptr<TabView> tab);

}  // namespace vesko
