#pragma once
// Downloads: the engine's event only classifies and defers; the save dialog runs later
// from the main window's queue (WM_APP_DOWNLOAD), after the engine's callback returned.

#include <windows.h>

#include <cstddef>

#include "engine/com_callback_win.h"
#include "ui/browser_app.h"

namespace vesko {

Microsoft::WRL::ComPtr<ICoreWebView2DownloadStartingEventHandler> makeDownloadGuard(BrowserApp& app);

// Downloads admitted and waiting for their second step.
std::size_t pendingDownloadCount();

// Cancels every download still waiting for its second step and lets go of the engine's
// objects it holds: called before the engine goes away, whose module those objects live in.
void cancelPendingDownloads();

}  // namespace vesko
