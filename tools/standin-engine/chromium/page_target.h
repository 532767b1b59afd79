#pragma once
// One Chromium page driven through a DevToolsPump: the target is created and attached with
// a flattened session, its requests are held for an answer, and what happens in it is
// reported as Chromium reports it. Every completion and event arrives from the pump's
// message loop. Names of the web engine the stand-in imitates belong to the layer above.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chromium/devtools_pump.h"

namespace vesko::standin {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

// A request the page made, held until it is answered here. Copies share the request:
// the first answer counts, later ones are ignored. Must not outlive the pump.
class PausedRequest {
public:
    std::string url;
    std::string method;
    HttpHeaders headers;
    std::string resourceType;  // the protocol's name: "Document", "Script", "Fetch", ...
    bool isNavigation = false;  // the request loads a document into a frame
    bool redirected = false;    // it follows a redirect of an earlier request
    std::string frameId;

    PausedRequest(DevToolsPump& pump, std::string sessionId, std::string requestId);

    void fulfill(int status, const std::string& reason, const HttpHeaders& responseHeaders, const std::string& body,
                 DevToolsCallback done = {});
    void continueRequest(DevToolsCallback done = {});
    // errorReason is the protocol's network error name ("Failed", "NameNotResolved", ...).
    void fail(const std::string& errorReason, DevToolsCallback done = {});
    bool answered() const { return *answered_; }

private:
    void answer(const char* method, nlohmann::json params, DevToolsCallback done);

    DevToolsPump* pump_;
    std::string sessionId_;
    std::string requestId_;
    std::shared_ptr<bool> answered_ = std::make_shared<bool>(false);
};

struct PageViewport {
    int width = 800;
    int height = 600;
    double deviceScaleFactor = 1.0;
};

struct ScreencastOptions {
    std::string format = "png";  // or "jpeg"
    int quality = 80;            // jpeg only
    int everyNthFrame = 1;
};

struct ScreencastFrame {
    std::string image;  // the encoded bytes, as the format says
    double deviceWidth = 0;
    double deviceHeight = 0;
    double pageScaleFactor = 1;
    double offsetTop = 0;
    double scrollOffsetX = 0;
    double scrollOffsetY = 0;
    std::optional<double> timestamp;  // seconds since the epoch, when Chromium gives one
};

// What the page reports; any handler may be left empty. A paused request that finds no
// handler continues to the network.
struct PageEvents {
    std::function<void(PausedRequest)> requestPaused;
    std::function<void(const std::string& url)> navigationStarted;
    std::function<void(const std::string& url, bool sameDocument)> navigationCommitted;
    std::function<void(const std::string& title)> titleChanged;
    std::function<void()> loadFinished;
    std::function<void(const std::string& url, const std::string& errorText)> navigationFailed;
};

class PageTarget {
public:
    using BindingHandler = std::function<void(const std::string& payload, const std::string& callerUrl)>;
    using FrameHandler = std::function<void(const ScreencastFrame&)>;

    // Starts creating the page at about:blank; ready tells when it can be driven.
    PageTarget(DevToolsPump& pump, const PageViewport& viewport, DevToolsCallback ready);
    // Closes the page unless close() did.
    ~PageTarget();
    PageTarget(const PageTarget&) = delete;
    PageTarget& operator=(const PageTarget&) = delete;

    PageEvents& events() { return events_; }
    const std::string& targetId() const { return targetId_; }
    const std::string& sessionId() const { return sessionId_; }
    const std::string& mainFrameId() const { return mainFrameId_; }

    // A failed load (the errorText Chromium gives) is a failure of the page.
    void navigate(const std::string& url, DevToolsCallback done);
    // The script's value as JSON (null where JSON has none); a thrown exception is a
    // failure of the page carrying its description. awaitPromise waits for a promise's
    // value; contextId (from bindingContextId) runs it in that frame's document.
    struct EvaluateOptions {
        bool awaitPromise = false;
        std::optional<long long> contextId;
    };
    void evaluate(const std::string& script, DevToolsCallback done) { evaluate(script, EvaluateOptions{}, std::move(done)); }
    void evaluate(const std::string& script, const EvaluateOptions& options, DevToolsCallback done);
    // Runs script in every new document before the document's own scripts; the result's
    // "identifier" names it for removeScriptOnNewDocument.
    void addScriptOnNewDocument(const std::string& script, DevToolsCallback done);
    void removeScriptOnNewDocument(const std::string& identifier, DevToolsCallback done);
    // While a binding handler runs: the execution context of the document that called it.
    long long bindingContextId() const { return bindingContextId_; }
    // ... and the frame that document is in.
    const std::string& bindingFrameId() const { return bindingFrameId_; }
    // Any other command of the page's session (input, reload, stop, ...).
    void send(const char* method, const nlohmann::json& params, DevToolsCallback done) {
        sendToPage(method, params, std::move(done));
    }
    // Gives every frame a function window[name](payload: string) that reports here.
    void addBinding(const std::string& name, BindingHandler handler, DevToolsCallback done);
    void setViewport(const PageViewport& viewport, DevToolsCallback done);
    void setZoom(double factor, DevToolsCallback done);
    void startScreencast(const ScreencastOptions& options, FrameHandler handler, DevToolsCallback done);
    void stopScreencast(DevToolsCallback done);
    void close(DevToolsCallback done);

private:
    void attach(const std::string& targetId, DevToolsCallback ready);
    void enableDomains(DevToolsCallback ready);
    void subscribeEvents();
    // Sends a command of the page's session; fails later while the page is not ready.
    void sendToPage(const char* method, const nlohmann::json& params, DevToolsCallback done);
    void failLater(const char* method, const char* why, DevToolsCallback done);
    void applyDeviceMetrics(DevToolsCallback done);
    // Wraps a callback so that it does nothing once this object is gone.
    DevToolsCallback guarded(std::function<void(const DevToolsReply&)> callback);

    void onRequestPaused(const nlohmann::json& params);
    void onRequestWillBeSent(const nlohmann::json& params);
    void onLoadingFailed(const nlohmann::json& params);
    void onFrameNavigated(const nlohmann::json& params);
    void onNavigatedWithinDocument(const nlohmann::json& params);
    void onContextCreated(const nlohmann::json& params);
    void onContextDestroyed(const nlohmann::json& params);
    void onBindingCalled(const nlohmann::json& params);
    void onScreencastFrame(const nlohmann::json& params);
    void onTargetInfoChanged(const nlohmann::json& params);

    DevToolsPump& pump_;
    PageEvents events_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
    std::vector<DevToolsPump::SubscriptionId> subscriptions_;

    std::string targetId_;
    std::string sessionId_;
    std::string mainFrameId_;
    bool ready_ = false;
    bool closed_ = false;

    PageViewport viewport_;
    double zoom_ = 1.0;
    std::map<std::string, BindingHandler> bindings_;
    FrameHandler frameHandler_;

    std::map<std::string, std::string> frameUrls_;       // frame id -> its document's URL
    std::map<long long, std::string> contextFrames_;     // execution context id -> frame id
    std::map<std::string, std::string> documentLoads_;   // request id -> URL, main-frame documents in flight
    std::optional<std::string> title_;
    long long bindingContextId_ = 0;
    std::string bindingFrameId_;
};

}  // namespace vesko::standin
