#include "chromium/chromium_page.h"

#include <windowsx.h>

#include <algorithm>
#include <fstream>

#include "base64.h"
#include "chromium/engine_terms.h"
#include "chromium/input_events.h"
#include "chromium/page_shims.h"
#include "base/wide_text_win.h"

namespace vesko::standin {
namespace {

using Json = nlohmann::json;

COREWEBVIEW2_PERMISSION_KIND permissionKindOf(const std::string& name) {
    if (name == "notifications") return COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS;
    if (name == "geolocation") return COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION;
    if (name == "camera") return COREWEBVIEW2_PERMISSION_KIND_CAMERA;
    if (name == "microphone") return COREWEBVIEW2_PERMISSION_KIND_MICROPHONE;
    if (name == "clipboard-read") return COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ;
    return COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
}

bool held(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

// Measured with Chromium 156: once a Tab past the last focusable element (or a Shift+Tab
// before the first, frames' elements included) has moved the focus, the top document's
// active element is its body; the next Tab starts again at the first element. Asked after
// a frame's document let the keyboard go (page_shims.cpp).
constexpr char kFocusLeftScript[] =
    "(() => { const a = document.activeElement; return a === null || a === document.body || "
    "a === document.documentElement; })()";

// The page's focusable elements in sequential order (positive tabindex first, then the
// document's order); the first or the last takes the focus.
std::string focusEdgeScript(bool first) {
    return std::string("(() => { const all = [...document.querySelectorAll('a[href], area[href], button, input, "
                       "select, textarea, iframe, summary, [tabindex], [contenteditable]')].filter((e) => "
                       "e.tabIndex >= 0 && !e.disabled && e.type !== 'hidden' && e.getClientRects().length > 0); "
                       "const order = all.filter((e) => e.tabIndex > 0).sort((a, b) => a.tabIndex - b.tabIndex)"
                       ".concat(all.filter((e) => e.tabIndex === 0)); const target = ") +
           (first ? "order[0]" : "order[order.length - 1]") + "; if (target) target.focus(); return !!target; })()";
}

}  // namespace

void ChromiumRequest::answer(int status, const std::wstring& reason,
                             const std::vector<std::pair<std::wstring, std::wstring>>& headers, const std::string& body) {
    HttpHeaders narrowHeaders;
    for (const auto& [name, value] : headers) narrowHeaders.emplace_back(toUtf8(name), toUtf8(value));
    paused_.fulfill(status, toUtf8(reason), narrowHeaders, body);
}

ChromiumPage::ChromiumPage(std::shared_ptr<DevToolsPump> pump, PageSink& sink, std::function<void(bool ok)> ready)
    : pump_(std::move(pump)), sink_(sink) {
    target_ = std::make_unique<PageTarget>(
        *pump_, viewport_,
        [this, alive = std::weak_ptr<int>(lifetime_), ready](const DevToolsReply& reply) {
            if (!alive.lock()) return;
            if (!reply.ok()) {
                ready(false);
                return;
            }
            installShims([this, ready](bool ok) {
                ready_ = ok;
                if (ok) updateScreencast();
                ready(ok);
            });
        });
}

ChromiumPage::~ChromiumPage() {
    for (const auto id : subscriptions_) pump_->unsubscribe(id);
    target_.reset();  // closes the page in the browser
}

void ChromiumPage::subscribe(const char* method, bool ownSession, std::function<void(const Json&)> handler) {
    const std::string session = ownSession ? target_->sessionId() : std::string();
    subscriptions_.push_back(pump_->subscribe(method, session, [handler](const DevToolsEvent& event) {
        handler(event.params);
    }));
}

void ChromiumPage::installShims(std::function<void(bool)> done) {
    PageEvents& events = target_->events();
    events.requestPaused = [this](PausedRequest request) { onRequestPaused(std::move(request)); };
    events.navigationCommitted = [this](const std::string& url, bool sameDocument) {
        if (!sameDocument) documentStatus_ = 0;
        sink_.documentCommitted(toWide(url), sameDocument);
    };
    events.loadFinished = [this]() {
        // Frames are painted only from a screencast started after a load.
        loadedOnce_ = true;
        screencasting_ = false;
        updateScreencast();
        sink_.documentLoaded(documentStatus_);
    };
    events.navigationFailed = [this](const std::string&, const std::string& errorText) {
        sink_.documentFailed(webErrorStatusOf(errorText));
    };

    subscribe("Network.responseReceived", true, [this](const Json& params) {
        if (params.value("type", std::string()) != "Document" ||
            params.value("frameId", std::string()) != target_->mainFrameId() ||
            params.value("requestId", std::string()) != params.value("loaderId", std::string())) {
            return;
        }
        documentStatus_ = params.contains("response") ? params["response"].value("status", 0) : 0;
    });
    // The frames below the top one, for the engine's frame objects.
    subscribe("Page.frameNavigated", true, [this](const Json& params) {
        const Json frame = params.value("frame", Json::object());
        if (!frame.contains("parentId")) return;
        const std::string parent = frame.value("parentId", std::string());
        sink_.frameNavigated(frame.value("id", std::string()), parent == target_->mainFrameId() ? std::string() : parent,
                             toWide(frame.value("name", std::string())),
                             toWide(frame.value("url", std::string()) + frame.value("urlFragment", std::string())));
    });
    subscribe("Page.frameDetached", true, [this](const Json& params) {
        // A frame moved to another process stays the same frame.
        if (params.value("reason", std::string()) == "swap") return;
        sink_.frameDetached(params.value("frameId", std::string()));
    });
    subscribe("Page.windowOpen", true, [this](const Json& params) {
        const std::string url = params.value("url", std::string());
        openedUrls_.push_back(url);
        sink_.newWindowRequested(toWide(url));
    });
    // The engine never opens a window by itself here: the host's answer to the request
    // decides, so the browser's own pop-up is closed as soon as it appears.
    subscribe("Target.targetCreated", false, [this](const Json& params) {
        const Json info = params.value("targetInfo", Json::object());
        if (info.value("type", std::string()) != "page") return;
        const std::string url = info.value("url", std::string());
        const auto opened = std::find(openedUrls_.begin(), openedUrls_.end(), url);
        if (info.value("openerId", std::string()) != target_->targetId() && opened == openedUrls_.end()) return;
        if (opened != openedUrls_.end()) openedUrls_.erase(opened);
        pump_->send("Target.closeTarget", {{"targetId", info.value("targetId", std::string())}}, {}, {});
        // The pop-up took the browser's focus, and a page out of focus stops drawing frames.
        target_->send("Page.bringToFront", Json::object(), {});
    });
    subscribe("Page.javascriptDialogOpening", true, [this](const Json& params) {
        sink_.scriptDialog(params.value("type", std::string()), toWide(params.value("message", std::string())),
                           toWide(params.value("url", std::string())),
                           [this, alive = std::weak_ptr<int>(lifetime_)](bool accept) {
                               if (alive.lock()) target_->send("Page.handleJavaScriptDialog", {{"accept", accept}}, {});
                           });
    });
    // A renderer that ends, crashed or killed from outside, leaves the target in place: a
    // reload starts a new one.
    subscribe("Target.targetCrashed", false, [this](const Json& params) {
        if (params.value("targetId", std::string()) != target_->targetId()) return;
        sink_.rendererExited(params.value("status", std::string()), params.value("errorCode", 0));
    });
    // Chromium's error type ("ERR_CERT_AUTHORITY_INVALID") is the network error without its
    // prefix; one the engine has no closer status for is an invalid certificate.
    subscribe("Security.certificateError", true, [this](const Json& params) {
        const long long eventId = params.value("eventId", 0LL);
        auto status = webErrorStatusOf("net::" + params.value("errorType", std::string()));
        if (status == COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR) status = COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_IS_INVALID;
        sink_.certificateError(toWide(params.value("requestURL", std::string())), status,
                               [this, alive = std::weak_ptr<int>(lifetime_), eventId](bool allow) {
                                   if (!alive.lock()) return;
                                   target_->send("Security.handleCertificateError",
                                                 {{"eventId", eventId}, {"action", allow ? "continue" : "cancel"}}, {});
                               });
    });
    subscribe("Browser.downloadWillBegin", false, [this](const Json& params) {
        if (params.value("frameId", std::string()) != target_->mainFrameId()) return;
        sink_.downloadRequested(toWide(params.value("url", std::string())),
                                toWide(params.value("suggestedFilename", std::string())));
    });

    auto left = std::make_shared<int>(8);
    auto failed = std::make_shared<bool>(false);
    const auto part = [alive = std::weak_ptr<int>(lifetime_), left, failed, done](const DevToolsReply& reply) {
        if (!alive.lock()) return;
        if (!reply.ok()) *failed = true;
        if (--*left == 0) done(!*failed);
    };
    target_->addBinding(kPostBinding, [this](const std::string& payload, const std::string& callerUrl) {
        // The view hears the top document's messages only; a frame's go to its own object.
        const std::string& frame = target_->bindingFrameId();
        sink_.messagePosted(toWide(callerUrl), toWide(payload), frame == target_->mainFrameId() ? std::string() : frame);
    }, part);
    target_->addBinding(kCloseBinding, [this](const std::string&, const std::string&) { sink_.closeRequested(); },
                        part);
    target_->addBinding(kTitleBinding, [this](const std::string& title, const std::string&) {
        sink_.titleChanged(toWide(title));
    }, part);
    target_->addBinding(kPermissionBinding, [this](const std::string& payload, const std::string& callerUrl) {
        onPermissionAsked(payload, callerUrl);
    }, part);
    target_->addBinding(kRouteBinding, [this](const std::string& payload, const std::string& callerUrl) {
        sink_.routeOut(payload, toWide(callerUrl));
    }, part);
    target_->addScriptOnNewDocument(pageShimScript(), part);
    // A page in a window that is not focused would never see focus or blur of its fields.
    target_->send("Emulation.setFocusEmulationEnabled", {{"enabled", true}}, part);
    // Downloads wait for the host: the browser writes nothing itself and only reports them.
    pump_->send("Browser.setDownloadBehavior", {{"behavior", "deny"}, {"eventsEnabled", true}}, {}, part);
}

void ChromiumPage::onRequestPaused(PausedRequest paused) {
    const bool document = paused.isNavigation;
    const bool mainFrame = paused.frameId == target_->mainFrameId();
    ChromiumRequest request(paused);
    request.uri = toWide(paused.url);
    request.method = toWide(paused.method);
    request.context = resourceContextOf(paused.resourceType);
    request.redirected = paused.redirected;
    if (document) {
        sink_.documentRequested(std::move(request), mainFrame);
    } else {
        sink_.resourceRequested(std::move(request));
    }
}

void ChromiumPage::onPermissionAsked(const std::string& payload, const std::string& callerUrl) {
    const Json asked = Json::parse(payload, nullptr, false);
    if (!asked.is_object() || !asked.contains("id") || !asked["id"].is_number_integer()) return;
    const long long id = asked["id"].get<long long>();
    const long long context = target_->bindingContextId();
    sink_.permissionRequested(
        permissionKindOf(asked.value("kind", std::string())), toWide(callerUrl),
        [this, alive = std::weak_ptr<int>(lifetime_), id, context](bool allowed) {
            if (!alive.lock()) return;
            PageTarget::EvaluateOptions options;
            options.contextId = context;
            target_->evaluate("window.__veskoPermissionAnswer(" + std::to_string(id) + "," +
                                  (allowed ? "true" : "false") + ")",
                              options, {});
        });
}

void ChromiumPage::rightClick(const std::string& target) {
    // Where the target lies in the viewport; null when the page has none.
    const std::string find =
        "(() => { const T = " + Json(target).dump() + "; const pick = {link: 'a[href]', image: 'img', "
        "selection: 'p, h1, h2, li', editable: 'input, textarea'}[T]; let x = 3, y = 3; if (pick) { "
        "const el = document.querySelector(pick); if (!el) return null; el.scrollIntoView({block: 'center'}); "
        "if (T === 'selection') { const r = document.createRange(); r.selectNodeContents(el); "
        "getSelection().removeAllRanges(); getSelection().addRange(r); } if (T === 'editable') el.focus(); "
        "const b = el.getBoundingClientRect(); x = b.left + Math.min(b.width / 2, 12); y = b.top + b.height / 2; } "
        "return JSON.stringify({x, y}); })()";
    target_->evaluate(find, [this, alive = std::weak_ptr<int>(lifetime_)](const DevToolsReply& reply) {
        if (!alive.lock() || !reply.ok()) return;
        const Json& value = reply.result;
        const Json point = value.is_string() ? Json::parse(value.get<std::string>(), nullptr, false) : Json();
        if (!point.is_object()) return;
        for (const char* type : {"mousePressed", "mouseReleased"}) {
            target_->send("Input.dispatchMouseEvent",
                          {{"type", type}, {"x", point["x"]}, {"y", point["y"]}, {"button", "right"},
                           {"buttons", std::string(type) == "mousePressed" ? 2 : 0}, {"clickCount", 1}},
                          {});
        }
    });
}

void ChromiumPage::crashRenderer() { target_->send("Page.crash", Json::object(), {}); }

void ChromiumPage::hangRenderer() {
    target_->send("Runtime.evaluate", {{"expression", "for (;;) {}"}}, {});
}

void ChromiumPage::terminateScript() { target_->send("Runtime.terminateExecution", Json::object(), {}); }

void ChromiumPage::probe(std::function<void()> done) {
    target_->evaluate("0", [alive = std::weak_ptr<int>(lifetime_), done](const DevToolsReply&) {
        if (alive.lock()) done();
    });
}

namespace {

// Processor seconds of each process, by id, with the browser's own id.
std::map<long, double> processorTimes(const Json& result, BrowserProcesses& processes) {
    std::map<long, double> times;
    processes.renderers.clear();
    for (const auto& process : result.value("processInfo", Json::array())) {
        const long id = process.value("id", 0L);
        const std::string type = process.value("type", std::string());
        if (type == "browser") processes.browser = id;
        if (type != "renderer") continue;
        processes.renderers.push_back(id);
        times[id] = process.value("cpuTime", 0.0);
    }
    return times;
}

}  // namespace

void ChromiumPage::findRenderer(std::function<void(const BrowserProcesses&, long)> done) {
    auto processes = std::make_shared<BrowserProcesses>();
    pump_->send("SystemInfo.getProcessInfo", Json::object(), {}, [this, alive = std::weak_ptr<int>(lifetime_), processes,
                                                                   done](const DevToolsReply& before) {
        if (!alive.lock() || !before.ok()) {
            done(*processes, 0);
            return;
        }
        const auto first = processorTimes(before.result, *processes);
        PageTarget::EvaluateOptions options;
        target_->evaluate("{ const end = Date.now() + 400; while (Date.now() < end) {} }", options,
                          [this, alive, processes, first, done](const DevToolsReply&) {
            if (!alive.lock()) return;
            pump_->send("SystemInfo.getProcessInfo", Json::object(), {}, [processes, first, done](const DevToolsReply& after) {
                long busiest = 0;
                double most = 0.2;  // seconds: the page worked for 0.4
                if (after.ok()) {
                    for (const auto& [id, time] : processorTimes(after.result, *processes)) {
                        const auto earlier = first.find(id);
                        const double grew = time - (earlier != first.end() ? earlier->second : 0.0);
                        if (grew > most) {
                            most = grew;
                            busiest = id;
                        }
                    }
                }
                done(*processes, busiest);
            });
        });
    });
}

void ChromiumPage::navigate(const std::wstring& uri) { target_->navigate(toUtf8(uri), {}); }

void ChromiumPage::reload() { target_->send("Page.reload", Json::object(), {}); }

void ChromiumPage::stop(std::function<void()> done) {
    target_->send("Page.stopLoading", Json::object(), [alive = std::weak_ptr<int>(lifetime_), done](const DevToolsReply&) {
        if (alive.lock() && done) done();
    });
}

void ChromiumPage::evaluate(const std::wstring& script, ScriptDone done) {
    target_->evaluate(toUtf8(script), [done](const DevToolsReply& reply) {
        if (!done) return;
        if (reply.ok()) {
            done(S_OK, toWide(reply.result.dump()));
        } else if (reply.failure->source == DevToolsFailure::Source::Page) {
            // A script that throws still completes; its value is null.
            done(S_OK, L"null");
        } else {
            done(E_FAIL, L"");
        }
    });
}

void ChromiumPage::addDocumentScript(const std::wstring& id, const std::wstring& script,
                                     std::function<void(HRESULT)> done) {
    target_->addScriptOnNewDocument(toUtf8(script), [this, alive = std::weak_ptr<int>(lifetime_), id,
                                                         done](const DevToolsReply& reply) {
        if (alive.lock() && reply.ok()) scriptIdentifiers_[id] = reply.result.value("identifier", std::string());
        if (done) done(reply.ok() ? S_OK : E_FAIL);
    });
}

void ChromiumPage::removeDocumentScript(const std::wstring& id) {
    const auto found = scriptIdentifiers_.find(id);
    if (found == scriptIdentifiers_.end()) return;
    target_->removeScriptOnNewDocument(found->second, {});
    scriptIdentifiers_.erase(found);
}

void ChromiumPage::download(const std::wstring& uri, const std::wstring& path, std::function<void(bool)> done) {
    // The page's own fetch carries its cookies and goes through the same request path as
    // everything else it loads.
    const std::string script =
        "(async () => { const r = await fetch(" + Json(toUtf8(uri)).dump() +
        ", { credentials: 'include' }); if (!r.ok) throw new Error('HTTP ' + r.status);"
        " const b = new Uint8Array(await r.arrayBuffer()); let s = '';"
        " for (let i = 0; i < b.length; i += 32768) s += String.fromCharCode.apply(null, b.subarray(i, i + 32768));"
        " return btoa(s); })()";
    PageTarget::EvaluateOptions options;
    options.awaitPromise = true;
    target_->evaluate(script, options, [path, done](const DevToolsReply& reply) {
        bool written = false;
        if (reply.ok() && reply.result.is_string()) {
            if (const auto bytes = base64Decode(reply.result.get<std::string>())) {
                std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
                out << *bytes;
                written = static_cast<bool>(out);
            }
        }
        if (done) done(written);
    });
}

void ChromiumPage::linkDownloadName(const std::wstring& uri, std::function<void(const std::wstring&)> done) {
    const std::string script = "(() => { for (const a of document.querySelectorAll('a[download]'))"
                               " if (a.href === " + Json(toUtf8(uri)).dump() + ") return a.getAttribute('download');"
                               " return ''; })()";
    target_->evaluate(script, [alive = std::weak_ptr<int>(lifetime_), done](const DevToolsReply& reply) {
        if (!alive.lock()) return;
        done(reply.ok() && reply.result.is_string() ? toWide(reply.result.get<std::string>()) : std::wstring());
    });
}

void ChromiumPage::setSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    if (width == viewport_.width && height == viewport_.height) return;
    viewport_.width = width;
    viewport_.height = height;
    target_->setViewport(viewport_, {});
}

void ChromiumPage::setZoom(double zoom) {
    zoom_ = zoom;
    target_->setZoom(zoom, {});
}

void ChromiumPage::setVisible(bool visible) {
    visible_ = visible;
    updateScreencast();
}

void ChromiumPage::updateScreencast() {
    if (!ready_) return;
    const bool wanted = visible_ && loadedOnce_;
    if (wanted == screencasting_) return;
    screencasting_ = wanted;
    if (!wanted) {
        target_->stopScreencast({});
        return;
    }
    // Chromium draws frames only for the page in front.
    target_->send("Page.bringToFront", Json::object(), {});
    ScreencastOptions options;
    options.format = "jpeg";
    options.quality = 85;
    target_->startScreencast(options, [this](const ScreencastFrame& frame) { onFrame(frame); }, {});
}

void ChromiumPage::onFrame(const ScreencastFrame& frame) {
    auto decoded = std::make_unique<FrameBitmap>(frame.image);
    if (!decoded->valid()) return;
    frame_ = std::move(decoded);
    ++framesReceived_;
    sink_.framePainted();
}

void ChromiumPage::refreshSoon() {
    if (!ready_ || !screencasting_ || refreshPending_) return;
    refreshPending_ = true;
    const std::uint64_t framesThen = framesReceived_;
    // The page's own timer gives the compositor its moment; then the picture is taken
    // unless a frame came meanwhile.
    PageTarget::EvaluateOptions options;
    options.awaitPromise = true;
    target_->evaluate("new Promise(resolve => setTimeout(resolve, 150))", options,
                      [this, alive = std::weak_ptr<int>(lifetime_), framesThen](const DevToolsReply&) {
                          if (!alive.lock()) return;
                          refreshPending_ = false;
                          if (framesReceived_ != framesThen || !screencasting_) return;
                          target_->send("Page.captureScreenshot", {{"format", "jpeg"}, {"quality", 85}},
                                        [this, alive](const DevToolsReply& reply) {
                                            if (!alive.lock() || !reply.ok()) return;
                                            const auto image = base64Decode(reply.result.value("data", std::string()));
                                            if (!image) return;
                                            ScreencastFrame frame;
                                            frame.image = *image;
                                            onFrame(frame);
                                        });
                      });
}

bool ChromiumPage::paint(HDC dc, const RECT& client) const {
    if (!frame_) return false;
    frame_->draw(dc, client.right - client.left, client.bottom - client.top);
    return true;
}

bool ChromiumPage::forwardInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowInput input;
    input.message = message;
    input.wParam = wParam;
    input.lParam = lParam;
    input.zoom = zoom_;
    input.modifiers = inputModifiers(held(VK_MENU), held(VK_CONTROL), held(VK_SHIFT));
    input.client = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) ScreenToClient(window, &input.client);
    const auto command = inputCommandFor(input);
    if (!command || !ready_) return false;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            SetFocus(window);
            SetCapture(window);
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) ReleaseCapture();
            break;
        default:
            break;
    }
    target_->send(command->method.c_str(), command->params, {});
    return true;
}

void ChromiumPage::checkFocusLeft(bool forward) {
    if (!ready_) return;
    target_->evaluate(kFocusLeftScript, [this, alive = std::weak_ptr<int>(lifetime_), forward](const DevToolsReply& reply) {
        if (!alive.lock() || !reply.ok()) return;
        if (reply.result.is_boolean() && reply.result.get<bool>()) sink_.focusLeft(forward);
    });
}

void ChromiumPage::focusEdge(bool first) {
    if (ready_) target_->evaluate(focusEdgeScript(first), {});
}

}  // namespace vesko::standin
