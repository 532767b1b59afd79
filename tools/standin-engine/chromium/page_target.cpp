#include "chromium/page_target.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "base64.h"
#include "chromium/websocket_handshake.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::json;

DevToolsReply pageFailure(std::string method, std::string message) {
    return DevToolsReply{Json(), DevToolsFailure{DevToolsFailure::Source::Page, std::move(method), 0,
                                                 std::move(message)}};
}

// Calls done once: with the first failure, or with success when every part has answered.
DevToolsCallback joinedCallback(int parts, DevToolsCallback done) {
    auto left = std::make_shared<int>(parts);
    return [left, done](const DevToolsReply& reply) {
        if (*left <= 0) return;
        *left = reply.ok() ? *left - 1 : 0;
        if (*left == 0 || !reply.ok()) {
            if (done) done(reply.ok() ? DevToolsReply{Json::object(), std::nullopt} : reply);
        }
    };
}

HttpHeaders headersOf(const Json& object) {
    HttpHeaders headers;
    if (!object.is_object()) return headers;
    for (const auto& [name, value] : object.items()) {
        headers.emplace_back(name, value.is_string() ? value.get<std::string>() : value.dump());
    }
    return headers;
}

// The member key of an object, or an empty object: answers and events are read leniently.
const Json& member(const Json& object, const char* key) {
    static const Json kEmpty = Json::object();
    if (!object.is_object()) return kEmpty;
    const auto found = object.find(key);
    return found == object.end() ? kEmpty : *found;
}

std::string frameUrl(const Json& frame) {
    return frame.value("url", std::string()) + frame.value("urlFragment", std::string());
}

// What a thrown value says: an Error's description (its message and stack), a thrown
// primitive itself, else Chromium's summary ("Uncaught").
std::string exceptionText(const Json& details) {
    const Json& thrown = member(details, "exception");
    if (const auto description = thrown.find("description"); description != thrown.end() && description->is_string()) {
        return description->get<std::string>();
    }
    if (const auto value = thrown.find("value"); value != thrown.end()) {
        return value->is_string() ? value->get<std::string>() : value->dump();
    }
    return details.value("text", std::string("exception"));
}

}  // namespace

PausedRequest::PausedRequest(DevToolsPump& pump, std::string sessionId, std::string requestId)
    : pump_(&pump), sessionId_(std::move(sessionId)), requestId_(std::move(requestId)) {}

void PausedRequest::fulfill(int status, const std::string& reason, const HttpHeaders& responseHeaders,
                            const std::string& body, DevToolsCallback done) {
    Json headers = Json::array();
    for (const auto& [name, value] : responseHeaders) headers.push_back({{"name", name}, {"value", value}});
    Json params = {{"responseCode", status}, {"responseHeaders", headers}, {"body", base64Encode(body)}};
    if (!reason.empty()) params["responsePhrase"] = reason;
    answer("Fetch.fulfillRequest", std::move(params), std::move(done));
}

void PausedRequest::continueRequest(DevToolsCallback done) {
    answer("Fetch.continueRequest", Json::object(), std::move(done));
}

void PausedRequest::fail(const std::string& errorReason, DevToolsCallback done) {
    answer("Fetch.failRequest", {{"errorReason", errorReason}}, std::move(done));
}

void PausedRequest::answer(const char* method, Json params, DevToolsCallback done) {
    if (*answered_) return;
    *answered_ = true;
    params["requestId"] = requestId_;
    pump_->send(method, params, sessionId_, std::move(done));
}

PageTarget::PageTarget(DevToolsPump& pump, const PageViewport& viewport, DevToolsCallback ready)
    : pump_(pump), viewport_(viewport) {
    pump_.send("Target.createTarget", {{"url", "about:blank"}}, {},
               [this, pump = &pump, alive = std::weak_ptr<int>(lifetime_), ready](const DevToolsReply& reply) {
                   const std::string targetId = reply.ok() ? reply.result.value("targetId", std::string()) : "";
                   if (!alive.lock()) {
                       // Given up on before it existed: the page must not linger in the browser.
                       if (!targetId.empty()) pump->send("Target.closeTarget", {{"targetId", targetId}}, {}, {});
                       return;
                   }
                   if (!reply.ok()) {
                       if (ready) ready(reply);
                       return;
                   }
                   attach(targetId, ready);
               });
}

PageTarget::~PageTarget() {
    for (const auto id : subscriptions_) pump_.unsubscribe(id);
    if (!targetId_.empty() && !closed_) pump_.send("Target.closeTarget", {{"targetId", targetId_}}, {}, {});
}

DevToolsCallback PageTarget::guarded(std::function<void(const DevToolsReply&)> callback) {
    return [alive = std::weak_ptr<int>(lifetime_), callback = std::move(callback)](const DevToolsReply& reply) {
        if (alive.lock()) callback(reply);
    };
}

void PageTarget::attach(const std::string& targetId, DevToolsCallback ready) {
    targetId_ = targetId;
    pump_.send("Target.attachToTarget", {{"targetId", targetId}, {"flatten", true}}, {},
               guarded([this, ready](const DevToolsReply& reply) {
                   if (!reply.ok()) {
                       if (ready) ready(reply);
                       return;
                   }
                   sessionId_ = reply.result.value("sessionId", std::string());
                   subscribeEvents();
                   enableDomains(ready);
               }));
}

void PageTarget::enableDomains(DevToolsCallback ready) {
    const auto becomeReady = guarded([this, ready](const DevToolsReply& reply) {
        ready_ = reply.ok();
        if (ready) ready(reply);
    });
    // Sent together: the session handles them in order, so the first event of a domain
    // already finds the others enabled.
    struct Command {
        const char* method;
        Json params;
    };
    const Command commands[] = {
        {"Page.enable", Json::object()},
        {"Page.setLifecycleEventsEnabled", {{"enabled", true}}},
        {"Runtime.enable", Json::object()},
        {"Network.enable", Json::object()},
        {"Fetch.enable", {{"patterns", Json::array({{{"urlPattern", "*"}, {"requestStage", "Request"}}})}}},
        // Every certificate error waits for the page's owner (Security.certificateError)
        // instead of ending in Chromium's own warning page.
        {"Security.enable", Json::object()},
        {"Security.setOverrideCertificateErrors", {{"override", true}}},
    };
    const auto joined = joinedCallback(static_cast<int>(std::size(commands)) + 3, becomeReady);
    for (const Command& command : commands) pump_.send(command.method, command.params, sessionId_, joined);
    applyDeviceMetrics(joined);
    pump_.send("Page.getFrameTree", Json::object(), sessionId_, guarded([this, joined](const DevToolsReply& reply) {
                   if (reply.ok()) {
                       const Json& frame = member(member(reply.result, "frameTree"), "frame");
                       mainFrameId_ = frame.value("id", std::string());
                       frameUrls_[mainFrameId_] = frameUrl(frame);
                   }
                   joined(reply);
               }));
    // Titles are reported to the browser's own session, for every target it discovers.
    pump_.send("Target.setDiscoverTargets", {{"discover", true}}, {}, joined);
}

void PageTarget::subscribeEvents() {
    using Handler = void (PageTarget::*)(const Json&);
    struct Route {
        const char* method;
        Handler handler;
    };
    static constexpr Route kPageRoutes[] = {
        {"Fetch.requestPaused", &PageTarget::onRequestPaused},
        {"Network.requestWillBeSent", &PageTarget::onRequestWillBeSent},
        {"Network.loadingFailed", &PageTarget::onLoadingFailed},
        {"Page.frameNavigated", &PageTarget::onFrameNavigated},
        {"Page.navigatedWithinDocument", &PageTarget::onNavigatedWithinDocument},
        {"Runtime.executionContextCreated", &PageTarget::onContextCreated},
        {"Runtime.executionContextDestroyed", &PageTarget::onContextDestroyed},
        {"Runtime.bindingCalled", &PageTarget::onBindingCalled},
        {"Page.screencastFrame", &PageTarget::onScreencastFrame},
    };
    for (const Route& route : kPageRoutes) {
        subscriptions_.push_back(pump_.subscribe(route.method, sessionId_, [this, handler = route.handler](
                                                                               const DevToolsEvent& event) {
            (this->*handler)(event.params);
        }));
    }
    subscriptions_.push_back(pump_.subscribe("Network.loadingFinished", sessionId_, [this](const DevToolsEvent& event) {
        documentLoads_.erase(event.params.value("requestId", std::string()));
    }));
    subscriptions_.push_back(pump_.subscribe("Runtime.executionContextsCleared", sessionId_,
                                             [this](const DevToolsEvent&) { contextFrames_.clear(); }));
    subscriptions_.push_back(pump_.subscribe("Page.loadEventFired", sessionId_, [this](const DevToolsEvent&) {
        if (events_.loadFinished) events_.loadFinished();
    }));
    const auto onInfo = [this](const DevToolsEvent& event) { onTargetInfoChanged(event.params); };
    subscriptions_.push_back(pump_.subscribe("Target.targetInfoChanged", std::string(), onInfo));
}

void PageTarget::sendToPage(const char* method, const Json& params, DevToolsCallback done) {
    if (!ready_ || closed_) {
        failLater(method, closed_ ? "the page is closed" : "the page is not ready", std::move(done));
        return;
    }
    pump_.send(method, params, sessionId_, std::move(done));
}

void PageTarget::failLater(const char* method, const char* why, DevToolsCallback done) {
    if (!done) return;
    const auto report = guarded([done, reply = pageFailure(method, why)](const DevToolsReply&) { done(reply); });
    pump_.post([report] { report(DevToolsReply{}); });
}

void PageTarget::navigate(const std::string& url, DevToolsCallback done) {
    sendToPage("Page.navigate", {{"url", url}}, [done](const DevToolsReply& reply) {
        if (!done) return;
        if (reply.ok() && reply.result.contains("errorText")) {
            done(pageFailure("Page.navigate", reply.result.value("errorText", std::string())));
            return;
        }
        done(reply);
    });
}

void PageTarget::evaluate(const std::string& script, const EvaluateOptions& options, DevToolsCallback done) {
    Json params = {{"expression", script}, {"returnByValue", true}};
    if (options.awaitPromise) params["awaitPromise"] = true;
    if (options.contextId) params["contextId"] = *options.contextId;
    sendToPage("Runtime.evaluate", params, [done](const DevToolsReply& reply) {
        if (!done) return;
        if (!reply.ok()) {
            done(reply);
            return;
        }
        if (const auto exception = reply.result.find("exceptionDetails"); exception != reply.result.end()) {
            done(pageFailure("Runtime.evaluate", exceptionText(*exception)));
            return;
        }
        // undefined, NaN, Infinity and the like have no JSON form; they read as null, as
        // JSON.stringify gives them.
        const Json& value = member(reply.result, "result");
        done(DevToolsReply{value.contains("value") ? value.at("value") : Json(), std::nullopt});
    });
}

void PageTarget::addScriptOnNewDocument(const std::string& script, DevToolsCallback done) {
    sendToPage("Page.addScriptToEvaluateOnNewDocument", {{"source", script}}, std::move(done));
}

void PageTarget::removeScriptOnNewDocument(const std::string& identifier, DevToolsCallback done) {
    sendToPage("Page.removeScriptToEvaluateOnNewDocument", {{"identifier", identifier}}, std::move(done));
}

void PageTarget::addBinding(const std::string& name, BindingHandler handler, DevToolsCallback done) {
    bindings_[name] = std::move(handler);
    sendToPage("Runtime.addBinding", {{"name", name}}, std::move(done));
}

void PageTarget::setViewport(const PageViewport& viewport, DevToolsCallback done) {
    if (!ready_ || closed_) {
        sendToPage("Emulation.setDeviceMetricsOverride", Json(), std::move(done));
        return;
    }
    viewport_ = viewport;
    applyDeviceMetrics(std::move(done));
}

void PageTarget::setZoom(double factor, DevToolsCallback done) {
    if (!(factor > 0) || !std::isfinite(factor)) {
        failLater("Emulation.setDeviceMetricsOverride", "the zoom factor must be positive and finite", std::move(done));
        return;
    }
    if (!ready_ || closed_) {
        sendToPage("Emulation.setDeviceMetricsOverride", Json(), std::move(done));
        return;
    }
    zoom_ = factor;
    applyDeviceMetrics(std::move(done));
}

void PageTarget::applyDeviceMetrics(DevToolsCallback done) {
    // Browser zoom makes a CSS pixel bigger: the same window shows fewer, larger CSS pixels
    // and devicePixelRatio grows. A smaller emulated viewport drawn at a higher scale does
    // exactly that, so layout, media queries and the rendered size all follow. (The page
    // scale factor would only magnify, like a pinch, and leave the layout as it was.)
    const int width = std::max(1, static_cast<int>(std::lround(viewport_.width / zoom_)));
    const int height = std::max(1, static_cast<int>(std::lround(viewport_.height / zoom_)));
    pump_.send("Emulation.setDeviceMetricsOverride",
               {{"width", width},
                {"height", height},
                {"deviceScaleFactor", viewport_.deviceScaleFactor * zoom_},
                {"mobile", false}},
               sessionId_, std::move(done));
}

void PageTarget::startScreencast(const ScreencastOptions& options, FrameHandler handler, DevToolsCallback done) {
    frameHandler_ = std::move(handler);
    Json params = {{"format", options.format}, {"everyNthFrame", options.everyNthFrame}};
    if (options.format == "jpeg") params["quality"] = options.quality;
    sendToPage("Page.startScreencast", params, std::move(done));
}

void PageTarget::stopScreencast(DevToolsCallback done) {
    frameHandler_ = nullptr;
    sendToPage("Page.stopScreencast", Json::object(), std::move(done));
}

void PageTarget::close(DevToolsCallback done) {
    if (!ready_ || closed_) {
        sendToPage("Target.closeTarget", Json(), std::move(done));
        return;
    }
    closed_ = true;
    pump_.send("Target.closeTarget", {{"targetId", targetId_}}, {}, std::move(done));
}

void PageTarget::onRequestPaused(const Json& params) {
    PausedRequest request(pump_, sessionId_, params.value("requestId", std::string()));
    const Json& details = member(params, "request");
    request.url = details.value("url", std::string()) + details.value("urlFragment", std::string());
    request.method = details.value("method", std::string());
    request.headers = headersOf(details.value("headers", Json::object()));
    request.resourceType = params.value("resourceType", std::string());
    // Only loads into a frame have the type Document; fetch() and XHR of HTML do not.
    request.isNavigation = request.resourceType == "Document";
    request.redirected = params.contains("redirectedRequestId");
    request.frameId = params.value("frameId", std::string());
    if (events_.requestPaused) {
        events_.requestPaused(request);
    } else {
        request.continueRequest();
    }
}

void PageTarget::onRequestWillBeSent(const Json& params) {
    // A navigation's request is the one whose id is its document loader's id.
    const std::string requestId = params.value("requestId", std::string());
    if (params.value("frameId", std::string()) != mainFrameId_ || params.value("type", std::string()) != "Document" ||
        requestId != params.value("loaderId", std::string())) {
        return;
    }
    const std::string url = member(params, "request").value("url", std::string());
    const bool redirected = params.contains("redirectResponse");
    documentLoads_[requestId] = url;
    if (!redirected && events_.navigationStarted) events_.navigationStarted(url);
}

void PageTarget::onLoadingFailed(const Json& params) {
    const auto load = documentLoads_.find(params.value("requestId", std::string()));
    if (load == documentLoads_.end()) return;
    const std::string url = load->second;
    documentLoads_.erase(load);
    if (events_.navigationFailed) events_.navigationFailed(url, params.value("errorText", std::string()));
}

void PageTarget::onFrameNavigated(const Json& params) {
    const Json& frame = member(params, "frame");
    const std::string url = frameUrl(frame);
    frameUrls_[frame.value("id", std::string())] = url;
    if (!frame.contains("parentId") && events_.navigationCommitted) events_.navigationCommitted(url, false);
}

void PageTarget::onNavigatedWithinDocument(const Json& params) {
    const std::string frameId = params.value("frameId", std::string());
    const std::string url = params.value("url", std::string());
    frameUrls_[frameId] = url;
    if (frameId == mainFrameId_ && events_.navigationCommitted) events_.navigationCommitted(url, true);
}

void PageTarget::onContextCreated(const Json& params) {
    const Json& context = member(params, "context");
    contextFrames_[context.value("id", 0LL)] = member(context, "auxData").value("frameId", std::string());
}

void PageTarget::onContextDestroyed(const Json& params) {
    contextFrames_.erase(params.value("executionContextId", 0LL));
}

void PageTarget::onBindingCalled(const Json& params) {
    const auto binding = bindings_.find(params.value("name", std::string()));
    if (binding == bindings_.end() || !binding->second) return;
    std::string callerUrl;
    std::string callerFrame;
    if (const auto context = contextFrames_.find(params.value("executionContextId", 0LL));
        context != contextFrames_.end()) {
        callerFrame = context->second;
        if (const auto frame = frameUrls_.find(context->second); frame != frameUrls_.end()) callerUrl = frame->second;
    }
    const BindingHandler handler = binding->second;  // it may replace itself
    bindingContextId_ = params.value("executionContextId", 0LL);
    bindingFrameId_ = callerFrame;
    handler(params.value("payload", std::string()), callerUrl);
    bindingContextId_ = 0;
    bindingFrameId_.clear();
}

void PageTarget::onScreencastFrame(const Json& params) {
    // Chromium sends the next frame only once this one is acknowledged.
    pump_.send("Page.screencastFrameAck", {{"sessionId", params.value("sessionId", 0)}}, sessionId_, {});
    if (!frameHandler_) return;
    const auto image = base64Decode(params.value("data", std::string()));
    if (!image) return;
    const Json& metadata = member(params, "metadata");
    ScreencastFrame frame;
    frame.image = *image;
    frame.deviceWidth = metadata.value("deviceWidth", 0.0);
    frame.deviceHeight = metadata.value("deviceHeight", 0.0);
    frame.pageScaleFactor = metadata.value("pageScaleFactor", 1.0);
    frame.offsetTop = metadata.value("offsetTop", 0.0);
    frame.scrollOffsetX = metadata.value("scrollOffsetX", 0.0);
    frame.scrollOffsetY = metadata.value("scrollOffsetY", 0.0);
    if (metadata.contains("timestamp")) frame.timestamp = metadata.value("timestamp", 0.0);
    const FrameHandler handler = frameHandler_;
    handler(frame);
}

void PageTarget::onTargetInfoChanged(const Json& params) {
    const Json& info = member(params, "targetInfo");
    if (info.value("targetId", std::string()) != targetId_) return;
    // The same change also reports URL moves; only a new title is news here.
    std::string title = info.value("title", std::string());
    if (title_ == title) return;
    title_ = title;
    if (events_.titleChanged) events_.titleChanged(title);
}

}  // namespace vesko::standin
