#include "navigation_pipeline.h"

#include "lockdown_events.h"

#include <utility>

#include "process_failure.h"
#include "web_view.h"

namespace vesko::standin {

NavigationPipeline::NavigationPipeline(std::shared_ptr<EngineContext> context, std::string name, ICoreWebView2* view,
                                       const ViewSettings& settings)
    : context_(std::move(context)), name_(std::move(name)), view_(view), settings_(settings) {}

void NavigationPipeline::attach(ICoreWebView2Controller* controller, HWND window) {
    controller_ = controller;
    window_ = window;
}

void NavigationPipeline::close() {
    stopUnresponsiveReports(*this);
    closed_ = true;
    window_ = nullptr;
    controller_ = nullptr;
    events_.clear();
    frameTree_.drop();
    if (driver_) driver_->close();
}

void NavigationPipeline::later(std::function<void()> task) {
    ComPtr<ICoreWebView2> keep(view_);
    context_->dispatcher->post([keep, task = std::move(task)]() { task(); });
}

std::function<void()> NavigationPipeline::resumeLater(std::function<void()> task) {
    ComPtr<ICoreWebView2> keep(view_);
    // A deferral completed after the view closed resumes nothing: its event is over.
    return [this, keep, task = std::move(task)]() {
        if (!closed_) later(task);
    };
}

void NavigationPipeline::repaint() const {
    if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
}

// Every step runs later from the message loop, never inside the host's call.
void NavigationPipeline::begin(std::wstring uri, NavigationKind kind, bool userInitiated) {
    // A navigation replaces a hung renderer, as the engine does.
    stopUnresponsiveReports(*this);
    navigated_ = true;
    auto navigation = std::make_shared<Navigation>();
    navigation->id = nextNavigationId_++;
    navigation->uri = std::move(uri);
    navigation->kind = kind;
    navigation->popupFirst = std::exchange(popupFirstPending_, false);
    later([this, navigation, userInitiated]() { raiseStarting(navigation, userInitiated); });
}

void NavigationPipeline::goBack() {
    if (canGoBack()) begin(history_[historyIndex_ - 1].uri, NavigationKind::Back, false);
}

void NavigationPipeline::goForward() {
    if (canGoForward()) begin(history_[historyIndex_ + 1].uri, NavigationKind::Forward, false);
}

// Runs after whatever the host asked for before, so it stops a navigation that a Navigate
// just before it started.
void NavigationPipeline::stop() {
    later([this]() {
        const auto navigation = current_;
        if (navigation && !navigation->completed && !closed_) {
            driver_->stop();
            cancel(navigation);
        }
    });
}

void NavigationPipeline::raiseStarting(const std::shared_ptr<Navigation>& navigation, bool userInitiated) {
    if (closed_) return;
    // A navigation that starts ends the one still under way, whatever the host then
    // decides about the new one.
    const auto superseded = supersede(navigation);
    repaint();
    const auto args = raiseNavigationStarting(navigation->uri, userInitiated, navigation->id);
    if (superseded) cancel(superseded);
    if (!stillCurrent(navigation)) return;
    if (args->cancelled()) {
        cancel(navigation);
        return;
    }
    driver_->load(navigation);
}

bool NavigationPipeline::stillCurrent(const std::shared_ptr<Navigation>& navigation) const {
    return !closed_ && current_ == navigation && !navigation->completed;
}

void NavigationPipeline::enterDocument(const Navigation& navigation) {
    page_.source = navigation.uri;
    failure_.rendererGone = false;
    // The old document's frames go with it, before the new one makes its own.
    frameTree_.destroyAll();
    recordHistory(navigation);
    repaint();
}

void NavigationPipeline::recordHistory(const Navigation& navigation) {
    switch (navigation.kind) {
        case NavigationKind::New:
            if (historyIndex_ >= 0) history_.resize(static_cast<std::size_t>(historyIndex_) + 1);
            history_.push_back({navigation.uri});
            historyIndex_ = static_cast<int>(history_.size()) - 1;
            break;
        case NavigationKind::Back:
            --historyIndex_;
            break;
        case NavigationKind::Forward:
            ++historyIndex_;
            break;
        case NavigationKind::Reload:
            break;
    }
}

void NavigationPipeline::complete(const std::shared_ptr<Navigation>& navigation, bool success,
                                  COREWEBVIEW2_WEB_ERROR_STATUS status) {
    navigation->completed = true;
    repaint();
    const auto args = makeComObject<NavigationCompletedArgs>(name_, success, status, navigation->id);
    for (const auto& handler : events_.navigationCompleted.handlers()) handler->Invoke(view_, args.Get());
}

void NavigationPipeline::cancel(const std::shared_ptr<Navigation>& navigation) {
    complete(navigation, false, context_->knobs.cancelStatus);
}

std::shared_ptr<Navigation> NavigationPipeline::supersede(std::shared_ptr<Navigation> next) {
    std::shared_ptr<Navigation> old = current_ && !current_->completed ? current_ : nullptr;
    if (old && context_->knobs.oldCompletionFirst) {
        cancel(old);
        old.reset();
    }
    current_ = std::move(next);
    return old;
}

ComPtr<NavigationStartingArgs> NavigationPipeline::raiseNavigationStarting(const std::wstring& uri, bool userInitiated,
                                                                           std::uint64_t id) {
    const auto args = makeComObject<NavigationStartingArgs>(name_, uri, userInitiated, id);
    for (const auto& handler : events_.navigationStarting.handlers()) handler->Invoke(view_, args.Get());
    return args;
}

bool NavigationPipeline::raiseFrameNavigationStarting(const std::wstring& uri) {
    const auto args = makeComObject<NavigationStartingArgs>(name_ + ".frame", uri, false, nextNavigationId_++);
    for (const auto& handler : events_.frameNavigationStarting.handlers()) handler->Invoke(view_, args.Get());
    return args->cancelled();
}

void NavigationPipeline::raiseSourceChanged(bool newDocument) {
    const auto args = makeComObject<SourceChangedArgs>(name_, newDocument);
    for (const auto& handler : events_.sourceChanged.handlers()) handler->Invoke(view_, args.Get());
}

void NavigationPipeline::raiseHistoryChanged() {
    for (const auto& handler : events_.historyChanged.handlers()) handler->Invoke(view_, nullptr);
}

void NavigationPipeline::raiseTitleChanged() {
    for (const auto& handler : events_.titleChanged.handlers()) handler->Invoke(view_, nullptr);
}

bool NavigationPipeline::wantsResource(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                                       COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source) const {
    return !events_.webResourceRequested.handlersAfter(resourceHandlersFrom_).empty() &&
           filters_.match(uri, context, source);
}

void NavigationPipeline::raiseResourceRequest(const std::wstring& uri, const std::wstring& method,
                                              COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, ResourceAnswer finish) {
    const auto request = makeComObject<WebResourceRequest>(name_, uri, method);
    auto holder = std::make_shared<ComPtr<WebResourceRequestedArgs>>();
    // A deferral's completion resumes the request from the message loop.
    auto resume = resumeLater([holder, finish]() {
        const auto args = *holder;
        holder->Reset();
        if (args) finish(args->response(), args->requestUri());
    });
    *holder = makeComObject<WebResourceRequestedArgs>(name_, request, context, resume);
    const auto args = *holder;
    for (const auto& handler : events_.webResourceRequested.handlersAfter(resourceHandlersFrom_)) {
        handler->Invoke(view_, args.Get());
    }
    if (args->deferred()) return;
    if (*holder) {
        holder->Reset();
        finish(args->response(), args->requestUri());
    }
}

void NavigationPipeline::runResource(const std::shared_ptr<ResourceOutcome>& outcome,
                                     COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source, std::function<void()> then) {
    page_.logResource(outcome);
    if (closed_) return;
    if (!wantsResource(outcome->uri, outcome->context, source)) {
        finishResource(outcome, nullptr, then);
        return;
    }
    outcome->raised = true;
    raiseResourceRequest(outcome->uri, outcome->method, outcome->context,
                         [this, outcome, then](ICoreWebView2WebResourceResponse* response, const std::wstring&) {
                             finishResource(outcome, response, then);
                         });
}

void ViewPage::logResource(std::shared_ptr<ResourceOutcome> outcome) {
    log.push_back(std::move(outcome));
    if (log.size() > kResourceLogLimit) log.erase(log.begin(), log.begin() + kResourceLogLimit / 2);
    // A request still in flight keeps its body until its answer has been used.
    if (log.size() > kBodiesKept) {
        auto& old = *log[log.size() - kBodiesKept - 1];
        if (old.done) std::string().swap(old.body);
    }
}

void NavigationPipeline::finishResource(const std::shared_ptr<ResourceOutcome>& outcome,
                                        ICoreWebView2WebResourceResponse* response, const std::function<void()>& then) {
    if (const auto answer = snapshotResponse(response)) {
        outcome->answeredByHost = true;
        outcome->status = answer->statusCode;
        outcome->headers = answer->headers;
        outcome->body = answer->body;
    } else {
        checkCertificate(*this, outcome->uri, false, context_->backend->fetch(toUtf8(outcome->uri)),
                         [outcome, then](const FetchResult& fetched) {
                             outcome->networkError = fetched.networkError;
                             outcome->status = fetched.statusCode;
                             for (const auto& [name, value] : fetched.headers) {
                                 outcome->headers.emplace_back(toWide(name), toWide(value));
                             }
                             outcome->body = fetched.body;
                             outcome->done = true;
                             if (then) then();
                         });
        return;
    }
    outcome->done = true;
    if (then) then();
}

void NavigationPipeline::raiseWebMessage(const std::wstring& source, const std::wstring& json) {
    if (closed_) return;
    const auto args = makeComObject<WebMessageArgs>(name_, source, json);
    for (const auto& handler : events_.webMessageReceived.handlers()) handler->Invoke(view_, args.Get());
}

void NavigationPipeline::raiseWindowClose() {
    if (closed_) return;
    for (const auto& handler : events_.windowCloseRequested.handlers()) handler->Invoke(view_, nullptr);
}

void NavigationPipeline::raisePermission(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring& uri,
                                         const std::shared_ptr<PermissionOutcome>& outcome) {
    if (closed_) return;
    const auto args = makeComObject<PermissionArgs>(name_, uri, kind);
    for (const auto& handler : events_.permissionRequested.handlers()) handler->Invoke(view_, args.Get());
    outcome->state = args->state();
    outcome->done = true;
}

void NavigationPipeline::raiseNewWindow(const std::wstring& uri, const std::shared_ptr<NewWindowOutcome>& outcome) {
    if (closed_) return;
    auto holder = std::make_shared<ComPtr<NewWindowArgs>>();
    auto finish = [outcome, holder]() {
        const auto args = *holder;
        holder->Reset();
        if (!args) return;
        args->finish();
        outcome->handled = args->handled();
        outcome->deferralCompleted = args->tookDeferral();
        outcome->newWindow = args->newWindow();
        if (NavigationPipeline* target = pipelineOf(args->newWindow())) {
            target->begin(args->uri().empty() ? L"about:blank" : args->uri(), NavigationKind::New, true);
        } else if (!args->handled()) {
            // Nobody took the request: the engine opens a window of its own.
            outcome->engineWindow = true;
            record("engine", "openWindow", toUtf8(args->uri()));
        }
        outcome->done = true;
    };
    *holder = makeComObject<NewWindowArgs>(name_, uri, resumeLater(finish), [](ICoreWebView2* view) {
        NavigationPipeline* target = pipelineOf(view);
        if (target == nullptr || target->closed() || target->navigated()) return false;
        target->bindAsPopup();
        return true;
    });
    const auto args = *holder;
    for (const auto& handler : events_.newWindowRequested.handlers()) handler->Invoke(view_, args.Get());
    outcome->deferred = args->tookDeferral();
    if (!args->deferred()) finish();
}

void NavigationPipeline::raiseDownload(const std::wstring& uri, const std::wstring& proposed,
                                       const std::shared_ptr<DownloadOutcome>& outcome) {
    if (closed_) return;
    auto holder = std::make_shared<ComPtr<DownloadStartingArgs>>();
    auto finish = [this, outcome, holder, uri]() {
        const auto args = *holder;
        holder->Reset();
        if (!args) return;
        outcome->cancelled = args->cancelled();
        outcome->handled = args->handled();
        outcome->resultPath = args->path();
        if (args->cancelled()) {
            outcome->done = true;
            return;
        }
        driver_->download(uri, args->path(), [outcome](bool written) {
            outcome->written = written;
            outcome->done = true;
        });
    };
    *holder = makeComObject<DownloadStartingArgs>(name_, uri, proposed, context_->knobs.downloadPathRefused,
                                               resumeLater(finish));
    const auto args = *holder;
    for (const auto& handler : events_.downloadStarting.handlers()) handler->Invoke(view_, args.Get());
    outcome->deferred = args->tookDeferral();
    if (!args->deferred()) finish();
}

void NavigationPipeline::raiseProcessFailed(ICoreWebView2ProcessFailedEventArgs* args) {
    ++failure_.reported;
    for (const auto& handler : events_.processFailed.handlers()) handler->Invoke(view_, args);
}

void NavigationPipeline::bindAsPopup() {
    filters_.setAsideExisting();
    resourceHandlersFrom_ = EventList<ICoreWebView2WebResourceRequestedEventHandler>::lastIssued();
    popupFirstPending_ = true;
}

bool NavigationPipeline::raisesDocumentRequest(const Navigation& navigation) const {
    return !navigation.popupFirst || context_->knobs.popupDocumentRaised;
}

ViewState NavigationPipeline::state() const {
    ViewState view;
    view.source = page_.source;
    view.title = page_.title;
    for (const auto& link : page_.model.links) view.links.push_back(toWide(link));
    view.loading = current_ && !current_->completed;
    view.framesPainted = driver_ ? driver_->framesPainted() : 0;
    view.rendererGone = failure_.rendererGone;
    view.unresponsive = failure_.unresponsive;
    view.processFailures = failure_.reported;
    return view;
}

}  // namespace vesko::standin
