#pragma once
// One frame of a view's page as the engine hands it to the host: its name, its own web
// messages, its own children (FrameCreated), the completion of its own navigations and its
// end (Destroyed). The view's FrameTree creates, raises and ends it.

#include <cstdint>
#include <string>

#include "com_support.h"
#include "live_objects.h"
#include "engine/engine_frame_interface_win.h"
#include "event_args.h"

namespace vesko::standin {

class FrameObject final
    : public ComObject<ICoreWebView2Frame7, IID_ICoreWebView2Frame, IID_ICoreWebView2Frame2, IID_ICoreWebView2Frame3,
                       IID_ICoreWebView2Frame4, IID_ICoreWebView2Frame5, IID_ICoreWebView2Frame6,
                       IID_ICoreWebView2Frame7> {
public:
    FrameObject(std::string owner, std::uint32_t id, std::wstring name)
        : owner_(std::move(owner)), id_(id), name_(std::move(name)) {}

    const std::string& owner() const { return owner_; }
    bool destroyed() const { return destroyed_; }
    EventList<ICoreWebView2FrameWebMessageReceivedEventHandler>& webMessageReceived() { return webMessageReceived_; }
    EventList<ICoreWebView2FrameDestroyedEventHandler>& destroyedEvent() { return destroyedEvent_; }
    EventList<ICoreWebView2FrameChildFrameCreatedEventHandler>& frameCreated() { return frameCreated_; }
    EventList<ICoreWebView2FrameNavigationCompletedEventHandler>& navigationCompleted() { return navigationCompleted_; }
    // The frame has gone: IsDestroyed answers TRUE from its Destroyed event on; the host's
    // handlers are let go once that event has run.
    void markDestroyed() { destroyed_ = true; }
    void dropHandlers();

    HRESULT STDMETHODCALLTYPE get_Name(LPWSTR* name) override { return answerText(owner_, "get_Name", name_, name); }
    HRESULT STDMETHODCALLTYPE add_Destroyed(ICoreWebView2FrameDestroyedEventHandler* h, EventRegistrationToken* t) override { return addTo(destroyedEvent_, h, t, "add_Destroyed"); }
    HRESULT STDMETHODCALLTYPE remove_Destroyed(EventRegistrationToken t) override { return removeFrom(destroyedEvent_, t, "remove_Destroyed"); }
    HRESULT STDMETHODCALLTYPE IsDestroyed(BOOL* destroyed) override { return answerValue(owner_, "IsDestroyed", destroyed, destroyed_ ? TRUE : FALSE); }
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2FrameNavigationCompletedEventHandler* h, EventRegistrationToken* t) override { return addTo(navigationCompleted_, h, t, "add_NavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken t) override { return removeFrom(navigationCompleted_, t, "remove_NavigationCompleted"); }
    HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2FrameWebMessageReceivedEventHandler* h, EventRegistrationToken* t) override { return addTo(webMessageReceived_, h, t, "add_WebMessageReceived"); }
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken t) override { return removeFrom(webMessageReceived_, t, "remove_WebMessageReceived"); }
    HRESULT STDMETHODCALLTYPE get_FrameId(UINT32* value) override { return answerValue(owner_, "get_FrameId", value, id_); }
    HRESULT STDMETHODCALLTYPE add_FrameCreated(ICoreWebView2FrameChildFrameCreatedEventHandler* h, EventRegistrationToken* t) override { return addTo(frameCreated_, h, t, "add_FrameCreated"); }
    HRESULT STDMETHODCALLTYPE remove_FrameCreated(EventRegistrationToken t) override { return removeFrom(frameCreated_, t, "remove_FrameCreated"); }

    // Everything the program never calls.
    HRESULT STDMETHODCALLTYPE add_NameChanged(ICoreWebView2FrameNameChangedEventHandler*, EventRegistrationToken*) override { return unsupported("add_NameChanged"); }
    HRESULT STDMETHODCALLTYPE remove_NameChanged(EventRegistrationToken) override { return unsupported("remove_NameChanged"); }
    HRESULT STDMETHODCALLTYPE AddHostObjectToScriptWithOrigins(LPCWSTR, VARIANT*, UINT32, LPCWSTR*) override { return unsupported("AddHostObjectToScriptWithOrigins"); }
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override { return unsupported("RemoveHostObjectFromScript"); }
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2FrameNavigationStartingEventHandler*, EventRegistrationToken*) override { return unsupported("add_NavigationStarting"); }
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken) override { return unsupported("remove_NavigationStarting"); }
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2FrameContentLoadingEventHandler*, EventRegistrationToken*) override { return unsupported("add_ContentLoading"); }
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken) override { return unsupported("remove_ContentLoading"); }
    HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(ICoreWebView2FrameDOMContentLoadedEventHandler*, EventRegistrationToken*) override { return unsupported("add_DOMContentLoaded"); }
    HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken) override { return unsupported("remove_DOMContentLoaded"); }
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*) override { return unsupported("ExecuteScript"); }
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR) override { return unsupported("PostWebMessageAsJson"); }
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR) override { return unsupported("PostWebMessageAsString"); }
    HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2FramePermissionRequestedEventHandler*, EventRegistrationToken*) override { return unsupported("add_PermissionRequested"); }
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken) override { return unsupported("remove_PermissionRequested"); }
    HRESULT STDMETHODCALLTYPE PostSharedBufferToScript(ICoreWebView2SharedBuffer*, COREWEBVIEW2_SHARED_BUFFER_ACCESS, LPCWSTR) override { return unsupported("PostSharedBufferToScript"); }
    HRESULT STDMETHODCALLTYPE add_ScreenCaptureStarting(ICoreWebView2FrameScreenCaptureStartingEventHandler*, EventRegistrationToken*) override { return unsupported("add_ScreenCaptureStarting"); }
    HRESULT STDMETHODCALLTYPE remove_ScreenCaptureStarting(EventRegistrationToken) override { return unsupported("remove_ScreenCaptureStarting"); }

private:
    HRESULT unsupported(const char* method) { return answerUnsupported(owner_, method); }
    // A frame that has gone takes no new handlers; removing one always works.
    template <typename Handler>
    HRESULT addTo(EventList<Handler>& list, Handler* handler, EventRegistrationToken* token, const char* method) {
        record(owner_, method);
        if (destroyed_) return kClosed;
        return list.add(handler, token);
    }
    template <typename Handler>
    HRESULT removeFrom(EventList<Handler>& list, EventRegistrationToken token, const char* method) {
        record(owner_, method, std::to_string(token.value));
        return list.remove(token);
    }

    std::string owner_;
    std::uint32_t id_;
    std::wstring name_;
    bool destroyed_ = false;
    EventList<ICoreWebView2FrameWebMessageReceivedEventHandler> webMessageReceived_;
    EventList<ICoreWebView2FrameDestroyedEventHandler> destroyedEvent_;
    EventList<ICoreWebView2FrameChildFrameCreatedEventHandler> frameCreated_;
    EventList<ICoreWebView2FrameNavigationCompletedEventHandler> navigationCompleted_;
};

// The argument of both FrameCreated events.
class FrameCreatedArgs final : public ComObject<ICoreWebView2FrameCreatedEventArgs, IID_ICoreWebView2FrameCreatedEventArgs> {
    LiveMark<LiveKind::eventArgs> live_;
public:
    FrameCreatedArgs(std::string owner, ComPtr<FrameObject> frame)
        : owner_(std::move(owner) + ".frameCreated"), frame_(std::move(frame)) {}
    HRESULT STDMETHODCALLTYPE get_Frame(ICoreWebView2Frame** value) override {
        return answerObject(owner_, "get_Frame", static_cast<ICoreWebView2Frame*>(frame_.Get()), value);
    }

private:
    std::string owner_;
    ComPtr<FrameObject> frame_;
};

}  // namespace vesko::standin
