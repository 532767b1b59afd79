#pragma once

#include <atomic>
#include <functional>
#include <utility>

#include "engine/engine_interface_win.h"

namespace vesko {

// Turns a callable into one of the engine's handler objects (IUnknown plus one Invoke).
// The object starts with one reference, owned by whoever created it; the creator hands it
// to the engine and drops its own reference, so the engine's references alone keep it.
// Invoke never lets an exception reach the engine: a throwing or empty callable answers
// E_FAIL.
template <typename Interface, typename... Args>
class ComCallback final : public Interface {
public:
    using InterfaceType = Interface;
    using Callable = std::function<HRESULT(Args...)>;

    ComCallback(const IID& iid, Callable callable) : iid_(iid), callable_(std::move(callable)) {}
    ComCallback(const ComCallback&) = delete;
    ComCallback& operator=(const ComCallback&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, iid_)) return E_NOINTERFACE;
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG remaining = --count_;
        if (remaining == 0) delete this;
        return remaining;
    }

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        try {
            if (!callable_) return E_FAIL;
            return callable_(args...);
        } catch (...) {
            return E_FAIL;
        }
    }

private:
    ~ComCallback() = default;

    std::atomic<ULONG> count_{1};
    IID iid_;
    Callable callable_;
};

// The handler interfaces the program implements, one instantiation each. The navigation
// guard and the frame guard share one instantiation with different callables.
using EnvironmentCompletedCallback =
    ComCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT, ICoreWebView2Environment*>;
using ControllerCompletedCallback =
    ComCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT, ICoreWebView2Controller*>;
using ScriptAddedCallback =
    ComCallback<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT, LPCWSTR>;
using ZoomFactorChangedCallback =
    ComCallback<ICoreWebView2ZoomFactorChangedEventHandler, ICoreWebView2Controller*, IUnknown*>;
using NavigationStartingCallback =
    ComCallback<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*>;
using NewWindowRequestedCallback =
    ComCallback<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs*>;
using PermissionRequestedCallback = ComCallback<ICoreWebView2PermissionRequestedEventHandler, ICoreWebView2*,
                                                ICoreWebView2PermissionRequestedEventArgs*>;
using WindowCloseRequestedCallback =
    ComCallback<ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2*, IUnknown*>;
using DownloadStartingCallback =
    ComCallback<ICoreWebView2DownloadStartingEventHandler, ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs*>;
using SourceChangedCallback =
    ComCallback<ICoreWebView2SourceChangedEventHandler, ICoreWebView2*, ICoreWebView2SourceChangedEventArgs*>;
using HistoryChangedCallback = ComCallback<ICoreWebView2HistoryChangedEventHandler, ICoreWebView2*, IUnknown*>;
using DocumentTitleChangedCallback =
    ComCallback<ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2*, IUnknown*>;
using NavigationCompletedCallback = ComCallback<ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2*,
                                                ICoreWebView2NavigationCompletedEventArgs*>;
using AcceleratorKeyPressedCallback = ComCallback<ICoreWebView2AcceleratorKeyPressedEventHandler,
                                                  ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs*>;
using WebMessageReceivedCallback = ComCallback<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                                               ICoreWebView2WebMessageReceivedEventArgs*>;
using WebResourceRequestedCallback = ComCallback<ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2*,
                                                 ICoreWebView2WebResourceRequestedEventArgs*>;
using ExecuteScriptCompletedCallback = ComCallback<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;

// A new handler object for `Callback` (one of the names above) holding `callable`. The
// returned pointer owns the object's single reference.
template <typename Callback, typename Callable>
Microsoft::WRL::ComPtr<typename Callback::InterfaceType> makeCallback(Callable&& callable) {
    using Interface = typename Callback::InterfaceType;
    Microsoft::WRL::ComPtr<Interface> handler;
    // Adopts the new object's reference. Not Attach: MinGW's ComPtr::Attach adds a reference
    // of its own, MSVC's does not.
    *handler.ReleaseAndGetAddressOf() = new Callback(EngineIid<Interface>::value, std::forward<Callable>(callable));
    return handler;
}

extern template class ComCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT,
                                  ICoreWebView2Environment*>;
extern template class ComCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT,
                                  ICoreWebView2Controller*>;
extern template class ComCallback<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT, LPCWSTR>;
extern template class ComCallback<ICoreWebView2ZoomFactorChangedEventHandler, ICoreWebView2Controller*, IUnknown*>;
extern template class ComCallback<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*,
                                  ICoreWebView2NavigationStartingEventArgs*>;
extern template class ComCallback<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*,
                                  ICoreWebView2NewWindowRequestedEventArgs*>;
extern template class ComCallback<ICoreWebView2PermissionRequestedEventHandler, ICoreWebView2*,
                                  ICoreWebView2PermissionRequestedEventArgs*>;
extern template class ComCallback<ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2*, IUnknown*>;
extern template class ComCallback<ICoreWebView2DownloadStartingEventHandler, ICoreWebView2*,
                                  ICoreWebView2DownloadStartingEventArgs*>;
extern template class ComCallback<ICoreWebView2SourceChangedEventHandler, ICoreWebView2*,
                                  ICoreWebView2SourceChangedEventArgs*>;
extern template class ComCallback<ICoreWebView2HistoryChangedEventHandler, ICoreWebView2*, IUnknown*>;
extern template class ComCallback<ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2*, IUnknown*>;
extern template class ComCallback<ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2*,
                                  ICoreWebView2NavigationCompletedEventArgs*>;
extern template class ComCallback<ICoreWebView2AcceleratorKeyPressedEventHandler, ICoreWebView2Controller*,
                                  ICoreWebView2AcceleratorKeyPressedEventArgs*>;
extern template class ComCallback<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                                  ICoreWebView2WebMessageReceivedEventArgs*>;
extern template class ComCallback<ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2*,
                                  ICoreWebView2WebResourceRequestedEventArgs*>;
extern template class ComCallback<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;

}  // namespace vesko
