#include "engine/frame_messages_win.h"

#include "engine/com_callback_win.h"
#include "engine/web_messages_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;
using FrameKey = UnsavedInput::FrameKey;

using FrameCreatedCallback =
    ComCallback<ICoreWebView2FrameCreatedEventHandler, ICoreWebView2*, ICoreWebView2FrameCreatedEventArgs*>;
using ChildFrameCreatedCallback =
    ComCallback<ICoreWebView2FrameChildFrameCreatedEventHandler, ICoreWebView2Frame*, ICoreWebView2FrameCreatedEventArgs*>;
using FrameDestroyedCallback = ComCallback<ICoreWebView2FrameDestroyedEventHandler, ICoreWebView2Frame*, IUnknown*>;
using FrameMessageCallback = ComCallback<ICoreWebView2FrameWebMessageReceivedEventHandler, ICoreWebView2Frame*,
                                         ICoreWebView2WebMessageReceivedEventArgs*>;
using FrameNavigationCompletedCallback = ComCallback<ICoreWebView2FrameNavigationCompletedEventHandler,
                                                     ICoreWebView2Frame*, ICoreWebView2NavigationCompletedEventArgs*>;

void adoptFrame(TabHost& host, const std::weak_ptr<TabView>& weak, ICoreWebView2FrameCreatedEventArgs* args);

// The frame's document no longer counts: it was replaced, or the frame went.
void forgetDocument(TabHost& host, TabView& tab, FrameKey key) {
    const bool before = tab.unsaved.any();
    tab.unsaved.frameReplaced(key);
    if (before != tab.unsaved.any()) host.repaint();
}

void listenToFrame(TabHost& host, const std::weak_ptr<TabView>& weak, TabView& tab, ICoreWebView2Frame* frame) {
    TabHost* const owner = &host;
    const FrameKey key = tab.frameListeners.nextKey();
    FrameListeners& listeners = tab.frameListeners;
    // Its end first: whatever else is registered goes with it.
    const HRESULT watched = listeners.listen(
        key, frame, &ICoreWebView2Frame::add_Destroyed, &ICoreWebView2Frame::remove_Destroyed,
        makeCallback<FrameDestroyedCallback>([owner, weak, key](ICoreWebView2Frame*, IUnknown*) {
            if (const auto live = liveTab(weak)) {
                forgetDocument(*owner, *live, key);
                live->frameListeners.remove(key);
            }
            return S_OK;
        }).Get());
    BOOL destroyed = FALSE;
    if (FAILED(watched) || FAILED(frame->IsDestroyed(&destroyed)) || destroyed) {
        // Gone before the tab could listen: nothing of it will ever be heard.
        listeners.remove(key);
        return;
    }

    ComPtr<ICoreWebView2Frame2> frame2;
    if (SUCCEEDED(queryEngineInterface(frame, frame2)) && frame2) {
        listeners.listen(key, frame2.Get(), &ICoreWebView2Frame2::add_WebMessageReceived,
                         &ICoreWebView2Frame2::remove_WebMessageReceived,
                         makeCallback<FrameMessageCallback>(
                             [owner, weak, key](ICoreWebView2Frame*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                                 if (const auto live = liveTab(weak)) handleWebMessage(*owner, *live, args, key);
                                 return S_OK;
                             }).Get());
        listeners.listen(key, frame2.Get(), &ICoreWebView2Frame2::add_NavigationCompleted,
                         &ICoreWebView2Frame2::remove_NavigationCompleted,
                         makeCallback<FrameNavigationCompletedCallback>(
                             [owner, weak, key](ICoreWebView2Frame*, ICoreWebView2NavigationCompletedEventArgs* args) {
                                 // A new document in the frame holds no unsaved input.
                                 BOOL success = FALSE;
                                 const auto live = liveTab(weak);
                                 if (live && args != nullptr && SUCCEEDED(args->get_IsSuccess(&success)) && success) {
                                     forgetDocument(*owner, *live, key);
                                 }
                                 return S_OK;
                             }).Get());
    }
    ComPtr<ICoreWebView2Frame7> frame7;
    if (SUCCEEDED(queryEngineInterface(frame, frame7)) && frame7) {
        listeners.listen(key, frame7.Get(), &ICoreWebView2Frame7::add_FrameCreated,
                         &ICoreWebView2Frame7::remove_FrameCreated,
                         makeCallback<ChildFrameCreatedCallback>(
                             [owner, weak](ICoreWebView2Frame*, ICoreWebView2FrameCreatedEventArgs* args) {
                                 adoptFrame(*owner, weak, args);
                                 return S_OK;
                             }).Get());
    }
}

void adoptFrame(TabHost& host, const std::weak_ptr<TabView>& weak, ICoreWebView2FrameCreatedEventArgs* args) {
    const auto tab = liveTab(weak);
    ComPtr<ICoreWebView2Frame> frame;
    if (!tab || args == nullptr || FAILED(args->get_Frame(&frame)) || !frame) return;
    listenToFrame(host, weak, *tab, frame.Get());
}

}  // namespace

ComPtr<ICoreWebView2FrameCreatedEventHandler> makeFrameCreatedHandler(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<FrameCreatedCallback>([owner, weak](ICoreWebView2*, ICoreWebView2FrameCreatedEventArgs* args) {
        adoptFrame(*owner, weak, args);
        return S_OK;
    });
}

}  // namespace vesko
