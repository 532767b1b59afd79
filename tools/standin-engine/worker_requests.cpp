// Requests of a page's service or shared worker. A worker belongs to no one view: the
// engine raises its request on every view of the environment whose filter matches the
// worker's source kind, and each view's handler sees it.
#include <algorithm>

#include "controller.h"

namespace vesko::standin {
namespace {

struct WorkerRequestState {
    std::shared_ptr<WorkerRequestOutcome> outcome;
    std::shared_ptr<Backend> backend;
    std::size_t waiting = 0;
};

void finishWorkerRequest(const std::shared_ptr<WorkerRequestState>& state) {
    ResourceOutcome& resource = state->outcome->resource;
    if (!resource.answeredByHost) {
        const FetchResult fetched = state->backend->fetch(toUtf8(resource.uri));
        resource.networkError = fetched.networkError;
        resource.status = fetched.statusCode;
        for (const auto& [name, value] : fetched.headers) resource.headers.emplace_back(toWide(name), toWide(value));
        resource.body = fetched.body;
    }
    resource.done = true;
    state->outcome->done = true;
}

// The open views of the environment `from` belongs to, in creation order.
std::vector<ComPtr<WebView>> viewsOfEnvironment(const Controller& from) {
    std::vector<std::pair<int, ComPtr<WebView>>> numbered;
    for (const void* entry : liveControllers()) {
        auto* controller = static_cast<Controller*>(static_cast<ICoreWebView2Controller*>(const_cast<void*>(entry)));
        if (controller->closed() || controller->context() != from.context()) continue;
        const std::string& name = controller->name();
        numbered.emplace_back(std::stoi(name.substr(name.find('#') + 1)), ComPtr<WebView>(controller->view()));
    }
    std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ComPtr<WebView>> views;
    for (auto& entry : numbered) views.push_back(std::move(entry.second));
    return views;
}

void raiseOnEveryView(const Controller& from, const std::shared_ptr<WorkerRequestState>& state,
                      COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS worker) {
    const ResourceOutcome& resource = state->outcome->resource;
    std::vector<ComPtr<WebView>> raisedOn;
    for (const auto& view : viewsOfEnvironment(from)) {
        if (view->pipeline().wantsResource(resource.uri, resource.context, worker)) raisedOn.push_back(view);
    }
    state->waiting = raisedOn.size();
    if (raisedOn.empty()) return finishWorkerRequest(state);
    for (const auto& view : raisedOn) {
        state->outcome->raisedOn.push_back(view->pipeline().name());
        state->outcome->resource.raised = true;
        view->pipeline().raiseResourceRequest(
            resource.uri, resource.method, resource.context,
            [state](ICoreWebView2WebResourceResponse* response, const std::wstring&) {
                ResourceOutcome& answered = state->outcome->resource;
                const auto answer = answered.answeredByHost ? std::nullopt : snapshotResponse(response);
                if (answer) {
                    answered.answeredByHost = true;
                    answered.status = answer->statusCode;
                    answered.headers = answer->headers;
                    answered.body = answer->body;
                }
                if (--state->waiting == 0) finishWorkerRequest(state);
            });
    }
}

}  // namespace

std::shared_ptr<WorkerRequestOutcome> requestFromWorker(ICoreWebView2Controller* controller, std::wstring uri,
                                                        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS worker,
                                                        COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    if (controller == nullptr || liveControllers().count(controller) == 0) return nullptr;
    ComPtr<Controller> from(static_cast<Controller*>(controller));
    if (from->closed()) return nullptr;
    auto state = std::make_shared<WorkerRequestState>();
    state->outcome = std::make_shared<WorkerRequestOutcome>();
    state->outcome->resource.uri = std::move(uri);
    state->outcome->resource.method = L"GET";
    state->outcome->resource.context = context;
    state->backend = from->view()->pipeline().context().backend;
    from->view()->pipeline().later([from, state, worker]() { raiseOnEveryView(*from.Get(), state, worker); });
    return state->outcome;
}

}  // namespace vesko::standin
