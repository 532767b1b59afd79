// What the stand-in's public functions do with its controllers: creating one for a host,
// and a page's doings on command (requests, messages, pop-ups, permissions, downloads,
// keys, navigations), each delivered later from the message loop.
#include <array>
#include <algorithm>

#include "chromium_page_driver.h"
#include "controller.h"

namespace vesko::standin {

void startController(const std::shared_ptr<EngineContext>& context, ICoreWebView2Environment* environment,
                     HWND parent, const std::wstring& /*profileName*/,
                     ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler) {
    ComPtr<ICoreWebView2Environment> keep(environment);
    context->dispatcher->post([context, keep, parent, handler, pending = holdCompletion()]() {
        // The browser this environment ran on has gone; only a new environment starts one.
        if (context->browserExited) {
            handler->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_STATE), nullptr);
            return;
        }
        if (FAILED(context->knobs.controllerFailed)) {
            handler->Invoke(context->knobs.controllerFailed, nullptr);
            return;
        }
        // The parent window went before the creation completed.
        if (!IsWindow(parent)) {
            handler->Invoke(E_ABORT, nullptr);
            return;
        }
        const int number = nextObjectNumber();
        auto view = makeComObject<WebView>(context, keep, "view#" + std::to_string(number));
        auto controller = makeComObject<Controller>(context, view, parent, "controller#" + std::to_string(number));
        if (context->pump) {
            // The controller is reported once its page exists in the browser.
            auto& pipeline = view->pipeline();
            pipeline.setDriver(std::make_unique<ChromiumPageDriver>(pipeline, [handler, controller, parent](bool ready) {
                const bool parentGone = !IsWindow(parent);
                if (ready && !parentGone && !controller->closed()) {
                    handler->Invoke(S_OK, controller.Get());
                    return;
                }
                controller->Close();
                handler->Invoke(parentGone ? E_ABORT : E_FAIL, nullptr);
            }));
            return;
        }
        handler->Invoke(S_OK, controller.Get());
    });
}

std::optional<ViewState> snapshotController(ICoreWebView2Controller* controller) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return std::nullopt;
    return static_cast<Controller*>(controller)->state();
}

std::optional<ViewState> readView(ICoreWebView2Controller* controller) {
    return snapshotController(controller);
}

Microsoft::WRL::ComPtr<ICoreWebView2WebResourceRequestedEventArgs> makeResourceRequestArgs(
    std::wstring uri, std::wstring method, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    const auto request = makeComObject<WebResourceRequest>("page", std::move(uri), std::move(method));
    auto args = makeComObject<WebResourceRequestedArgs>("page", request, context, [] {});
    return ComPtr<ICoreWebView2WebResourceRequestedEventArgs>(args.Get());
}

namespace {

Controller* liveController(ICoreWebView2Controller* controller) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return nullptr;
    return static_cast<Controller*>(controller);
}

}  // namespace

std::shared_ptr<ResourceOutcome> requestResource(ICoreWebView2Controller* controller, std::wstring uri,
                                                 std::wstring method, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                                                 COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<ResourceOutcome>();
    outcome->uri = std::move(uri);
    outcome->method = std::move(method);
    outcome->context = context;
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, outcome, source]() { view->pipeline().runResource(outcome, source, nullptr); });
    return outcome;
}

std::vector<std::shared_ptr<ResourceOutcome>> resourceLog(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    return live != nullptr ? live->view()->pipeline().page().log : std::vector<std::shared_ptr<ResourceOutcome>>{};
}

std::vector<FrameState> frames(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    return live != nullptr ? live->view()->pipeline().page().frames : std::vector<FrameState>{};
}

bool postWebMessage(ICoreWebView2Controller* controller, std::wstring source, std::wstring json) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return false;
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, source, json]() { view->pipeline().raiseWebMessage(source, json); });
    return true;
}

std::vector<LiveFrame> liveFrames(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    std::vector<LiveFrame> list;
    if (live == nullptr) return list;
    for (const auto& frame : live->view()->pipeline().frameTree().frames()) {
        list.push_back({frame.id, frame.parent, frame.name, frame.source});
    }
    return list;
}

bool postFrameMessage(ICoreWebView2Controller* controller, std::uint32_t frame, std::wstring json) {
    Controller* const live = liveController(controller);
    if (live == nullptr || live->view()->pipeline().frameTree().find(frame) == nullptr) return false;
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, frame, json]() {
        if (view->pipeline().settings().webMessagesEnabled()) view->pipeline().frameTree().post(frame, json);
    });
    return true;
}

bool navigateFrame(ICoreWebView2Controller* controller, std::uint32_t frame, std::wstring uri) {
    Controller* const live = liveController(controller);
    // Only the site's frames are simulated; a Chromium page's frames navigate themselves.
    if (live == nullptr || live->view()->pipeline().frameTree().find(frame) == nullptr ||
        live->view()->pipeline().context().backendKind != BackendKind::siteFolder) {
        return false;
    }
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, frame, uri]() {
        NavigationPipeline& pipeline = view->pipeline();
        pipeline.frameTree().navigated(frame, uri, true, pipeline.nextNavigationId());
    });
    return true;
}

std::shared_ptr<NewWindowOutcome> requestNewWindow(ICoreWebView2Controller* controller, std::wstring uri) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<NewWindowOutcome>();
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, uri, outcome]() { view->pipeline().raiseNewWindow(uri, outcome); });
    return outcome;
}

bool requestWindowClose(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return false;
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view]() { view->pipeline().raiseWindowClose(); });
    return true;
}

std::shared_ptr<PermissionOutcome> requestPermission(ICoreWebView2Controller* controller,
                                                     COREWEBVIEW2_PERMISSION_KIND kind, std::wstring uri) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<PermissionOutcome>();
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, kind, uri, outcome]() { view->pipeline().raisePermission(kind, uri, outcome); });
    return outcome;
}

std::shared_ptr<DownloadOutcome> startDownload(ICoreWebView2Controller* controller, std::wstring uri,
                                               std::wstring proposedPath) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<DownloadOutcome>();
    ComPtr<WebView> view(live->view());
    view->pipeline().later([view, uri, proposedPath, outcome]() {
        view->pipeline().raiseDownload(uri, proposedPath, outcome);
    });
    return outcome;
}

std::shared_ptr<KeyOutcome> pressKey(ICoreWebView2Controller* controller, COREWEBVIEW2_KEY_EVENT_KIND kind,
                                     UINT virtualKey, bool repeat, std::optional<HeldModifiers> held) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<KeyOutcome>();
    ComPtr<Controller> keep(live);
    const bool up = kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP || kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP;
    // A repeat count of 1; the previous state set for a repeat and for key-up, the
    // transition bit for key-up.
    const auto lParam = static_cast<INT>(1u | (repeat || up ? 1u << 30 : 0u) | (up ? 1u << 31 : 0u));
    live->view()->pipeline().later([keep, kind, virtualKey, lParam, outcome, held]() {
        std::array<BYTE, 256> saved{};
        if (held) {
            GetKeyboardState(saved.data());
            std::array<BYTE, 256> state = saved;
            const auto set = [&](int vk, bool down) { state[vk] = down ? 0x80 : 0; };
            set(VK_CONTROL, held->ctrl), set(VK_LCONTROL, held->ctrl), set(VK_SHIFT, held->shift);
            set(VK_LSHIFT, held->shift), set(VK_MENU, held->alt), set(VK_LMENU, held->alt);
            SetKeyboardState(state.data());
        }
        keep->raiseKey(kind, virtualKey, lParam, outcome);
        if (held) SetKeyboardState(saved.data());
    });
    return outcome;
}

std::shared_ptr<MoveFocusOutcome> raiseMoveFocusRequested(ICoreWebView2Controller* controller,
                                                          COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    Controller* const live = liveController(controller);
    if (live == nullptr) return nullptr;
    auto outcome = std::make_shared<MoveFocusOutcome>();
    ComPtr<Controller> keep(live);
    live->view()->pipeline().later([keep, reason, outcome]() { keep->raiseMoveFocus(reason, outcome); });
    return outcome;
}

bool zoomByUser(ICoreWebView2Controller* controller, double zoom) {
    Controller* const live = liveController(controller);
    if (live == nullptr || live->closed()) return false;
    live->zoomByUser(zoom);
    return true;
}

namespace {

// The host's controllers that are open (or closed), in creation order, with the record's names.
std::vector<LiveView> viewsWhere(bool closed) {
    std::vector<std::pair<int, LiveView>> numbered;
    for (const void* entry : liveControllers()) {
        Controller* const controller =
            liveController(static_cast<ICoreWebView2Controller*>(const_cast<void*>(entry)));
        if (controller == nullptr || controller->closed() != closed) continue;
        const std::string& name = controller->name();
        const std::string number = name.substr(name.find('#') + 1);
        numbered.push_back({std::stoi(number),
                            {name, "view#" + number, controller, static_cast<ICoreWebView2*>(controller->view())}});
    }
    std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<LiveView> views;
    for (auto& [number, view] : numbered) views.push_back(std::move(view));
    return views;
}

}  // namespace

std::vector<LiveView> liveViews() {
    return viewsWhere(false);
}

std::vector<LiveView> closedViews() {
    return viewsWhere(true);
}

bool navigateFromPage(ICoreWebView2Controller* controller, std::wstring uri, bool userInitiated) {
    Controller* const live = liveController(controller);
    if (live == nullptr || live->closed() || uri.empty()) return false;
    if (!live->view()->pipeline().closed()) {
        live->view()->pipeline().begin(std::move(uri), NavigationKind::New, userInitiated);
    }
    return true;
}

std::vector<std::wstring> documentScripts(ICoreWebView2Controller* controller) {
    Controller* const live = liveController(controller);
    std::vector<std::wstring> texts;
    if (live == nullptr) return texts;
    for (const auto& entry : live->view()->pipeline().page().documentScripts) texts.push_back(entry.second);
    return texts;
}

}  // namespace vesko::standin
