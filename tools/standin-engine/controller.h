#pragma once
// The controller the host holds: the view's child window in the host's window, its
// bounds, visibility, zoom and focus, the accelerator keys, the keyboard leaving the
// page, external drops, and closing.

#include <algorithm>
#include <set>

#include "engine/engine_focus_interface_win.h"
#include "engine/engine_lockdown_interface_win.h"
#include "web_view.h"

namespace vesko::standin {

// Zoom factors beyond these are clamped, as the engine does.
inline constexpr double kMinimumZoom = 0.25;
inline constexpr double kMaximumZoom = 5.0;

// The view's child window of parent: it paints the page and passes the user's input on.
HWND createViewWindow(HWND parent, WebView* view);

// Every live controller of this module, for telling ours from anyone else's.
std::set<const void*>& liveControllers();

class Controller final
    : public ComObject<ICoreWebView2Controller4, IID_ICoreWebView2Controller, IID_ICoreWebView2Controller2,
                       IID_ICoreWebView2Controller3, IID_ICoreWebView2Controller4> {
public:
    Controller(std::shared_ptr<EngineContext> context, ComPtr<WebView> view, HWND parent, std::string name)
        : context_(std::move(context)), view_(std::move(view)), name_(std::move(name)) {
        window_ = createViewWindow(parent, view_.Get());
        view_->pipeline().attach(this, window_);
        liveControllers().insert(static_cast<const ICoreWebView2Controller*>(this));
    }
    ~Controller() override {
        liveControllers().erase(static_cast<const ICoreWebView2Controller*>(this));
        shutDown();
    }
    HWND window() const { return window_; }
    WebView* view() const { return view_.Get(); }
    const std::string& name() const { return name_; }
    bool closed() const { return closed_; }
    const EngineContext* context() const { return context_.get(); }
    // The engine closes the controller itself: its browser process has gone.
    void closeByEngine() { shutDown(); }
    // A controller closed between the key and the loop's turn reports nothing: the outcome
    // says so, so whoever waits for it hears of it instead of waiting for ever.
    void raiseKey(COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, INT lParam, const std::shared_ptr<KeyOutcome>& outcome) {
        if (closed_) {
            outcome->gone = outcome->done = true;
            return;
        }
        const auto args = makeComObject<AcceleratorKeyArgs>(name_, kind, key, lParam);
        for (const auto& handler : acceleratorKeyPressed_.handlers()) handler->Invoke(this, args.Get());
        outcome->handled = args->handled();
        outcome->done = true;
    }

    // The keyboard leaves the page. Without a handler that took the focus the engine moves
    // it itself: to the host's next tab stop child window, or, with none, round to the
    // other end of the page.
    void raiseMoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason, const std::shared_ptr<MoveFocusOutcome>& outcome) {
        if (closed_) {
            outcome->done = outcome->gone = true;
            return;
        }
        ComPtr<Controller> keep(this);
        record(name_, "MoveFocusRequested", std::to_string(reason));
        const auto args = makeComObject<MoveFocusArgs>(name_, reason);
        for (const auto& handler : moveFocusRequested_.handlers()) handler->Invoke(this, args.Get());
        outcome->handled = args->handled();
        if (!outcome->handled && !closed_) moveFocusByDefault(reason);
        outcome->focusInView = !closed_ && GetFocus() == window_;
        outcome->done = true;
    }

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* visible) override {
        record(name_, "get_IsVisible");
        if (closed_) return kClosed;
        if (visible == nullptr) return E_POINTER;
        *visible = visible_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override {
        record(name_, "put_IsVisible", boolText(visible));
        if (closed_) return kClosed;
        visible_ = visible != FALSE;
        ShowWindow(window_, visible_ ? SW_SHOWNA : SW_HIDE);
        view_->pipeline().driver().setVisible(visible_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override {
        record(name_, "get_Bounds");
        if (closed_) return kClosed;
        if (bounds == nullptr) return E_POINTER;
        *bounds = bounds_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override {
        record(name_, "put_Bounds",
               std::to_string(bounds.left) + "," + std::to_string(bounds.top) + "," + std::to_string(bounds.right) +
                   "," + std::to_string(bounds.bottom));
        if (closed_) return kClosed;
        bounds_ = bounds;
        MoveWindow(window_, bounds.left, bounds.top, std::max(0L, bounds.right - bounds.left),
                   std::max(0L, bounds.bottom - bounds.top), TRUE);
        view_->pipeline().driver().setSize(static_cast<int>(bounds.right - bounds.left),
                                           static_cast<int>(bounds.bottom - bounds.top));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoom) override {
        record(name_, "get_ZoomFactor");
        if (closed_) return kClosed;
        if (zoom == nullptr) return E_POINTER;
        *zoom = zoom_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoom) override {
        record(name_, "put_ZoomFactor", std::to_string(zoom));
        if (closed_) return kClosed;
        if (FAILED(context_->knobs.zoomRefused)) return context_->knobs.zoomRefused;
        if (!(zoom > 0.0)) return E_INVALIDARG;
        // A supported factor takes effect at once and raises nothing; only a normalised
        // one is reported, as the engine does.
        const double clamped = std::clamp(zoom, kMinimumZoom, kMaximumZoom);
        applyZoom(clamped, clamped != zoom);
        return S_OK;
    }
    // The user zoomed the page (Ctrl with the wheel): the engine reports it.
    void zoomByUser(double zoom) {
        if (!closed_) applyZoom(std::clamp(zoom, kMinimumZoom, kMaximumZoom), true);
    }
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* h,
                                                    EventRegistrationToken* t) override {
        record(name_, "add_ZoomFactorChanged");
        if (closed_) return kClosed;
        return zoomChanged_.add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken t) override {
        record(name_, "remove_ZoomFactorChanged");
        return zoomChanged_.remove(t);
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoom) override {
        const HRESULT placed = put_Bounds(bounds);
        return FAILED(placed) ? placed : put_ZoomFactor(zoom);
    }
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override {
        record(name_, "MoveFocus", std::to_string(reason));
        if (closed_) return kClosed;
        SetFocus(window_);
        // Coming in from the host's frame, the keyboard lands on the page's first or last
        // focusable element; a programmatic move keeps the page's own focus.
        if (reason != COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC) {
            view_->pipeline().driver().focusEdge(reason == COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* h,
                                                        EventRegistrationToken* t) override {
        record(name_, "add_AcceleratorKeyPressed");
        if (closed_) return kClosed;
        return acceleratorKeyPressed_.add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken t) override {
        record(name_, "remove_AcceleratorKeyPressed");
        return acceleratorKeyPressed_.remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parent) override {
        record(name_, "get_ParentWindow");
        if (closed_) return kClosed;
        if (parent == nullptr) return E_POINTER;
        *parent = GetParent(window_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parent) override {
        record(name_, "put_ParentWindow");
        if (closed_) return kClosed;
        if (parent == nullptr || !IsWindow(parent)) return E_INVALIDARG;
        SetParent(window_, parent);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override {
        record(name_, "NotifyParentWindowPositionChanged");
        return closed_ ? kClosed : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        record(name_, "Close");
        if (closed_) return kClosed;
        shutDown();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) override {
        record(name_, "get_CoreWebView2");
        if (closed_) return kClosed;
        if (view == nullptr) return E_POINTER;
        *view = ComPtr<ICoreWebView2>(view_.Get()).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* h,
                                                     EventRegistrationToken* t) override {
        record(name_, "add_MoveFocusRequested");
        if (closed_) return kClosed;
        return moveFocusRequested_.add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken t) override {
        record(name_, "remove_MoveFocusRequested");
        return moveFocusRequested_.remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_GotFocus"); }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken) override { return unsupported("remove_GotFocus"); }
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_LostFocus"); }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken) override { return unsupported("remove_LostFocus"); }

    HRESULT STDMETHODCALLTYPE get_AllowExternalDrop(BOOL* value) override {
        record(name_, "get_AllowExternalDrop");
        if (closed_) return kClosed;
        if (value == nullptr) return E_POINTER;
        *value = allowExternalDrop_ ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowExternalDrop(BOOL value) override {
        record(name_, "put_AllowExternalDrop", boolText(value));
        if (closed_) return kClosed;
        allowExternalDrop_ = value != FALSE;
        return S_OK;
    }
    bool allowsExternalDrop() const { return allowExternalDrop_; }
    HRESULT STDMETHODCALLTYPE get_DefaultBackgroundColor(COREWEBVIEW2_COLOR *) override { return unsupported("get_DefaultBackgroundColor"); }
    HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR) override { return unsupported("put_DefaultBackgroundColor"); }
    HRESULT STDMETHODCALLTYPE get_RasterizationScale(double *) override { return unsupported("get_RasterizationScale"); }
    HRESULT STDMETHODCALLTYPE put_RasterizationScale(double) override { return unsupported("put_RasterizationScale"); }
    HRESULT STDMETHODCALLTYPE get_ShouldDetectMonitorScaleChanges(BOOL *) override { return unsupported("get_ShouldDetectMonitorScaleChanges"); }
    HRESULT STDMETHODCALLTYPE put_ShouldDetectMonitorScaleChanges(BOOL) override { return unsupported("put_ShouldDetectMonitorScaleChanges"); }
    HRESULT STDMETHODCALLTYPE add_RasterizationScaleChanged(ICoreWebView2RasterizationScaleChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_RasterizationScaleChanged"); }
    HRESULT STDMETHODCALLTYPE remove_RasterizationScaleChanged(EventRegistrationToken) override { return unsupported("remove_RasterizationScaleChanged"); }
    HRESULT STDMETHODCALLTYPE get_BoundsMode(COREWEBVIEW2_BOUNDS_MODE *) override { return unsupported("get_BoundsMode"); }
    HRESULT STDMETHODCALLTYPE put_BoundsMode(COREWEBVIEW2_BOUNDS_MODE) override { return unsupported("put_BoundsMode"); }

    ViewState state() const {
        ViewState view = view_->pipeline().state();
        view.zoom = zoom_;
        view.visible = visible_;
        view.bounds = bounds_;
        view.window = window_;
        view.closed = closed_;
        view.allowExternalDrop = allowExternalDrop_;
        view.hiddenPdfToolbarItems = view_->pipeline().settings().hiddenPdfToolbarItems();
        return view;
    }

private:
    HRESULT unsupported(const char* method) {
        record(name_, method, "unsupported");
        return E_NOTIMPL;
    }
    void applyZoom(double zoom, bool report) {
        if (zoom != zoom_) {
            zoom_ = zoom;
            view_->pipeline().driver().setZoom(zoom_);
            if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
        }
        if (!report) return;
        ComPtr<Controller> self(this);
        context_->dispatcher->post([self]() {
            if (self->closed_) return;
            for (const auto& handler : self->zoomChanged_.handlers()) handler->Invoke(self.Get(), nullptr);
        });
    }
    void moveFocusByDefault(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
        const HWND top = GetAncestor(window_, GA_ROOT);
        const bool back = reason == COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS;
        const HWND next = top != nullptr ? GetNextDlgTabItem(top, window_, back ? TRUE : FALSE) : nullptr;
        if (next != nullptr && next != window_ && !IsChild(window_, next)) {
            record(name_, "MoveFocusDefault", "window");
            SetFocus(next);
            return;
        }
        record(name_, "MoveFocusDefault", "cycled");
        SetFocus(window_);
        view_->pipeline().driver().focusEdge(!back);
    }
    void shutDown() {
        if (closed_) return;
        closed_ = true;
        zoomChanged_.clear();
        acceleratorKeyPressed_.clear();
        moveFocusRequested_.clear();
        view_->pipeline().close();
        if (window_ != nullptr) DestroyWindow(window_);
        window_ = nullptr;
    }

    std::shared_ptr<EngineContext> context_;
    ComPtr<WebView> view_;
    std::string name_;
    HWND window_ = nullptr;
    bool closed_ = false;
    bool visible_ = true;
    RECT bounds_{};
    double zoom_ = 1.0;
    // The engine takes files and links dragged in from other programs unless told not to.
    bool allowExternalDrop_ = true;
    EventList<ICoreWebView2ZoomFactorChangedEventHandler> zoomChanged_;
    EventList<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorKeyPressed_;
    EventList<ICoreWebView2MoveFocusRequestedEventHandler> moveFocusRequested_;
};

}  // namespace vesko::standin
