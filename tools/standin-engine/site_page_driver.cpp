#include "site_page_driver.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include <nlohmann/json.hpp>

#include "chromium/loopback_socket.h"
#include "lockdown_events.h"
#include "resolver_rules.h"

namespace vesko::standin {
namespace {

std::string originOf(const std::string& url) {
    const auto parts = splitHttpUrl(url);
    return parts ? parts->scheme + "://" + parts->host + (parts->port.empty() ? "" : ":" + parts->port) : "null";
}

}  // namespace

void SitePageDriver::load(const std::shared_ptr<Navigation>& navigation) {
    pipeline_.later([this, navigation]() { requestDocument(navigation); });
}

void SitePageDriver::addDocumentScript(const std::wstring&, const std::wstring&, ScriptAdded done) {
    pipeline_.context().dispatcher->post([done]() { done(S_OK); });
}

// No script runs here: the portal diagnostics collector gets the simulated page's
// snapshots, any other script what an empty page gives, null.
void SitePageDriver::evaluate(const std::wstring& script, ScriptDone done) {
    const std::wstring value = scriptValue(script);
    pipeline_.context().dispatcher->post([done, value]() { done(S_OK, value); });
}

void SitePageDriver::download(const std::wstring& uri, const std::wstring& path, std::function<void(bool)> done) {
    done(writeFetchedFile(*pipeline_.context().backend, uri, path));
}

bool writeFetchedFile(Backend& backend, const std::wstring& uri, const std::wstring& path) {
    const FetchResult fetched = backend.fetch(toUtf8(uri));
    if (fetched.networkError) return false;
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out << fetched.body;
    return static_cast<bool>(out);
}

void SitePageDriver::requestDocument(const std::shared_ptr<Navigation>& navigation) {
    if (!pipeline_.stillCurrent(navigation)) return;
    if (navigation->uri == L"about:blank") {
        FetchResult blank;
        blank.statusCode = 200;
        commit(navigation, blank);
        return;
    }
    if (!pipeline_.raisesDocumentRequest(*navigation) ||
        !pipeline_.wantsResource(navigation->uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT,
                                 COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT)) {
        fetchAndCommit(navigation, navigation->uri, nullptr);
        return;
    }
    pipeline_.raiseResourceRequest(navigation->uri, L"GET", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT,
                                   [this, navigation](ICoreWebView2WebResourceResponse* response, const std::wstring& uri) {
                                       fetchAndCommit(navigation, uri, response);
                                   });
}

void SitePageDriver::fetchAndCommit(const std::shared_ptr<Navigation>& navigation, const std::wstring& uri,
                    ICoreWebView2WebResourceResponse* hostResponse) {
    if (!pipeline_.stillCurrent(navigation)) return;
    FetchResult result;
    if (const auto answer = snapshotResponse(hostResponse)) {
        result.statusCode = answer->statusCode;
        result.reasonPhrase = toUtf8(answer->reasonPhrase);
        for (const auto& [name, value] : answer->headers) result.headers.emplace_back(toUtf8(name), toUtf8(value));
        result.body = answer->body;
        pipeline_.later([this, navigation, result]() { commit(navigation, result); });
        return;
    }
    checkCertificate(pipeline_, uri, true, pipeline_.context().backend->fetch(toUtf8(uri)),
                     [this, navigation](const FetchResult& fetched) {
                         pipeline_.later([this, navigation, fetched]() { commit(navigation, fetched); });
                     });
}

void SitePageDriver::commit(const std::shared_ptr<Navigation>& navigation, const FetchResult& result) {
    if (!pipeline_.stillCurrent(navigation)) return;
    const std::string uri = toUtf8(navigation->uri);
    if (result.networkError) {
        // The error page takes the failed address, as a browser shows it.
        pipeline_.page().model = PageModel{};
        const auto parts = splitHttpUrl(uri);
        pipeline_.page().model.title = parts ? parts->host : uri;
    } else {
        pipeline_.page().model = pipeline_.context().backend->describePage(uri, result.body);
        // A page without a title element shows its address; an empty one stays empty.
        if (pipeline_.page().model.title.empty() && !pipeline_.page().model.hasTitle) pipeline_.page().model.title = uri;
    }
    pipeline_.page().title = toWide(pipeline_.page().model.title);
    pipeline_.enterDocument(*navigation);

    pipeline_.raiseSourceChanged(true);
    if (!pipeline_.stillCurrent(navigation)) return;
    if (navigation->kind != NavigationKind::Reload) {
        pipeline_.raiseHistoryChanged();
        if (!pipeline_.stillCurrent(navigation)) return;
    }
    // The engine raises the title's change before or after the completion.
    const bool titleLast = pipeline_.context().knobs.titleAfterCompletion;
    if (!titleLast) {
        pipeline_.raiseTitleChanged();
        if (!pipeline_.stillCurrent(navigation)) return;
    }
    loadPageResources(result);
    if (!pipeline_.stillCurrent(navigation)) return;
    const bool success = !result.networkError && result.statusCode < 400;
    pipeline_.complete(navigation, success,
             result.networkError ? result.errorStatus : COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
    if (titleLast && !pipeline_.closed()) pipeline_.raiseTitleChanged();
    if (success && result.body.find("chrome.webview.postMessage({type:'vesko-probe'") != std::string::npos) {
        const std::string html = result.body;
        const std::wstring page = navigation->uri;
        pipeline_.later([this, html, page]() { runProbePage(html, page); });
    }
}

// Sub-resources and frames of a committed document, requested in document order.
void SitePageDriver::loadPageResources(const FetchResult& result) {
    pipeline_.page().frames.clear();
    document_ = Document{toUtf8(pipeline_.page().source), !result.networkError && result.statusCode < 400, {}};
    if (result.networkError) return;
    const PageModel page = pipeline_.page().model;
    for (std::size_t i = 0; i < page.subresources.size(); ++i) {
        auto outcome = std::make_shared<ResourceOutcome>();
        outcome->uri = toWide(page.subresources[i]);
        outcome->method = L"GET";
        outcome->context = i < page.subresourceContexts.size() ? page.subresourceContexts[i]
                                                               : COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
        pipeline_.runResource(outcome, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT, nullptr);
        if (pipeline_.closed()) return;
    }
    loadFrames(page, document_, 0, 1);
}

void SitePageDriver::loadFrames(const PageModel& page, Document& parent, std::uint32_t parentFrame, int depth) {
    for (std::size_t i = 0; i < page.frames.size(); ++i) {
        if (pipeline_.closed()) return;
        const std::string& url = page.frames[i];
        const std::wstring uri = toWide(url);
        // The frame exists before its document does: the host hears of it first.
        const std::wstring name = i < page.frameNames.size() ? toWide(page.frameNames[i]) : std::wstring();
        const std::uint32_t frame = pipeline_.frameTree().create(parentFrame, name, uri);
        if (pipeline_.closed()) return;
        const bool cancelled = pipeline_.raiseFrameNavigationStarting(uri);
        Document child{url, false, {}};
        if (cancelled) {
            pipeline_.page().frames.push_back({uri, depth, true});
            parent.frames.push_back(std::move(child));
            continue;
        }
        pipeline_.page().frames.push_back({uri, depth, false});
        if (url != "about:blank") {
            auto outcome = std::make_shared<ResourceOutcome>();
            outcome->uri = uri;
            outcome->method = L"GET";
            outcome->context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT;
            pipeline_.runResource(outcome, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT, nullptr);
            child.loaded = outcome->done && !outcome->networkError && outcome->status < 400;
            // Frames inside frames, a few levels down, as pages nest them.
            if (child.loaded && depth < 3) {
                loadFrames(pipeline_.context().backend->describePage(url, outcome->body), child, frame, depth + 1);
            }
        }
        parent.frames.push_back(std::move(child));
    }
}

// The value of the portal diagnostics collector: a snapshot from every document the
// hook runs in, top first, at most 30 frames of each window; a frame of another
// origin throws at the hook and is skipped with its own frames.
std::wstring SitePageDriver::scriptValue(const std::wstring& script) const {
    static const std::wstring kHook = L"__KORDIS_LOCAL_DIAGNOSTICS_204__";
    if (script.find(kHook) == std::wstring::npos || script.find(L"snapshot") == std::wstring::npos) return L"null";
    const auto& scripts = pipeline_.page().documentScripts;
    const bool hookAdded = std::any_of(scripts.begin(), scripts.end(), [](const auto& entry) {
        return entry.second.find(kHook) != std::wstring::npos;
    });
    nlohmann::ordered_json snapshots = nlohmann::ordered_json::array();
    if (hookAdded && document_.loaded) visitDocument(document_, originOf(document_.url), 0, 0, snapshots);
    return toWide(snapshots.dump());
}

void SitePageDriver::visitDocument(const Document& document, const std::string& topOrigin, int depth, int index,
                          nlohmann::ordered_json& out) {
    if (!document.loaded || originOf(document.url) != topOrigin) return;
    out.push_back({{"depth", depth}, {"index", index}, {"readyState", "complete"}});
    const std::size_t visited = std::min<std::size_t>(document.frames.size(), 30);
    for (std::size_t i = 0; i < visited; ++i) {
        visitDocument(document.frames[i], topOrigin, depth + 1, static_cast<int>(i), out);
    }
}

// The page's WebSocket to a loopback name: the name resolves (and a real connection
// reaches the listener) unless the host's resolver rules rewrite it. Nothing but loopback
// names resolves here, as the stand-in has no name service.
static void tryLoopbackSocket(const std::string& url, const std::wstring& arguments) {
    constexpr std::string_view scheme = "ws://";
    if (!url.starts_with(scheme)) return;
    const std::size_t colon = url.find(':', scheme.size());
    const std::size_t slash = url.find('/', scheme.size());
    if (colon == std::string::npos || slash == std::string::npos || colon > slash) return;
    const std::string host = url.substr(scheme.size(), colon - scheme.size());
    const bool loopbackName = host == "localhost" || host.ends_with(".localhost") || host == "127.0.0.1";
    const auto rules = parseResolverRules(toUtf8(switchValue(arguments, kResolverRulesSwitch).value_or(L"")));
    if (!loopbackName || rewriteHost(rules, host)) return;
    const int port = std::atoi(url.substr(colon + 1, slash - colon - 1).c_str());
    if (port <= 0 || port > 65535) return;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    const SOCKET s = connectLoopback(static_cast<std::uint16_t>(port), std::chrono::milliseconds(2000));
    if (s != INVALID_SOCKET) {
        const std::string request = "GET " + url.substr(slash) + " HTTP/1.1\r\nHost: " + host + ":" +
                                    std::to_string(port) + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n";
        send(s, request.data(), static_cast<int>(request.size()), 0);
        closesocket(s);
    }
    WSACleanup();
}

// The probe page, performed as a browser performs it under the environment's
// switches: a plain-http script runs on an https page only with insecure content
// allowed; a cross-origin answer without CORS permission is readable only without
// web security; the WebSocket goes as the resolver rules let it; WebRTC gathers nothing
// only with UDP kept to a proxy. Then the verdict is posted from the page's address.
void SitePageDriver::runProbePage(const std::string& html, const std::wstring& pageUri) {
    if (pipeline_.closed() || pipeline_.page().source != pageUri) return;
    const auto quoted = [&](std::string_view opening) {
        const std::size_t start = html.find(opening);
        if (start == std::string::npos) return std::string();
        const std::size_t from = start + opening.size();
        const std::size_t end = html.find('\'', from);
        return end == std::string::npos ? std::string() : html.substr(from, end - from);
    };
    const std::string nonce = quoted("const n='");
    const std::string mixedUrl = quoted("s.src='");
    const std::string corsUrl = quoted("fetch('");
    const std::wstring& arguments = pipeline_.context().browserArguments;
    tryLoopbackSocket(quoted("new WebSocket('"), arguments);
    const bool webrtc =
        arguments.find(L"--force-webrtc-ip-handling-policy=disable_non_proxied_udp") != std::wstring::npos;
    const bool webSecurityOff = arguments.find(L"--disable-web-security") != std::wstring::npos;
    const bool insecureAllowed = arguments.find(L"--allow-running-insecure-content") != std::wstring::npos;
    const std::string page = toUtf8(pageUri);
    const std::string pageOrigin = originOf(page);

    struct Verdict {
        bool cors = false;
        bool mixed = false;
        int pending = 2;
    };
    auto verdict = std::make_shared<Verdict>();
    NavigationPipeline& pipeline = pipeline_;
    const auto settle = [&pipeline, verdict, nonce, pageUri, webrtc]() {
        if (--verdict->pending > 0) return;
        if (pipeline.closed() || pipeline.page().source != pageUri) return;
        nlohmann::ordered_json message = {
            {"type", "vesko-probe"}, {"nonce", nonce}, {"cors", verdict->cors}, {"mixed", verdict->mixed},
            {"webrtc", webrtc}};
        pipeline.raiseWebMessage(pageUri, toWide(message.dump()));
    };

    auto script = std::make_shared<ResourceOutcome>();
    script->uri = toWide(mixedUrl);
    script->method = L"GET";
    script->context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT;
    const auto scriptParts = splitHttpUrl(mixedUrl);
    if (page.starts_with("https:") && scriptParts && scriptParts->scheme == "http" && !insecureAllowed) {
        // Mixed content is blocked before any request leaves the page.
        script->blocked = true;
        script->done = true;
        pipeline_.page().logResource(script);
        settle();
    } else {
        pipeline_.runResource(script, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT, [script, verdict, settle]() {
            verdict->mixed = !script->networkError && script->status == 200 &&
                             script->body.find("__veskoMixed()") != std::string::npos;
            settle();
        });
    }

    auto fetched = std::make_shared<ResourceOutcome>();
    fetched->uri = toWide(corsUrl);
    fetched->method = L"GET";
    fetched->context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH;
    pipeline_.runResource(fetched, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT,
                [fetched, verdict, settle, nonce, pageOrigin, corsUrl, webSecurityOff]() {
                    std::wstring allowOrigin;
                    for (const auto& [name, value] : fetched->headers) {
                        if (_wcsicmp(name.c_str(), L"Access-Control-Allow-Origin") == 0) allowOrigin = value;
                    }
                    const bool readable = webSecurityOff || originOf(corsUrl) == pageOrigin ||
                                          allowOrigin == L"*" || allowOrigin == toWide(pageOrigin);
                    verdict->cors = readable && !fetched->networkError && fetched->status == 200 &&
                                    fetched->body == nonce;
                    settle();
                });
}

}  // namespace vesko::standin
