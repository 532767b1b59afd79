#pragma once
// The engine's frame interfaces: the frames a view hands out (FrameCreated on the view and
// on every frame for its own children), each with its own web messages and its end.
// Written from the engine's published ABI facts, like the main header.

#include "engine/engine_interface_win.h"

enum COREWEBVIEW2_FRAME_KIND : std::int32_t {
    COREWEBVIEW2_FRAME_KIND_UNKNOWN = 0,
    COREWEBVIEW2_FRAME_KIND_MAIN_FRAME = 1,
    COREWEBVIEW2_FRAME_KIND_IFRAME = 2,
    COREWEBVIEW2_FRAME_KIND_EMBED = 3,
    COREWEBVIEW2_FRAME_KIND_OBJECT = 4,
};

struct ICoreWebView2Frame;
struct ICoreWebView2Frame2;
struct ICoreWebView2Frame3;
struct ICoreWebView2Frame4;
struct ICoreWebView2Frame5;
struct ICoreWebView2Frame6;
struct ICoreWebView2Frame7;
struct ICoreWebView2FrameCreatedEventHandler;
struct ICoreWebView2FrameCreatedEventArgs;
struct ICoreWebView2FrameChildFrameCreatedEventHandler;
struct ICoreWebView2FrameDestroyedEventHandler;
struct ICoreWebView2FrameWebMessageReceivedEventHandler;
struct ICoreWebView2FrameNameChangedEventHandler;
struct ICoreWebView2FrameNavigationStartingEventHandler;
struct ICoreWebView2FrameNavigationCompletedEventHandler;
struct ICoreWebView2FrameContentLoadingEventHandler;
struct ICoreWebView2FrameDOMContentLoadedEventHandler;
struct ICoreWebView2FramePermissionRequestedEventHandler;
struct ICoreWebView2FrameScreenCaptureStartingEventHandler;
struct ICoreWebView2PermissionRequestedEventArgs2;
struct ICoreWebView2ScreenCaptureStartingEventArgs;
struct ICoreWebView2ContentLoadingEventArgs;
struct ICoreWebView2DOMContentLoadedEventArgs;

VESKO_ENGINE_IID(ICoreWebView2Frame, 0xf1131a5e, 0x9ba9, 0x11eb, 0xa8, 0xb3, 0x02, 0x42, 0xac, 0x13, 0x00, 0x03)
VESKO_ENGINE_IID(ICoreWebView2Frame2, 0x7a6a5834, 0xd185, 0x4dbf, 0xb6, 0x3f, 0x4a, 0x9b, 0xc4, 0x31, 0x07, 0xd4)
VESKO_ENGINE_IID(ICoreWebView2Frame3, 0xb50d82cc, 0xcc28, 0x481d, 0x96, 0x14, 0xcb, 0x04, 0x88, 0x95, 0xe6, 0xa0)
VESKO_ENGINE_IID(ICoreWebView2Frame4, 0x188782dc, 0x92aa, 0x4732, 0xab, 0x3c, 0xfc, 0xc5, 0x9f, 0x6f, 0x68, 0xb9)
VESKO_ENGINE_IID(ICoreWebView2Frame5, 0x99d199c4, 0x7305, 0x11ee, 0xb9, 0x62, 0x02, 0x42, 0xac, 0x12, 0x00, 0x02)
VESKO_ENGINE_IID(ICoreWebView2Frame6, 0x0de611fd, 0x31e9, 0x5ddc, 0x9d, 0x71, 0x95, 0xed, 0xa2, 0x6e, 0xff, 0x32)
VESKO_ENGINE_IID(ICoreWebView2Frame7, 0x3598cfa2, 0xd85d, 0x5a9f, 0x92, 0x28, 0x4d, 0xde, 0x1f, 0x59, 0xec, 0x64)
VESKO_ENGINE_IID(ICoreWebView2FrameCreatedEventHandler, 0x38059770, 0x9baa, 0x11eb, 0xa8, 0xb3, 0x02, 0x42, 0xac, 0x13, 0x00, 0x03)
VESKO_ENGINE_IID(ICoreWebView2FrameCreatedEventArgs, 0x4d6e7b5e, 0x9baa, 0x11eb, 0xa8, 0xb3, 0x02, 0x42, 0xac, 0x13, 0x00, 0x03)
VESKO_ENGINE_IID(ICoreWebView2FrameChildFrameCreatedEventHandler, 0x569e40e7, 0x46b7, 0x563d, 0x83, 0xae, 0x10, 0x73, 0x15, 0x56, 0x64, 0xd7)
VESKO_ENGINE_IID(ICoreWebView2FrameDestroyedEventHandler, 0x59dd7b4c, 0x9baa, 0x11eb, 0xa8, 0xb3, 0x02, 0x42, 0xac, 0x13, 0x00, 0x03)
VESKO_ENGINE_IID(ICoreWebView2FrameWebMessageReceivedEventHandler, 0xe371e005, 0x6d1d, 0x4517, 0x93, 0x4b, 0xa8, 0xf1, 0x62, 0x9c, 0x62, 0xa5)
VESKO_ENGINE_IID(ICoreWebView2FrameNameChangedEventHandler, 0x435c7dc8, 0x9baa, 0x11eb, 0xa8, 0xb3, 0x02, 0x42, 0xac, 0x13, 0x00, 0x03)
VESKO_ENGINE_IID(ICoreWebView2FrameNavigationStartingEventHandler, 0xe79908bf, 0x2d5d, 0x4968, 0x83, 0xdb, 0x26, 0x3f, 0xea, 0x2c, 0x1d, 0xa3)
VESKO_ENGINE_IID(ICoreWebView2FrameNavigationCompletedEventHandler, 0x609302ad, 0x0e36, 0x4f9a, 0xa2, 0x10, 0x6a, 0x45, 0x27, 0x28, 0x42, 0xa9)
VESKO_ENGINE_IID(ICoreWebView2FrameContentLoadingEventHandler, 0x0d6156f2, 0xd332, 0x49a7, 0x9e, 0x03, 0x7d, 0x8f, 0x2f, 0xee, 0xee, 0x54)
VESKO_ENGINE_IID(ICoreWebView2FrameDOMContentLoadedEventHandler, 0x38d9520d, 0x340f, 0x4d1e, 0xa7, 0x75, 0x43, 0xfc, 0xe9, 0x75, 0x36, 0x83)
VESKO_ENGINE_IID(ICoreWebView2FramePermissionRequestedEventHandler, 0x845d0edd, 0x8bd8, 0x429b, 0x99, 0x15, 0x48, 0x21, 0x78, 0x9f, 0x23, 0xe9)
VESKO_ENGINE_IID(ICoreWebView2FrameScreenCaptureStartingEventHandler, 0xa6c1d8ad, 0xbb80, 0x59c5, 0x89, 0x5b, 0xfb, 0xa1, 0x69, 0x8b, 0x93, 0x09)

struct ICoreWebView2Frame : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Name(LPWSTR *name) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE add_NameChanged(ICoreWebView2FrameNameChangedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE remove_NameChanged(EventRegistrationToken token) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE AddHostObjectToScriptWithOrigins(LPCWSTR name, VARIANT *object, UINT32 originsCount, LPCWSTR *origins) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE add_Destroyed(ICoreWebView2FrameDestroyedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 8
    virtual HRESULT STDMETHODCALLTYPE remove_Destroyed(EventRegistrationToken token) = 0;  // 9
    virtual HRESULT STDMETHODCALLTYPE IsDestroyed(BOOL *destroyed) = 0;  // 10
};

struct ICoreWebView2Frame2 : public ICoreWebView2Frame {
    virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2FrameNavigationStartingEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 11
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) = 0;  // 12
    virtual HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2FrameContentLoadingEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 13
    virtual HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken token) = 0;  // 14
    virtual HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2FrameNavigationCompletedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 15
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) = 0;  // 16
    virtual HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(ICoreWebView2FrameDOMContentLoadedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 17
    virtual HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken token) = 0;  // 18
    virtual HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler *handler) = 0;  // 19
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) = 0;  // 20
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) = 0;  // 21
    virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2FrameWebMessageReceivedEventHandler *handler, EventRegistrationToken *token) = 0;  // 22
    virtual HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) = 0;  // 23
};

struct ICoreWebView2Frame3 : public ICoreWebView2Frame2 {
    virtual HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2FramePermissionRequestedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 24
    virtual HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) = 0;  // 25
};

struct ICoreWebView2Frame4 : public ICoreWebView2Frame3 {
    virtual HRESULT STDMETHODCALLTYPE PostSharedBufferToScript(ICoreWebView2SharedBuffer *sharedBuffer, COREWEBVIEW2_SHARED_BUFFER_ACCESS access, LPCWSTR additionalDataAsJson) = 0;  // 26
};

struct ICoreWebView2Frame5 : public ICoreWebView2Frame4 {
    virtual HRESULT STDMETHODCALLTYPE get_FrameId(UINT32 *value) = 0;  // 27
};

struct ICoreWebView2Frame6 : public ICoreWebView2Frame5 {
    virtual HRESULT STDMETHODCALLTYPE add_ScreenCaptureStarting(ICoreWebView2FrameScreenCaptureStartingEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 28
    virtual HRESULT STDMETHODCALLTYPE remove_ScreenCaptureStarting(EventRegistrationToken token) = 0;  // 29
};

struct ICoreWebView2Frame7 : public ICoreWebView2Frame6 {
    virtual HRESULT STDMETHODCALLTYPE add_FrameCreated(ICoreWebView2FrameChildFrameCreatedEventHandler *eventHandler, EventRegistrationToken *token) = 0;  // 30
    virtual HRESULT STDMETHODCALLTYPE remove_FrameCreated(EventRegistrationToken token) = 0;  // 31
};

struct ICoreWebView2FrameCreatedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, ICoreWebView2FrameCreatedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FrameCreatedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Frame(ICoreWebView2Frame **value) = 0;  // 3
};

struct ICoreWebView2FrameChildFrameCreatedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2FrameCreatedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FrameDestroyedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, IUnknown *args) = 0;  // 3
};

struct ICoreWebView2FrameWebMessageReceivedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2WebMessageReceivedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FrameNameChangedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, IUnknown *args) = 0;  // 3
};

struct ICoreWebView2FrameNavigationStartingEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2NavigationStartingEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FrameNavigationCompletedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2NavigationCompletedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FrameContentLoadingEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2ContentLoadingEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FrameDOMContentLoadedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2DOMContentLoadedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FramePermissionRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2PermissionRequestedEventArgs2 *args) = 0;  // 3
};

struct ICoreWebView2FrameScreenCaptureStartingEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Frame *sender, ICoreWebView2ScreenCaptureStartingEventArgs *args) = 0;  // 3
};
