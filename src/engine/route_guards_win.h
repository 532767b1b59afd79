#pragma once
// The engine's own ways out of a kiosk view, closed on every view a tab gets (a tab's, a
// pop-up's, one made again after the engine restarted): the context menu trimmed, the
// PDF viewer's Save and Save As hidden, files and links dragged in from outside refused,
// certificate errors cancelled and external programs never started.

#include "engine/engine_lockdown_interface_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

// Sets the view's switches and registers the guards on the tab's view, each with its
// token. Throws CONTEXT_MENU_GUARD_FAILED, CERTIFICATE_GUARD_FAILED or
// EXTERNAL_SCHEME_GUARD_FAILED when the engine refuses one.
void closeRoutesOut(TabView& tab, TabHost& host, ICoreWebView2Settings* settings);

}  // namespace vesko
