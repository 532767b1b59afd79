#include "chromium_page_driver.h"

#include <windowsx.h>

#include <cstdio>

#include "controller.h"
#include "site_page_driver.h"

namespace vesko::standin {

ChromiumPageDriver::ChromiumPageDriver(NavigationPipeline& pipeline, std::function<void(bool)> ready)
    : pipeline_(pipeline), page_(std::make_unique<ChromiumPage>(pipeline.context().pump, *this, std::move(ready))) {
    startLivenessCheck();
}

ChromiumPageDriver::~ChromiumPageDriver() { stopLivenessCheck(); }

void ChromiumPageDriver::load(const std::shared_ptr<Navigation>& navigation) {
    if (!page_) return;
    // The page's own request for the document comes back through documentRequested.
    navigation->awaitingDocument = navigation->uri != L"about:blank";
    stoppedUri_.clear();  // whatever it asks for now is its own
    // A hung page's script is stopped first, so the new document can come in.
    if (hanging_) page_->terminateScript();
    if (navigation->kind == NavigationKind::Reload) {
        page_->reload();
    } else {
        page_->navigate(navigation->uri);
    }
}

// Chromium may have asked for the stopped load's document before it handles the stop, and
// even after it has answered (seen): the stop takes hold in the browser a moment later.
void ChromiumPageDriver::stop() {
    if (!page_) return;
    const auto navigation = pipeline_.current();
    stoppedUri_ = navigation && !navigation->committed ? navigation->uri : std::wstring();
    ++stopsInFlight_;
    page_->stop([this] { --stopsInFlight_; });
}

// Done once the browser has it, so a navigation asked for after the completion finds it
// in place.
void ChromiumPageDriver::addDocumentScript(const std::wstring& id, const std::wstring& script, ScriptAdded done) {
    if (page_) page_->addDocumentScript(id, script, std::move(done));
}

void ChromiumPageDriver::removeDocumentScript(const std::wstring& id) {
    if (page_) page_->removeDocumentScript(id);
}

void ChromiumPageDriver::evaluate(const std::wstring& script, ScriptDone done) {
    if (page_) page_->evaluate(script, std::move(done));
}

void ChromiumPageDriver::download(const std::wstring& uri, const std::wstring& path, std::function<void(bool)> done) {
    // The page's own fetch reads it, with its cookies; a closed view's page is gone.
    if (page_) {
        page_->download(uri, path, std::move(done));
    } else {
        done(writeFetchedFile(*pipeline_.context().backend, uri, path));
    }
}

void ChromiumPageDriver::close() {
    stopLivenessCheck();
    page_.reset();
}

std::optional<LRESULT> ChromiumPageDriver::windowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!page_ || !page_->forwardInput(window, message, wParam, lParam)) return std::nullopt;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
        message == WM_KEYDOWN || message == WM_CHAR) {
        lastInputTick_ = GetTickCount64();
        stoppedUri_.clear();
    }
    // Presses and releases go into the record, so a test can tell a lost click from a page
    // that ignored one.
    if (message != WM_MOUSEMOVE) {
        char code[8];
        std::snprintf(code, sizeof code, "%04x", message);
        record(pipeline_.name(), "Input", "0x" + std::string(code) + " " + std::to_string(GET_X_LPARAM(lParam)) + "," +
                                              std::to_string(GET_Y_LPARAM(lParam)));
    }
    // Alt+F4 and the window menu stay the system's.
    if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) return DefWindowProcW(window, message, wParam, lParam);
    return 0;
}

bool ChromiumPageDriver::paint(HDC dc, const RECT& client) const {
    // After its renderer ended the page shows the engine's error page, not its last frame.
    return page_ && !pipeline_.failure().rendererGone && page_->paint(dc, client);
}

void ChromiumPageDriver::setSize(int width, int height) {
    if (page_) page_->setSize(width, height);
}

void ChromiumPageDriver::setZoom(double zoom) {
    if (page_) page_->setZoom(zoom);
}

void ChromiumPageDriver::setVisible(bool visible) {
    if (page_) page_->setVisible(visible);
}

std::uint64_t ChromiumPageDriver::framesPainted() const {
    return page_ ? page_->framesReceived() : 0;
}

void ChromiumPageDriver::focusEdge(bool first) {
    if (page_) page_->focusEdge(first);
}

void ChromiumPageDriver::focusLeft(bool forward) {
    auto* const controller = static_cast<Controller*>(pipeline_.controller());
    if (controller == nullptr) return;
    ComPtr<Controller> keep(controller);
    keep->raiseMoveFocus(forward ? COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT : COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS,
                         std::make_shared<MoveFocusOutcome>());
}

void ChromiumPageDriver::documentRequested(ChromiumRequest request, bool mainFrame) {
    if (pipeline_.closed()) {
        request.abort();
        return;
    }
    if (!mainFrame) {
        frameRequested(std::move(request));
        return;
    }
    std::shared_ptr<Navigation> navigation = pipeline_.current();
    const bool ours = navigation && !navigation->completed && (navigation->awaitingDocument || request.redirected);
    // The stopped load's request, sent before Chromium had the stop or still on its way
    // after Chromium answered it: Chromium drops that navigation, so nothing may start
    // from it. After the user's input or a new load a request is a new navigation's.
    if (!ours && (stopsInFlight_ > 0 || (!stoppedUri_.empty() && request.uri == stoppedUri_))) {
        request.abort();
        return;
    }
    if (!ours || request.redirected) {
        std::shared_ptr<Navigation> superseded;
        if (!ours) {
            // The page moves itself (a link, a form, script): the host hears of it
            // before any byte is asked for, and may stop it.
            pipeline_.markNavigated();
            navigation = std::make_shared<Navigation>();
            navigation->id = pipeline_.nextNavigationId();
            navigation->kind = NavigationKind::New;
            superseded = pipeline_.supersede(navigation);
        }
        navigation->uri = request.uri;
        const bool userInitiated = GetTickCount64() - lastInputTick_ < 1000;
        const auto args = pipeline_.raiseNavigationStarting(navigation->uri, userInitiated, navigation->id);
        if (superseded) pipeline_.cancel(superseded);
        if (!pipeline_.stillCurrent(navigation)) {
            request.abort();
            return;
        }
        if (args->cancelled()) {
            request.abort();
            pipeline_.cancel(navigation);
            return;
        }
    }
    navigation->awaitingDocument = false;
    raiseChromiumRequest(std::move(request), pipeline_.raisesDocumentRequest(*navigation));
}

void ChromiumPageDriver::frameRequested(ChromiumRequest request) {
    const bool refused = pipeline_.raiseFrameNavigationStarting(request.uri);
    const bool cancelled = pipeline_.closed() || refused;
    pipeline_.page().frames.push_back({request.uri, 1, cancelled});
    if (cancelled) {
        request.abort();
        return;
    }
    raiseChromiumRequest(std::move(request));
}

void ChromiumPageDriver::resourceRequested(ChromiumRequest request) {
    if (pipeline_.closed()) {
        request.abort();
        return;
    }
    raiseChromiumRequest(std::move(request));
}

// Raised to the host when a filter matches; its response is served, else the request
// goes to the network.
void ChromiumPageDriver::raiseChromiumRequest(ChromiumRequest request, bool mayRaise) {
    auto outcome = std::make_shared<ResourceOutcome>();
    outcome->uri = request.uri;
    outcome->method = request.method;
    outcome->context = request.context;
    pipeline_.page().logResource(outcome);
    auto held = std::make_shared<ChromiumRequest>(std::move(request));
    const auto finish = [outcome, held](ICoreWebView2WebResourceResponse* response) {
        if (const auto answer = snapshotResponse(response)) {
            outcome->answeredByHost = true;
            outcome->status = answer->statusCode;
            outcome->headers = answer->headers;
            held->answer(answer->statusCode, answer->reasonPhrase, answer->headers, answer->body);
        } else {
            held->proceed();
        }
        outcome->done = true;
    };
    if (!mayRaise ||
        !pipeline_.wantsResource(outcome->uri, outcome->context, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT)) {
        finish(nullptr);
        return;
    }
    outcome->raised = true;
    pipeline_.raiseResourceRequest(outcome->uri, outcome->method, outcome->context,
                                   [finish](ICoreWebView2WebResourceResponse* response, const std::wstring&) {
                                       finish(response);
                                   });
}

void ChromiumPageDriver::documentCommitted(const std::wstring& uri, bool sameDocument) {
    if (pipeline_.closed()) return;
    if (sameDocument) {
        pipeline_.page().source = uri;
        pipeline_.raiseSourceChanged(false);
        if (pipeline_.closed()) return;
        pipeline_.raiseHistoryChanged();
        return;
    }
    std::shared_ptr<Navigation> navigation = pipeline_.current();
    bool stoppedLoad = false;
    if (!navigation || navigation->completed) {
        // A document the page loaded without a request this side saw (about:blank), or the
        // stopped load's, which Chromium may still commit after the stop: the host hears of
        // the new document, but the stopped navigation has ended and no other is under way.
        navigation = std::make_shared<Navigation>();
        navigation->id = pipeline_.nextNavigationId();
        stoppedLoad = !stoppedUri_.empty() && uri == stoppedUri_;
        pipeline_.current() = navigation;
    }
    navigation->awaitingDocument = false;
    navigation->committed = true;
    navigation->uri = uri;
    pipeline_.page().model = PageModel{};
    pipeline_.page().frames.clear();
    pipeline_.enterDocument(*navigation);
    pipeline_.raiseSourceChanged(true);
    if (!pipeline_.stillCurrent(navigation)) return;
    if (navigation->kind != NavigationKind::Reload) pipeline_.raiseHistoryChanged();
    if (stoppedLoad) navigation->completed = true;
}

void ChromiumPageDriver::titleChanged(const std::wstring& reported) {
    // A document without a title shows its address.
    const std::wstring title = reported.empty() ? pipeline_.page().source : reported;
    if (pipeline_.closed() || title == pipeline_.page().title) return;
    pipeline_.page().title = title;
    pipeline_.raiseTitleChanged();
}

void ChromiumPageDriver::documentLoaded(int httpStatus) {
    const auto navigation = pipeline_.current();
    if (!navigation || pipeline_.closed() || navigation->completed || navigation->awaitingDocument) return;
    pipeline_.complete(navigation, httpStatus < 400, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
}

void ChromiumPageDriver::documentFailed(COREWEBVIEW2_WEB_ERROR_STATUS status) {
    const auto navigation = pipeline_.current();
    if (!navigation || pipeline_.closed() || navigation->completed) return;
    pipeline_.complete(navigation, false, status);
}

void ChromiumPageDriver::messagePosted(const std::wstring& source, const std::wstring& json, const std::string& frameId) {
    record(pipeline_.name(), "PagePostedMessage", toUtf8(source) + " " + toUtf8(json.substr(0, 200)));
    if (page_) page_->refreshSoon();
    if (!pipeline_.settings().webMessagesEnabled()) return;
    if (frameId.empty()) {
        pipeline_.raiseWebMessage(source, json);
    } else if (const auto* frame = pipeline_.frameTree().findByKey(frameId)) {
        pipeline_.frameTree().post(frame->id, json);
    }
}

void ChromiumPageDriver::frameNavigated(const std::string& frameId, const std::string& parentId,
                                        const std::wstring& name, const std::wstring& uri) {
    if (pipeline_.closed()) return;
    FrameTree& frames = pipeline_.frameTree();
    if (const auto* known = frames.findByKey(frameId)) {
        frames.navigated(known->id, uri, true, pipeline_.nextNavigationId());
        return;
    }
    std::uint32_t parent = 0;
    if (!parentId.empty()) {
        const auto* parentFrame = frames.findByKey(parentId);
        if (parentFrame == nullptr) return;
        parent = parentFrame->id;
    }
    frames.create(parent, name, uri, frameId);
}

void ChromiumPageDriver::frameDetached(const std::string& frameId) {
    if (const auto* frame = pipeline_.frameTree().findByKey(frameId)) pipeline_.frameTree().destroy(frame->id);
}

void ChromiumPageDriver::closeRequested() { pipeline_.raiseWindowClose(); }
void ChromiumPageDriver::newWindowRequested(const std::wstring& uri) {
    pipeline_.raiseNewWindow(uri, std::make_shared<NewWindowOutcome>());
}

void ChromiumPageDriver::downloadRequested(const std::wstring& uri, const std::wstring& suggestedName) {
    if (pipeline_.closed()) return;
    // A navigation whose answer turned out to be a file ends there, failed as aborted,
    // before the download is offered: the page stays as it was.
    if (pipeline_.current() && !pipeline_.current()->completed && !pipeline_.current()->committed) {
        pipeline_.complete(pipeline_.current(), false, COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_ABORTED);
    }
    // The engine proposes the user's download folder.
    wchar_t profile[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
    const std::wstring folder = length > 0 && length < MAX_PATH ? std::wstring(profile, length) + L"\\Downloads\\"
                                                                : std::wstring(L"C:\\");
    const std::wstring fallback = suggestedName.empty() ? L"download" : suggestedName;
    if (!page_) return pipeline_.raiseDownload(uri, folder + fallback, std::make_shared<DownloadOutcome>());
    // Chromium replaces format characters (a right-to-left override) in the name it
    // suggests; the engine promises no such cleaning, so a link's download attribute names
    // the file as the page wrote it.
    page_->linkDownloadName(uri, [this, uri, folder, fallback](const std::wstring& linkName) {
        if (pipeline_.closed()) return;
        pipeline_.raiseDownload(uri, folder + (linkName.empty() ? fallback : linkName), std::make_shared<DownloadOutcome>());
    });
}

void ChromiumPageDriver::permissionRequested(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring& uri,
                         std::function<void(bool allowed)> answer) {
    auto outcome = std::make_shared<PermissionOutcome>();
    pipeline_.raisePermission(kind, uri, outcome);
    answer(outcome->done && outcome->state == COREWEBVIEW2_PERMISSION_STATE_ALLOW);
}

// The engine's own dialog, owned by the host's window. Shown from the engine's queue,
// not inside the protocol's delivery, so other views go on while it is open.
void ChromiumPageDriver::scriptDialog(const std::string& type, const std::wstring& message, const std::wstring& uri,
                  std::function<void(bool)> answer) {
    record(pipeline_.name(), "ScriptDialog", type + " " + toUtf8(message.substr(0, 200)));
    // A page waiting on its dialog does not answer the liveness check, and is not hung.
    ++dialogsOpen_;
    pipeline_.later([this, type, message, uri, answer = [this, answer](bool accept) {
                         --dialogsOpen_;
                         answer(accept);
                     }]() {
        if (pipeline_.closed() || !pipeline_.settings().scriptDialogsEnabled()) {
            // Nobody to ask: a notice is taken as read, a question as declined, and
            // leaving the page is allowed.
            answer(type == "alert" || type == "beforeunload");
            return;
        }
        const auto parts = splitHttpUrl(toUtf8(uri));
        const std::wstring caption = parts ? toWide(parts->host) : uri;
        const std::wstring text = type == "beforeunload" ? L"Të largohesh nga faqja? Ndryshimet mund të humbasin."
                                                         : message;
        const UINT style = type == "alert" ? MB_OK | MB_ICONINFORMATION : MB_OKCANCEL | MB_ICONQUESTION;
        const HWND owner = pipeline_.window() != nullptr ? GetAncestor(pipeline_.window(), GA_ROOT) : nullptr;
        const EngineModalScope engineDialog;
        const int chosen = MessageBoxW(owner, text.c_str(), caption.c_str(), style | MB_SETFOREGROUND);
        answer(chosen == IDOK);
    });
}

void ChromiumPageDriver::framePainted() {
    if (pipeline_.window() != nullptr) InvalidateRect(pipeline_.window(), nullptr, FALSE);
}

}  // namespace vesko::standin
