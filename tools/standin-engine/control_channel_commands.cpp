#include "control_channel_commands.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>

#include "com_support.h"
#include "base64.h"
#include "site_backend.h"

namespace vesko::standin {

void refuse(const char* code, const std::string& message) { throw CommandError(code, message); }

namespace {

using Json = nlohmann::ordered_json;

constexpr int kProtocolVersion = 1;

enum class Type { String, Integer, Boolean, Any, View };

struct Member {
    const char* name;
    Type type;
    bool required = false;
};

// What a command gives back: a result now, or a function that gives it once the engine
// is done (null until then).
struct Answer {
    Json now = Json::object();
    std::function<Json()> later;
};

using Handler = Answer (*)(const Json& request);

struct Command {
    const char* name;
    std::vector<Member> members;
    Handler handler;
};

const char* typeName(Type type) {
    switch (type) {
        case Type::String: return "a string";
        case Type::Integer: return "an integer";
        case Type::Boolean: return "a boolean";
        case Type::View: return "a view name or number";
        case Type::Any: return "any value";
    }
    return "";
}

bool hasType(const Json& value, Type type) {
    switch (type) {
        case Type::String: return value.is_string();
        case Type::Integer: return value.is_number_integer();
        case Type::Boolean: return value.is_boolean();
        case Type::View: return value.is_string() || value.is_number_integer();
        case Type::Any: return true;
    }
    return false;
}

void checkMembers(const Json& request, const std::vector<Member>& members) {
    for (const auto& [key, value] : request.items()) {
        if (key == "id" || key == "cmd") continue;
        const auto known = std::find_if(members.begin(), members.end(), [&](const Member& m) { return key == m.name; });
        if (known == members.end()) refuse("BAD_REQUEST", "unknown member \"" + key + "\"");
        if (!hasType(value, known->type)) {
            refuse("BAD_REQUEST", "member \"" + key + "\" must be " + typeName(known->type));
        }
    }
    for (const Member& member : members) {
        if (member.required && !request.contains(member.name)) {
            refuse("BAD_REQUEST", std::string("member \"") + member.name + "\" is missing");
        }
    }
}

// --- views ---

LiveView findView(const Json& request) {
    const auto views = liveViews();
    const Json& wanted = request.at("view");
    if (wanted.is_string() && wanted.get<std::string>() == "visible") {
        for (const LiveView& view : views) {
            const auto state = readView(view.controller);
            if (state && state->visible) return view;
        }
        refuse("NO_SUCH_VIEW", "no view is visible");
    }
    const std::string name = wanted.is_number_integer() ? "view#" + std::to_string(wanted.get<std::int64_t>())
                                                        : wanted.get<std::string>();
    for (const LiveView& view : views) {
        if (view.viewName == name || view.controllerName == name) return view;
    }
    refuse("NO_SUCH_VIEW", "no live view " + name);
}

ViewState stateOf(const LiveView& view) {
    const auto state = readView(view.controller);
    if (!state) refuse("NO_SUCH_VIEW", "the view " + view.viewName + " has gone");
    return *state;
}

Json viewJson(const LiveView& view, const ViewState& state) {
    return Json{{"name", view.viewName},
                {"controller", view.controllerName},
                {"source", toUtf8(state.source)},
                {"title", toUtf8(state.title)},
                {"loading", state.loading},
                {"zoom", state.zoom},
                {"visible", state.visible},
                {"bounds", Json::array({state.bounds.left, state.bounds.top, state.bounds.right, state.bounds.bottom})},
                {"framesPainted", state.framesPainted},
                {"rendererGone", state.rendererGone},
                {"unresponsive", state.unresponsive},
                {"processFailures", state.processFailures}};
}

std::string viewNameOf(ICoreWebView2* identity) {
    for (const LiveView& view : liveViews()) {
        if (view.view == identity) return view.viewName;
    }
    return {};
}

// The links of the view's document as the site serves it.
std::vector<LinkModel> linksOf(const ViewState& state) {
    const std::string source = toUtf8(state.source);
    if (!splitHttpUrl(source)) return {};
    const auto backend = makeSiteFolderBackend(currentSettings().siteFolder);
    const FetchResult page = backend->fetch(source);
    if (page.networkError) return {};
    return scanLinks(source, page.body);
}

Json linkJson(const LinkModel& link) {
    return Json{{"href", link.href}, {"text", link.text}, {"target", link.target}, {"download", link.download}};
}

LinkModel findLink(const Json& request, const ViewState& state) {
    const bool byText = request.contains("text");
    const bool byHref = request.contains("href");
    if (byText == byHref) refuse("BAD_REQUEST", "name the link by exactly one of \"text\" and \"href\"");
    const std::string wanted = byText ? text(request, "text") : resolveUrl(toUtf8(state.source), text(request, "href"));
    for (const LinkModel& link : linksOf(state)) {
        if ((byText ? link.text : link.href) == wanted) return link;
    }
    refuse("NO_SUCH_LINK", "no link " + wanted + " on " + toUtf8(state.source));
}

// --- what the document scripts do with a user's input ---

// The host a block of the document script is guarded by: the text of the nearest
// "location.hostname !== '...'" before the block's marker. Empty when the block is absent.
std::string guardedHost(const std::vector<std::wstring>& scripts, std::wstring_view marker) {
    static constexpr std::wstring_view kGuard = L"location.hostname !== '";
    for (const std::wstring& script : scripts) {
        const std::size_t at = script.find(marker);
        if (at == std::wstring::npos) continue;
        const std::size_t guard = script.rfind(kGuard, at);
        if (guard == std::wstring::npos) continue;
        const std::size_t start = guard + kGuard.size();
        const std::size_t end = script.find(L'\'', start);
        if (end != std::wstring::npos && end < at) return toUtf8(script.substr(start, end - start));
    }
    return {};
}

std::string hostOf(const std::string& url) {
    const auto parts = splitHttpUrl(url);
    return parts ? parts->host : std::string();
}

// The address the background-open block posts for a middle click on `link`, or nothing
// when the block does not take the click: an http(s) link on the guarded host, on its
// default port, without a download attribute, written as the page's URL object writes it.
std::optional<std::string> backgroundOpenAddress(const std::string& host, const LinkModel& link) {
    const auto parts = splitHttpUrl(link.href);
    if (!parts || link.download || parts->host != host) return std::nullopt;
    const std::string defaultPort = parts->scheme == "https" ? "443" : "80";
    if (!parts->port.empty() && parts->port != defaultPort) return std::nullopt;
    const std::size_t fragment = link.href.find('#');
    return parts->scheme + "://" + parts->host + parts->path + parts->query +
           (fragment == std::string::npos ? "" : link.href.substr(fragment));
}

// --- outcomes ---

struct ContextName {
    const char* name;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
};
constexpr std::array<ContextName, 16> kContexts{{
    {"document", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT},
    {"stylesheet", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET},
    {"image", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE},
    {"media", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA},
    {"font", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT},
    {"script", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT},
    {"xmlhttprequest", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST},
    {"fetch", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH},
    {"texttrack", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_TEXT_TRACK},
    {"eventsource", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_EVENT_SOURCE},
    {"websocket", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_WEBSOCKET},
    {"manifest", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MANIFEST},
    {"signedexchange", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SIGNED_EXCHANGE},
    {"ping", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_PING},
    {"cspviolationreport", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT},
    {"other", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER},
}};

std::string contextName(COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    for (const auto& entry : kContexts) {
        if (entry.context == context) return entry.name;
    }
    return std::to_string(static_cast<int>(context));
}

Json resourceJson(const ResourceOutcome& outcome) {
    Json headers = Json::array();
    for (const auto& [name, value] : outcome.headers) headers.push_back(Json::array({toUtf8(name), toUtf8(value)}));
    return Json{{"uri", toUtf8(outcome.uri)},
                {"method", toUtf8(outcome.method)},
                {"kind", contextName(outcome.context)},
                {"raised", outcome.raised},
                {"blocked", outcome.blocked},
                {"answeredByHost", outcome.answeredByHost},
                {"networkError", outcome.networkError},
                {"status", outcome.status},
                {"headers", headers},
                {"bodyLength", outcome.body.size()},
                {"bodyBase64", base64Encode(outcome.body)},
                {"done", outcome.done}};
}

Json newWindowJson(const NewWindowOutcome& outcome) {
    const std::string view = outcome.newWindow != nullptr ? viewNameOf(outcome.newWindow) : std::string();
    return Json{{"handled", outcome.handled},
                {"deferred", outcome.deferred},
                {"deferralCompleted", outcome.deferralCompleted},
                {"engineWindow", outcome.engineWindow},
                {"newWindow", view.empty() ? Json(nullptr) : Json(view)}};
}

Json downloadJson(const DownloadOutcome& outcome) {
    return Json{{"cancelled", outcome.cancelled},
                {"handled", outcome.handled},
                {"deferred", outcome.deferred},
                {"resultPath", toUtf8(outcome.resultPath)},
                {"written", outcome.written}};
}

// The full path a browser proposes for a download: the user's download folder and the
// name the link's download attribute gives, else the address's last path segment. The
// name is passed on as the page wrote it: the engine promises no cleaning of it.
std::wstring proposedDownloadPath(const std::string& url, const std::string& linkName = std::string()) {
    std::wstring folder = L"C:\\Downloads";
    PWSTR known = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &known)) && known != nullptr) folder = known;
    CoTaskMemFree(known);
    const auto parts = splitHttpUrl(url);
    std::string name = parts ? parts->path.substr(parts->path.rfind('/') + 1) : std::string();
    if (!linkName.empty()) name = linkName;
    if (name.empty()) name = "download";
    return folder + L"\\" + toWide(name);
}

Answer awaitNewWindow(std::shared_ptr<NewWindowOutcome> outcome, Json now) {
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    Answer answer;
    answer.later = [outcome, now]() mutable {
        if (!outcome->done) return Json();
        now["newWindow"] = newWindowJson(*outcome);
        return now;
    };
    return answer;
}

Answer awaitDownload(std::shared_ptr<DownloadOutcome> outcome, Json now) {
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    Answer answer;
    answer.later = [outcome, now]() mutable {
        if (!outcome->done) return Json();
        now["download"] = downloadJson(*outcome);
        return now;
    };
    return answer;
}

// --- the commands ---

Answer ping(const Json&) {
    Answer answer;
    answer.now = Json{{"protocol", kProtocolVersion}, {"pid", GetCurrentProcessId()}};
    return answer;
}

Answer views(const Json&) {
    Json list = Json::array();
    for (const LiveView& view : liveViews()) {
        if (const auto state = readView(view.controller)) list.push_back(viewJson(view, *state));
    }
    // Views the host still holds after they closed (a browser's exit closes them all).
    Json closed = Json::array();
    for (const LiveView& view : closedViews()) closed.push_back(Json{{"name", view.viewName}, {"controller", view.controllerName}});
    Answer answer;
    answer.now = Json{{"views", list}, {"closed", closed}};
    return answer;
}

Answer view(const Json& request) {
    const LiveView found = findView(request);
    Answer answer;
    answer.now = viewJson(found, stateOf(found));
    return answer;
}

Answer links(const Json& request) {
    const LiveView found = findView(request);
    Json list = Json::array();
    for (const LinkModel& link : linksOf(stateOf(found))) list.push_back(linkJson(link));
    Answer answer;
    answer.now = Json{{"links", list}};
    return answer;
}

Answer framesOfView(const Json& request) {
    const LiveView found = findView(request);
    stateOf(found);
    Json list = Json::array();
    for (const FrameState& frame : frames(found.controller)) {
        list.push_back({{"uri", toUtf8(frame.uri)}, {"depth", frame.depth}, {"cancelled", frame.cancelled}});
    }
    Answer answer;
    answer.now = Json{{"frames", list}, {"live", liveFramesJson(found.controller)}};
    return answer;
}

Answer resources(const Json& request) {
    const LiveView found = findView(request);
    stateOf(found);
    const auto log = resourceLog(found.controller);
    const std::int64_t after = request.contains("after") ? request.at("after").get<std::int64_t>() : 0;
    Json list = Json::array();
    for (std::size_t i = static_cast<std::size_t>(std::max<std::int64_t>(after, 0)); i < log.size(); ++i) {
        Json entry = resourceJson(*log[i]);
        entry.erase("bodyBase64");
        entry.erase("headers");
        list.push_back(std::move(entry));
    }
    Answer answer;
    answer.now = Json{{"resources", list}, {"count", log.size()}};
    return answer;
}

Answer navigate(const Json& request) {
    const LiveView found = findView(request);
    const std::string url = text(request, "url");
    if (const auto frame = namedFrame(found.controller, request)) {
        if (!navigateFrame(found.controller, frame->id, toWide(url))) refuse("BAD_REQUEST", "the frame cannot go there");
        return {};
    }
    if (!navigateFromPage(found.controller, toWide(url), flag(request, "userInitiated"))) {
        refuse("BAD_REQUEST", "the page cannot go to \"" + url + "\"");
    }
    return {};
}

Answer click(const Json& request) {
    const LiveView found = findView(request);
    ViewState state = stateOf(found);
    const auto frame = namedFrame(found.controller, request);
    if (frame) state.source = frame->source;  // a link of the frame's document
    const LinkModel link = findLink(request, state);
    const std::string button = text(request, "button", "left");
    if (button != "left" && button != "middle") refuse("BAD_REQUEST", "a button is \"left\" or \"middle\"");
    if (frame && button != "middle") refuse("BAD_REQUEST", "a click in a frame is a middle click");
    Json now{{"link", linkJson(link)}};

    if (button == "middle") {
        // The document script's background-open block takes a middle click on a portal
        // link of a portal document; anything else the engine opens in a window.
        const std::string host = guardedHost(documentScripts(found.controller), L"vesk-open-background");
        const auto address = !host.empty() && hostOf(toUtf8(state.source)) == host ? backgroundOpenAddress(host, link)
                                                                                   : std::nullopt;
        if (address) {
            const Json message{{"type", "vesk-open-background"}, {"url", *address}};
            postFrom(found.controller, frame, state.source, toWide(message.dump()));
            now["action"] = "message";
            now["message"] = message;
            Answer answer;
            answer.now = now;
            return answer;
        }
        now["action"] = "newWindow";
        return awaitNewWindow(requestNewWindow(found.controller, toWide(link.href)), now);
    }
    if (link.download) {
        now["action"] = "download";
        return awaitDownload(startDownload(found.controller, toWide(link.href), proposedDownloadPath(link.href, link.downloadName)), now);
    }
    if (!link.target.empty() && link.target != "_self" && link.target != "_top" && link.target != "_parent") {
        now["action"] = "newWindow";
        return awaitNewWindow(requestNewWindow(found.controller, toWide(link.href)), now);
    }
    navigateFromPage(found.controller, toWide(link.href), true);
    now["action"] = "navigate";
    Answer answer;
    answer.now = now;
    return answer;
}

Answer input(const Json& request) {
    const LiveView found = findView(request);
    ViewState state = stateOf(found);
    const auto frame = namedFrame(found.controller, request);
    if (frame) state.source = frame->source;  // document scripts run in frames too
    // The document script's dirty marker reports the first real edit of a portal document.
    const std::string host = guardedHost(documentScripts(found.controller), L"vesko-dirty");
    const bool posted = !host.empty() && hostOf(toUtf8(state.source)) == host;
    if (posted) postFrom(found.controller, frame, state.source, LR"({"type":"vesko-dirty","dirty":true})");
    Answer answer;
    answer.now = Json{{"posted", posted}};
    return answer;
}

Answer openWindow(const Json& request) {
    const LiveView found = findView(request);
    return awaitNewWindow(requestNewWindow(found.controller, toWide(text(request, "url"))), Json::object());
}

Answer closeWindow(const Json& request) {
    const LiveView found = findView(request);
    if (!requestWindowClose(found.controller)) refuse("NO_SUCH_VIEW", "the view has gone");
    return {};
}

Answer postMessage(const Json& request) {
    const LiveView found = findView(request);
    const ViewState state = stateOf(found);
    if (request.contains("message") == request.contains("json")) {
        refuse("BAD_REQUEST", "give exactly one of \"message\" and \"json\"");
    }
    const std::string json = request.contains("json") ? text(request, "json") : request.at("message").dump();
    const std::wstring source = request.contains("source") ? toWide(text(request, "source")) : state.source;
    const auto frame = namedFrame(found.controller, request);
    if (frame && request.contains("source")) refuse("BAD_REQUEST", "a frame's message comes from its own document");
    postFrom(found.controller, frame, source, toWide(json));
    return {};
}

Answer resourceRequest(const Json& request) {
    const LiveView found = findView(request);
    const std::string kind = text(request, "kind", "fetch");
    const auto context = std::find_if(kContexts.begin(), kContexts.end(), [&](const ContextName& c) { return kind == c.name; });
    if (context == kContexts.end()) refuse("BAD_REQUEST", "unknown resource kind " + kind);
    const auto outcome = requestResource(found.controller, toWide(text(request, "url")), toWide(text(request, "method", "GET")),
                                         context->context);
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    Answer answer;
    answer.later = [outcome]() { return outcome->done ? resourceJson(*outcome) : Json(); };
    return answer;
}

Answer download(const Json& request) {
    const LiveView found = findView(request);
    const std::string url = text(request, "url");
    const std::wstring path = request.contains("path") ? toWide(text(request, "path")) : proposedDownloadPath(url);
    return awaitDownload(startDownload(found.controller, toWide(url), path), Json::object());
}

Answer permission(const Json& request) {
    static constexpr std::array<std::pair<const char*, COREWEBVIEW2_PERMISSION_KIND>, 6> kKinds{{
        {"microphone", COREWEBVIEW2_PERMISSION_KIND_MICROPHONE},
        {"camera", COREWEBVIEW2_PERMISSION_KIND_CAMERA},
        {"geolocation", COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION},
        {"notifications", COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS},
        {"clipboardRead", COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ},
        {"otherSensors", COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS},
    }};
    const LiveView found = findView(request);
    const ViewState state = stateOf(found);
    const Json& kind = request.at("kind");
    COREWEBVIEW2_PERMISSION_KIND chosen = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    if (kind.is_number_integer()) {
        chosen = static_cast<COREWEBVIEW2_PERMISSION_KIND>(kind.get<int>());
    } else if (kind.is_string()) {
        const auto it = std::find_if(kKinds.begin(), kKinds.end(), [&](const auto& k) { return kind.get<std::string>() == k.first; });
        if (it == kKinds.end()) refuse("BAD_REQUEST", "unknown permission " + kind.get<std::string>());
        chosen = it->second;
    } else {
        refuse("BAD_REQUEST", "member \"kind\" must be a permission name or number");
    }
    const std::wstring uri = request.contains("url") ? toWide(text(request, "url")) : state.source;
    const auto outcome = requestPermission(found.controller, chosen, uri);
    if (!outcome) refuse("NO_SUCH_VIEW", "the view has gone");
    Answer answer;
    answer.later = [outcome]() {
        if (!outcome->done) return Json();
        const char* names[] = {"default", "allow", "deny"};
        const int state = static_cast<int>(outcome->state);
        return Json{{"state", state >= 0 && state <= 2 ? names[state] : "unknown"}};
    };
    return answer;
}

Json callJson(const RecordedCall& call) {
    return Json{{"event", "call"},
                {"sequence", call.sequence},
                {"object", call.object},
                {"method", call.method},
                {"detail", call.detail}};
}

Answer record(const Json& request) {
    const std::int64_t after = request.contains("after") ? request.at("after").get<std::int64_t>() : 0;
    const std::int64_t limit = request.contains("limit") ? request.at("limit").get<std::int64_t>() : 100000;
    Json calls = Json::array();
    const auto all = callRecord();
    for (const RecordedCall& call : all) {
        if (static_cast<std::int64_t>(call.sequence) <= after) continue;
        if (static_cast<std::int64_t>(calls.size()) >= limit) break;
        Json entry = callJson(call);
        entry.erase("event");
        calls.push_back(std::move(entry));
    }
    Answer answer;
    answer.now = Json{{"calls", calls}, {"last", all.empty() ? 0 : all.back().sequence}};
    return answer;
}

Answer releaseEnvironment(const Json&) {
    Answer answer;
    answer.now = Json{{"released", releaseHeldCreations()}};
    return answer;
}

Answer processFailure(const Json& request) { return {processFailureCommand(findView(request).controller, request), {}}; }
Answer endHang(const Json& request) { return {endUnresponsiveCommand(findView(request)), {}}; }
Answer processes(const Json& request) { return {Json::object(), processesCommand(findView(request))}; }
Answer workerRequest(const Json& request) { return {Json::object(), workerRequestCommand(findView(request), request)}; }
Answer engineFaults(const Json&) { return {faultsCommand(), {}}; }
Answer contextMenu(const Json& r) { return {Json::object(), contextMenuCommand(findView(r), r)}; }
Answer externalScheme(const Json& r) { return {Json::object(), externalSchemeCommand(findView(r), r)}; }
Answer drop(const Json& r) { return {dropCommand(findView(r), r), {}}; }
Answer certificates(const Json& r) { return {certificateErrorsCommand(findView(r)), {}}; }
Answer moveFocusRequested(const Json& r) { return {Json::object(), moveFocusRequestedCommand(findView(r), r)}; }
Answer key(const Json& r) { return {Json::object(), keyCommand(findView(r), r)}; }

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"ping", {}, &ping},
        {"views", {}, &views},
        {"view", {{"view", Type::View, true}}, &view},
        {"links", {{"view", Type::View, true}}, &links},
        {"frames", {{"view", Type::View, true}}, &framesOfView},
        {"resources", {{"view", Type::View, true}, {"after", Type::Integer}}, &resources},
        {"navigate",
         {{"view", Type::View, true}, {"url", Type::String, true}, {"userInitiated", Type::Boolean}, {"frame", Type::Any}},
         &navigate},
        {"click",
         {{"view", Type::View, true}, {"text", Type::String}, {"href", Type::String}, {"button", Type::String},
          {"frame", Type::Any}},
         &click},
        {"input", {{"view", Type::View, true}, {"frame", Type::Any}}, &input},
        {"openWindow", {{"view", Type::View, true}, {"url", Type::String}}, &openWindow},
        {"closeWindow", {{"view", Type::View, true}}, &closeWindow},
        {"postMessage",
         {{"view", Type::View, true}, {"message", Type::Any}, {"json", Type::String}, {"source", Type::String},
          {"frame", Type::Any}},
         &postMessage},
        {"request",
         {{"view", Type::View, true}, {"url", Type::String, true}, {"method", Type::String}, {"kind", Type::String}},
         &resourceRequest},
        {"download", {{"view", Type::View, true}, {"url", Type::String, true}, {"path", Type::String}}, &download},
        {"permission", {{"view", Type::View, true}, {"kind", Type::Any, true}, {"url", Type::String}}, &permission},
        {"key",
         {{"view", Type::View, true}, {"key", Type::Any, true}, {"kind", Type::String}, {"ctrl", Type::Boolean},
          {"shift", Type::Boolean}, {"alt", Type::Boolean}, {"repeat", Type::Boolean}},
         &key},
        {"record", {{"after", Type::Integer}, {"limit", Type::Integer}}, &record},
        {"releaseEnvironment", {}, &releaseEnvironment},
        {"processFailure",
         {{"view", Type::View, true}, {"kind", Type::Any, true}, {"reason", Type::Any}, {"exitCode", Type::Integer}},
         &processFailure},
        {"endUnresponsive", {{"view", Type::View, true}}, &endHang},
        {"processes", {{"view", Type::View, true}}, &processes},
        {"workerRequest",
         {{"view", Type::View, true}, {"url", Type::String, true}, {"worker", Type::String}, {"kind", Type::String}},
         &workerRequest},
        {"faults", {}, &engineFaults},
        {"resourceCounts", {}, [](const Json&) { return Answer{resourceCountsCommand(), {}}; }},
        {"contextMenu", {{"view", Type::View, true}, {"target", Type::String}}, &contextMenu},
        {"externalScheme", {{"view", Type::View, true}, {"url", Type::String, true}}, &externalScheme},
        {"drop", {{"view", Type::View, true}, {"url", Type::String, true}}, &drop},
        {"certificateErrors", {{"view", Type::View, true}}, &certificates},
        {"moveFocusRequested", {{"view", Type::View, true}, {"reason", Type::String}}, &moveFocusRequested},
        // Answered by ControlCommands itself: it keeps the subscribers.
        {"subscribe", {{"after", Type::Integer}}, nullptr},
    };
    return table;
}

std::string replyLine(const Json& id, const Json& result) {
    Json reply = Json::object();
    if (!id.is_null()) reply["id"] = id;
    reply["ok"] = true;
    reply["result"] = result;
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string ControlCommands::errorLine(const Json& id, std::string_view code, std::string_view message) {
    Json reply = Json::object();
    if (!id.is_null()) reply["id"] = id;
    reply["ok"] = false;
    reply["error"] = std::string(code);
    reply["message"] = std::string(message);
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void ControlCommands::handleLine(const std::shared_ptr<ChannelClient>& client, std::string_view line) {
    Json request = Json::parse(line.begin(), line.end(), nullptr, false, false);
    if (request.is_discarded()) {
        client->sendLine(errorLine(nullptr, "BAD_JSON", "a request is one JSON object on one line"));
        return;
    }
    if (!request.is_object()) {
        client->sendLine(errorLine(nullptr, "BAD_REQUEST", "a request is a JSON object"));
        return;
    }
    Json id = nullptr;
    if (request.contains("id")) {
        id = request.at("id");
        if (!id.is_string() && !id.is_number_integer()) {
            client->sendLine(errorLine(nullptr, "BAD_REQUEST", "member \"id\" must be a string or an integer"));
            return;
        }
    }
    run(client, id, request);
}

void ControlCommands::run(const std::shared_ptr<ChannelClient>& client, const Json& id, const Json& request) {
    try {
        if (!request.contains("cmd") || !request.at("cmd").is_string()) {
            refuse("BAD_REQUEST", "member \"cmd\" must name a command");
        }
        const std::string name = request.at("cmd").get<std::string>();
        const auto& table = commands();
        const auto command = std::find_if(table.begin(), table.end(), [&](const Command& c) { return name == c.name; });
        if (command == table.end()) refuse("UNKNOWN_COMMAND", "no command \"" + name + "\"");
        checkMembers(request, command->members);

        if (command->handler == nullptr) {
            // Backlog first, then every new entry as it is made.
            const std::int64_t after = request.contains("after") ? request.at("after").get<std::int64_t>() : 0;
            const auto all = callRecord();
            client->sendLine(replyLine(id, Json{{"last", all.empty() ? 0 : all.back().sequence}}));
            for (const RecordedCall& call : all) {
                if (static_cast<std::int64_t>(call.sequence) > after) {
                    client->sendLine(callJson(call).dump(-1, ' ', false, Json::error_handler_t::replace));
                }
            }
            std::erase_if(subscribers_, [&](const Subscriber& s) { return s.client.lock() == client; });
            subscribers_.push_back({client});
            return;
        }

        Answer answer = command->handler(request);
        if (answer.later) {
            pending_.push_back({client, id, std::move(answer.later)});
            poll();
            return;
        }
        client->sendLine(replyLine(id, answer.now));
    } catch (const CommandError& error) {
        client->sendLine(errorLine(id, error.code, error.what()));
    } catch (const std::exception& error) {
        client->sendLine(errorLine(id, "FAILED", error.what()));
    }
}

void ControlCommands::poll() {
    // Answers may run host code through the record listener; work on what is due now.
    for (std::size_t i = 0; i < pending_.size();) {
        const auto client = pending_[i].client.lock();
        if (!client) {
            pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        std::string line;
        const Json id = pending_[i].id;
        try {
            const Json result = pending_[i].result();
            if (result.is_null()) {
                ++i;
                continue;
            }
            line = replyLine(id, result);
        } catch (const CommandError& error) {
            line = errorLine(id, error.code, error.what());
        } catch (const std::exception& error) {
            line = errorLine(id, "FAILED", error.what());
        }
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
        client->sendLine(line);
    }
}

void ControlCommands::forget(const ChannelClient* client) {
    std::erase_if(pending_, [&](const Pending& p) {
        const auto held = p.client.lock();
        return !held || held.get() == client;
    });
    std::erase_if(subscribers_, [&](const Subscriber& s) {
        const auto held = s.client.lock();
        return !held || held.get() == client;
    });
}

void ControlCommands::onRecord(const RecordedCall& call) {
    if (subscribers_.empty()) return;
    const std::string line = callJson(call).dump(-1, ' ', false, Json::error_handler_t::replace);
    // A client may go while its line is sent; work on a copy.
    const auto subscribers = subscribers_;
    for (const Subscriber& subscriber : subscribers) {
        if (const auto client = subscriber.client.lock()) client->sendLine(line);
    }
}

}  // namespace vesko::standin
