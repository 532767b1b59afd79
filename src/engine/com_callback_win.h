#pragma once

#include <functional>
#include <type_traits>
#include <utility>

#include "base/com_object_win.h"
#include "engine/engine_focus_interface_win.h"
#include "engine/engine_interface_win.h"

namespace vesko {

// Whether a handler's Invoke takes a result first: a one-shot completion, not an event.
template <typename... Args>
struct FirstIsResult : std::false_type {};
template <typename... Rest>
struct FirstIsResult<HRESULT, Rest...> : std::true_type {};

// Turns a callable into one of the engine's handler objects (IUnknown plus one Invoke).
// The object starts with one reference, owned by whoever created it; the creator hands it
// to the engine and drops its own reference, so the engine's references alone keep it.
// Invoke never lets an exception reach the engine: a throwing or empty callable answers
// E_FAIL. A completion handler (its first argument a result) counts as pending from its
// creation until its first Invoke, or until the engine lets go of it unanswered.
template <typename Interface, typename... Args>
class ComCallback final : public ComObject<Interface, EngineIid<Interface>::value> {
public:
    using InterfaceType = Interface;
    using Callable = std::function<HRESULT(Args...)>;

    explicit ComCallback(Callable callable) : callable_(std::move(callable)) {
        if constexpr (kCompletion) noteAcquired(HeldKind::pendingCallbacks);
    }

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        answer();
        try {
            if (!callable_) return E_FAIL;
            return callable_(args...);
        } catch (...) {
            return E_FAIL;
        }
    }

private:
    static constexpr bool kCompletion = FirstIsResult<Args...>::value;

    ~ComCallback() override { answer(); }
    void answer() {
        if constexpr (kCompletion) {
            if (!answered_) noteReleased(HeldKind::pendingCallbacks);
        }
        answered_ = true;
    }

    Callable callable_;
    bool answered_ = false;
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
using MoveFocusRequestedCallback = ComCallback<ICoreWebView2MoveFocusRequestedEventHandler, ICoreWebView2Controller*,
                                               ICoreWebView2MoveFocusRequestedEventArgs*>;
using WebMessageReceivedCallback = ComCallback<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                                               ICoreWebView2WebMessageReceivedEventArgs*>;
using WebResourceRequestedCallback = ComCallback<ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2*,
                                                 ICoreWebView2WebResourceRequestedEventArgs*>;
using ExecuteScriptCompletedCallback = ComCallback<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;

// A new handler object for `Callback` (one of the names above) holding `callable`. The
// returned pointer owns the object's single reference.
template <typename Callback, typename Callable>
Microsoft::WRL::ComPtr<typename Callback::InterfaceType> makeCallback(Callable&& callable) {
    return makeComObject<Callback>(std::forward<Callable>(callable));
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
extern template class ComCallback<ICoreWebView2MoveFocusRequestedEventHandler, ICoreWebView2Controller*,
                                  ICoreWebView2MoveFocusRequestedEventArgs*>;
extern template class ComCallback<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                                  ICoreWebView2WebMessageReceivedEventArgs*>;
extern template class ComCallback<ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2*,
                                  ICoreWebView2WebResourceRequestedEventArgs*>;
extern template class ComCallback<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;

}  // namespace vesko
