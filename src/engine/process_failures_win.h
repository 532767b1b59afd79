#pragma once
// The handler that hears of a view's failed engine process and hands the report to the
// host with the tab it concerns.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/com_callback_win.h"
#include "engine/engine_process_interface_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

using ProcessFailedCallback =
    ComCallback<ICoreWebView2ProcessFailedEventHandler, ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs*>;
using BrowserProcessExitedCallback = ComCallback<ICoreWebView2BrowserProcessExitedEventHandler,
                                                 ICoreWebView2Environment*, ICoreWebView2BrowserProcessExitedEventArgs*>;

Microsoft::WRL::ComPtr<ICoreWebView2ProcessFailedEventHandler> makeProcessFailedHandler(TabHost& host,
                                                                                       std::weak_ptr<TabView> tab);

}  // namespace vesko
