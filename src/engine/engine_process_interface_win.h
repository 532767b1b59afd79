#pragma once
// The engine's interfaces and enumerations for failed processes: the per-view report,
// the environment's report that its browser process is gone, and the frames a failure
// took with it. Written from the engine's published ABI facts, like the main header.

#include "engine/engine_interface_win.h"

enum COREWEBVIEW2_PROCESS_FAILED_KIND : std::int32_t {
    COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED = 0,
    COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED = 1,
    COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE = 2,
    COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED = 3,
    COREWEBVIEW2_PROCESS_FAILED_KIND_UTILITY_PROCESS_EXITED = 4,
    COREWEBVIEW2_PROCESS_FAILED_KIND_SANDBOX_HELPER_PROCESS_EXITED = 5,
    COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED = 6,
    COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_PLUGIN_PROCESS_EXITED = 7,
    COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_BROKER_PROCESS_EXITED = 8,
    COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED = 9,
};

enum COREWEBVIEW2_PROCESS_FAILED_REASON : std::int32_t {
    COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED = 0,
    COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE = 1,
    COREWEBVIEW2_PROCESS_FAILED_REASON_TERMINATED = 2,
    COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED = 3,
    COREWEBVIEW2_PROCESS_FAILED_REASON_LAUNCH_FAILED = 4,
    COREWEBVIEW2_PROCESS_FAILED_REASON_OUT_OF_MEMORY = 5,
    COREWEBVIEW2_PROCESS_FAILED_REASON_PROFILE_DELETED = 6,
};

enum COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND : std::int32_t {
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_NORMAL = 0,
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED = 1,
};

struct ICoreWebView2ProcessFailedEventArgs;
struct ICoreWebView2ProcessFailedEventArgs2;
struct ICoreWebView2ProcessFailedEventArgs3;
struct ICoreWebView2BrowserProcessExitedEventArgs;
struct ICoreWebView2FrameInfoCollection;
struct ICoreWebView2FrameInfoCollectionIterator;
struct ICoreWebView2FrameInfo;

VESKO_ENGINE_IID(ICoreWebView2ProcessFailedEventArgs, 0x8155a9a4, 0x1474, 0x4a86, 0x8c, 0xae, 0x15, 0x1b, 0x0f, 0xa6, 0xb8, 0xca)
VESKO_ENGINE_IID(ICoreWebView2ProcessFailedEventArgs2, 0x4dab9422, 0x46fa, 0x4c3e, 0xa5, 0xd2, 0x41, 0xd2, 0x07, 0x1d, 0x36, 0x80)
VESKO_ENGINE_IID(ICoreWebView2ProcessFailedEventArgs3, 0xab667428, 0x094d, 0x5fd1, 0xb4, 0x80, 0x8b, 0x4c, 0x0f, 0xdb, 0xdf, 0x2f)
VESKO_ENGINE_IID(ICoreWebView2ProcessFailedEventHandler, 0x79e0aea4, 0x990b, 0x42d9, 0xaa, 0x1d, 0x0f, 0xcc, 0x2e, 0x5b, 0xc7, 0xf1)
VESKO_ENGINE_IID(ICoreWebView2BrowserProcessExitedEventArgs, 0x1f00663f, 0xaf8c, 0x4782, 0x9c, 0xdd, 0xdd, 0x01, 0xc5, 0x2e, 0x34, 0xcb)
VESKO_ENGINE_IID(ICoreWebView2BrowserProcessExitedEventHandler, 0xfa504257, 0xa216, 0x4911, 0xa8, 0x60, 0xfe, 0x88, 0x25, 0x71, 0x28, 0x61)
VESKO_ENGINE_IID(ICoreWebView2FrameInfoCollection, 0x8f834154, 0xd38e, 0x4d90, 0xaf, 0xfb, 0x68, 0x00, 0xa7, 0x27, 0x28, 0x39)
VESKO_ENGINE_IID(ICoreWebView2FrameInfoCollectionIterator, 0x1bf89e2d, 0x1b2b, 0x4629, 0xb2, 0x8f, 0x05, 0x09, 0x9b, 0x41, 0xbb, 0x03)
VESKO_ENGINE_IID(ICoreWebView2FrameInfo, 0xda86b8a1, 0xbdf3, 0x4f11, 0x99, 0x55, 0x52, 0x8c, 0xef, 0xa5, 0x97, 0x27)

struct ICoreWebView2ProcessFailedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND *value) = 0;  // 3
};

struct ICoreWebView2ProcessFailedEventArgs2 : public ICoreWebView2ProcessFailedEventArgs {
    virtual HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_PROCESS_FAILED_REASON *reason) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_ExitCode(int *exitCode) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE get_ProcessDescription(LPWSTR *processDescription) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE get_FrameInfosForFailedProcess(ICoreWebView2FrameInfoCollection **frames) = 0;  // 7
};

struct ICoreWebView2ProcessFailedEventArgs3 : public ICoreWebView2ProcessFailedEventArgs2 {
    virtual HRESULT STDMETHODCALLTYPE get_FailureSourceModulePath(LPWSTR *value) = 0;  // 8
};

struct ICoreWebView2ProcessFailedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 *sender, ICoreWebView2ProcessFailedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2BrowserProcessExitedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessExitKind(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32 *value) = 0;  // 4
};

struct ICoreWebView2BrowserProcessExitedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Environment *sender, ICoreWebView2BrowserProcessExitedEventArgs *args) = 0;  // 3
};

struct ICoreWebView2FrameInfoCollection : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetIterator(ICoreWebView2FrameInfoCollectionIterator **value) = 0;  // 3
};

struct ICoreWebView2FrameInfoCollectionIterator : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_HasCurrent(BOOL *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE GetCurrent(ICoreWebView2FrameInfo **value) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE MoveNext(BOOL *value) = 0;  // 5
};

struct ICoreWebView2FrameInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Name(LPWSTR *value) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR *value) = 0;  // 4
};
