#pragma once
// The engine's report that keyboard focus is leaving a view: Tab past the page's last
// focusable element, or Shift+Tab before its first. Its two interfaces are not among the
// ABI facts the other engine headers are written from: their identifiers and slot order
// come from the engine's public API reference (the interface reference pages and the
// published interop declarations of the handler and its arguments).

#include "engine/engine_interface_win.h"

struct ICoreWebView2MoveFocusRequestedEventArgs;

VESKO_ENGINE_IID(ICoreWebView2MoveFocusRequestedEventArgs, 0x2d6aa13b, 0x3839, 0x4a15, 0x92, 0xfc, 0xd8, 0x8b, 0x3c,
                 0x0d, 0x9c, 0x9d)
VESKO_ENGINE_IID(ICoreWebView2MoveFocusRequestedEventHandler, 0x69035451, 0x6dc7, 0x4cb8, 0x9b, 0xce, 0xb2, 0xbd,
                 0x70, 0xad, 0x28, 0x9f)

struct ICoreWebView2MoveFocusRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON *reason) = 0;  // 3
    // TRUE once the host has put the focus where it wants it; FALSE after the handlers
    // lets the engine move it itself.
    virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL *value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) = 0;  // 5
};

struct ICoreWebView2MoveFocusRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Controller *sender,
                                             ICoreWebView2MoveFocusRequestedEventArgs *args) = 0;  // 3
};
