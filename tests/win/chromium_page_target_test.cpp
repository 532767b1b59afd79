// The asynchronous DevTools layer against a real headless Chromium: answers and events come
// from the message loop, a page target serves made-up hosts through held requests, and the
// page's scripts, bindings, screencast and zoom work as the backend needs them.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "chromium/base64_decode.h"
#include "chromium/chromium_process.h"
#include "chromium/devtools_pump.h"
#include "chromium/page_target.h"
#include "chromium/websocket_handshake.h"
#include "engine_test_support_win.h"
#include "loopback_listener_win.h"
#include "test_folder_win.h"

namespace vesko::standin {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

constexpr char kPortal[] = "https://portal.kordis.example/";
constexpr int kWaitMs = 5000;

// The browser endpoint of a running Chromium, from the port file in its profile.
DevToolsEndpoint endpointOf(const std::filesystem::path& profile) {
    std::ifstream file(profile / L"DevToolsActivePort");
    std::stringstream text;
    text << file.rdbuf();
    const auto endpoint = parseDevToolsActivePort(text.str());
    if (!endpoint) throw std::runtime_error("no DevTools endpoint in the profile");
    return *endpoint;
}

// A started Chromium for one suite, with a fresh profile.
struct SuiteBrowser {
    TestFolder folder;
    std::unique_ptr<ChromiumProcess> chromium;
    std::string launchError = "not started";

    SuiteBrowser() {
        try {
            // Fatal-only logging keeps Chromium's D-Bus complaints out of the test output.
            chromium = std::make_unique<ChromiumProcess>(
                ChromiumLaunch{folder.path() / L"profile", "en-US", "--log-level=3", 20s});
        } catch (const std::exception& error) {
            launchError = error.what();
        }
    }
    std::unique_ptr<DevToolsPump> connect() const {
        const DevToolsEndpoint endpoint = endpointOf(folder.path() / L"profile");
        return std::make_unique<DevToolsPump>(endpoint.port, endpoint.path);
    }
};

// Records one reply, so a test can wait for it and look at it.
struct Outcome {
    std::optional<DevToolsReply> reply;
    int calls = 0;
    DevToolsCallback callback() {
        return [this](const DevToolsReply& answer) {
            reply = answer;
            ++calls;
        };
    }
    bool arrived() const { return reply.has_value(); }
};

const HttpHeaders kHtmlHeaders{{"Content-Type", "text/html; charset=utf-8"}};

class ChromiumPageTarget : public ::testing::Test {
protected:
    static void SetUpTestSuite() { browser_ = new SuiteBrowser; }
    static void TearDownTestSuite() {
        delete browser_;
        browser_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(browser_->chromium, nullptr) << browser_->launchError;
        pump_ = browser_->connect();
        Outcome ready;
        page_ = std::make_unique<PageTarget>(*pump_, PageViewport{}, ready.callback());
        ASSERT_TRUE(pumpUntil([&] { return ready.arrived(); }, kWaitMs));
        ASSERT_TRUE(ready.reply->ok()) << ready.reply->failure->message;
        EXPECT_FALSE(page_->mainFrameId().empty());
    }
    void TearDown() override {
        page_.reset();
        pump_.reset();
    }

    // Waits for the page's answer to op; fails the test when none comes.
    DevToolsReply await(const std::function<void(DevToolsCallback)>& op) {
        Outcome outcome;
        op(outcome.callback());
        EXPECT_TRUE(pumpUntil([&] { return outcome.arrived(); }, kWaitMs)) << "no answer";
        return outcome.reply.value_or(DevToolsReply{});
    }
    Json evaluate(const std::string& script) {
        const DevToolsReply reply = await([&](DevToolsCallback done) { page_->evaluate(script, done); });
        EXPECT_TRUE(reply.ok()) << script << ": " << (reply.failure ? reply.failure->message : "");
        return reply.result;
    }
    // Answers every paused request from pages: path -> (content type, body); anything
    // else is a 404.
    void serve(std::map<std::string, std::pair<std::string, std::string>> pages) {
        page_->events().requestPaused = [this, pages](PausedRequest request) {
            paused_.push_back(request);
            const std::string path = request.url.substr(std::string(kPortal).size() - 1);
            const auto found = pages.find(path);
            if (found == pages.end()) {
                request.fulfill(404, "", kHtmlHeaders, "<title>404</title>");
                return;
            }
            request.fulfill(200, "", {{"Content-Type", found->second.first + "; charset=utf-8"}}, found->second.second);
        };
    }

    static inline SuiteBrowser* browser_ = nullptr;
    std::unique_ptr<DevToolsPump> pump_;
    std::unique_ptr<PageTarget> page_;
    std::vector<PausedRequest> paused_;
};

TEST_F(ChromiumPageTarget, AnswersAndEventsComeFromTheLoopNeverInsideSend) {
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<std::string> order;
    DWORD answeredOn = 0;
    pump_->send("Browser.getVersion", Json::object(), {}, [&](const DevToolsReply& reply) {
        answeredOn = GetCurrentThreadId();
        order.push_back(reply.ok() && reply.result.contains("product") ? "version" : "version failed");
    });
    Outcome unknown;
    pump_->send("Vesko.noSuchMethod", Json::object(), {}, unknown.callback());
    // The page target asked for target discovery on this connection.
    int created = 0;
    const auto subscription = pump_->subscribe("Target.targetCreated", std::string(), [&](const DevToolsEvent& event) {
        if (event.params.value("targetInfo", Json::object()).value("url", "") == "about:blank#pump") ++created;
    });
    Outcome extraTarget;
    pump_->send("Target.createTarget", {{"url", "about:blank#pump"}}, {}, extraTarget.callback());
    // Nothing ran yet: the answers are still on the way, or waiting in the queue.
    EXPECT_TRUE(order.empty());
    EXPECT_FALSE(unknown.arrived());

    ASSERT_TRUE(pumpUntil([&] { return unknown.arrived() && created > 0; }, kWaitMs));
    EXPECT_EQ(order, std::vector<std::string>{"version"});
    EXPECT_EQ(answeredOn, uiThread);
    ASSERT_FALSE(unknown.reply->ok());
    EXPECT_EQ(unknown.reply->failure->source, DevToolsFailure::Source::Protocol);
    EXPECT_EQ(unknown.reply->failure->method, "Vesko.noSuchMethod");
    EXPECT_EQ(unknown.reply->failure->code, -32601);
    EXPECT_EQ(created, 1);
    ASSERT_TRUE(pumpUntil([&] { return extraTarget.arrived(); }, kWaitMs));
    pump_->send("Target.closeTarget", {{"targetId", extraTarget.reply->result.value("targetId", "")}}, {}, {});

    // A page still being created refuses work, later as well.
    Outcome early;
    {
        PageTarget unready(*pump_, PageViewport{}, {});
        unready.evaluate("1", early.callback());
        EXPECT_FALSE(early.arrived());
        ASSERT_TRUE(pumpUntil([&] { return early.arrived(); }, kWaitMs));
    }
    ASSERT_FALSE(early.reply->ok());
    EXPECT_EQ(early.reply->failure->source, DevToolsFailure::Source::Page);
    EXPECT_EQ(early.reply->failure->message, "the page is not ready");

    // A session filter keeps other sessions' events out.
    int otherSession = 0;
    pump_->subscribe("Runtime.consoleAPICalled", std::string("no-such-session"),
                     [&](const DevToolsEvent&) { ++otherSession; });
    int ownSession = 0;
    pump_->subscribe("Runtime.consoleAPICalled", page_->sessionId(), [&](const DevToolsEvent&) { ++ownSession; });
    pump_->unsubscribe(subscription);
    evaluate("console.log('tung')");
    ASSERT_TRUE(pumpUntil([&] { return ownSession == 1; }, kWaitMs));
    EXPECT_EQ(otherSession, 0);
}

TEST_F(ChromiumPageTarget, DestroyingThePumpDropsWhatWasNotDelivered) {
    int ran = 0;
    for (int i = 0; i < 5; ++i) {
        pump_->send("Browser.getVersion", Json::object(), {}, [&](const DevToolsReply&) { ++ran; });
    }
    // Let the answers reach the queue without the loop delivering them.
    Sleep(300);
    page_.reset();
    pump_.reset();
    pumpUntil([] { return false; }, 300);
    EXPECT_EQ(ran, 0);
}

TEST_F(ChromiumPageTarget, ServesAMadeUpHostWithDocumentScriptsFirst) {
    std::vector<std::string> seen;
    auto& events = page_->events();
    events.navigationStarted = [&](const std::string& url) { seen.push_back("started " + url); };
    events.navigationCommitted = [&](const std::string& url, bool same) {
        seen.push_back(std::string(same ? "same-document " : "committed ") + url);
    };
    events.titleChanged = [&](const std::string& title) { seen.push_back("title " + title); };
    events.loadFinished = [&] { seen.push_back("loaded"); };
    serve({{"/", {"text/html", "<title>Ballina e portalit</title>"
                               "<script>window.order.push('page'); location.hash = 'gati';</script>"}}});

    // Without the document script running first the page's own script would throw.
    ASSERT_TRUE(await([&](DevToolsCallback done) {
                    page_->addScriptOnNewDocument("window.order = ['document script'];", done);
                }).ok());
    const DevToolsReply navigated = await([&](DevToolsCallback done) { page_->navigate(kPortal, done); });
    ASSERT_TRUE(navigated.ok()) << navigated.failure->message;
    ASSERT_TRUE(pumpUntil([&] { return std::count(seen.begin(), seen.end(), "loaded") > 0 &&
                                       std::count(seen.begin(), seen.end(), "title Ballina e portalit") > 0; },
                          kWaitMs));
    EXPECT_EQ(evaluate("window.order"), Json::array({"document script", "page"}));

    const std::string url(kPortal);
    const auto at = [&](const std::string& entry) {
        return std::find(seen.begin(), seen.end(), entry) - seen.begin();
    };
    const std::string all = Json(seen).dump();
    ASSERT_LT(at("started " + url), static_cast<long>(seen.size())) << all;
    EXPECT_LT(at("started " + url), at("committed " + url)) << all;
    EXPECT_LT(at("committed " + url), at("same-document " + url + "#gati")) << all;
    EXPECT_LT(at("committed " + url), at("loaded")) << all;

    // The document is held first; Chromium may ask for a favicon after it.
    ASSERT_FALSE(paused_.empty());
    const PausedRequest& document = paused_.front();
    EXPECT_EQ(document.url, url);
    EXPECT_EQ(document.method, "GET");
    EXPECT_EQ(document.resourceType, "Document");
    EXPECT_TRUE(document.isNavigation);
    EXPECT_EQ(document.frameId, page_->mainFrameId());
    EXPECT_TRUE(document.answered());
    const bool hasUserAgent = std::any_of(document.headers.begin(), document.headers.end(), [](const auto& header) {
        return _stricmp(header.first.c_str(), "User-Agent") == 0 && !header.second.empty();
    });
    EXPECT_TRUE(hasUserAgent) << all;
}

TEST_F(ChromiumPageTarget, BindingReportsThePayloadAndTheCallersDocument) {
    std::vector<std::pair<std::string, std::string>> calls;
    ASSERT_TRUE(await([&](DevToolsCallback done) {
                    page_->addBinding("veskoPost",
                                      [&](const std::string& payload, const std::string& caller) {
                                          calls.emplace_back(payload, caller);
                                      },
                                      done);
                }).ok());
    serve({{"/forma", {"text/html", "<iframe src='/korniza'></iframe><script>veskoPost('përshëndetje')</script>"}},
           {"/korniza", {"text/html", "<script>veskoPost('nga korniza')</script>"}}});
    ASSERT_TRUE(await([&](DevToolsCallback done) { page_->navigate(std::string(kPortal) + "forma", done); }).ok());
    ASSERT_TRUE(pumpUntil([&] { return calls.size() == 2; }, kWaitMs));
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls[0], std::make_pair(std::string("nga korniza"), std::string(kPortal) + "korniza"));
    EXPECT_EQ(calls[1], std::make_pair(std::string("përshëndetje"), std::string(kPortal) + "forma"));
}

TEST_F(ChromiumPageTarget, EvaluateGivesValuesAsJsonAndThrownErrorsAsFailures) {
    struct Case {
        const char* script;
        const char* json;  // nullptr: the script fails
        const char* failureText;
    };
    static constexpr Case kCases[] = {
        {"6*7", "42", nullptr},
        {"'Tiranë'", "\"Tiranë\"", nullptr},
        {"({emri: 'Vesko', lista: [1, null, true]})", R"({"emri":"Vesko","lista":[1,null,true]})", nullptr},
        // No JSON form: null, as JSON.stringify would write it.
        {"undefined", "null", nullptr},
        {"NaN", "null", nullptr},
        {"throw new Error('gabim i qëllimshëm')", nullptr, "gabim i qëllimshëm"},
        {"throw 'vetëm tekst'", nullptr, "vetëm tekst"},
        {"this is not javascript", nullptr, "SyntaxError"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.script);
        const DevToolsReply reply = await([&](DevToolsCallback done) { page_->evaluate(c.script, done); });
        if (c.json != nullptr) {
            ASSERT_TRUE(reply.ok()) << reply.failure->message;
            EXPECT_EQ(reply.result, Json::parse(c.json));
            continue;
        }
        ASSERT_FALSE(reply.ok());
        EXPECT_EQ(reply.failure->source, DevToolsFailure::Source::Page);
        EXPECT_NE(reply.failure->message.find(c.failureText), std::string::npos) << reply.failure->message;
    }
}

TEST_F(ChromiumPageTarget, SubResourcesAreHeldWithTheirTypeAndAnsweredWithSyntheticBodies) {
    page_->events().requestPaused = [&](PausedRequest request) {
        paused_.push_back(request);
        const std::string path = request.url.substr(std::string(kPortal).size() - 1);
        if (path == "/") {
            request.fulfill(200, "", kHtmlHeaders, "<script src='/skript.js'></script>");
        } else if (path == "/skript.js") {
            request.fulfill(200, "", {{"Content-Type", "text/javascript"}},
                            "fetch('/te-dhena.json').then(async r => { window.answer = {status: r.status, "
                            "text: r.statusText, header: r.headers.get('x-vesko'), body: await r.json()}; });");
        } else if (path == "/te-dhena.json") {
            request.fulfill(201, "Krijuar", {{"Content-Type", "application/json"}, {"X-Vesko", "po"}},
                            R"({"emri":"Vesko"})");
        } else {
            request.fail("Failed");
        }
    };
    ASSERT_TRUE(await([&](DevToolsCallback done) { page_->navigate(kPortal, done); }).ok());
    Json answer;
    ASSERT_TRUE(pumpUntil([&] { return !(answer = evaluate("window.answer ?? null")).is_null(); }, kWaitMs));
    EXPECT_EQ(answer, Json::parse(R"({"status":201,"text":"Krijuar","header":"po","body":{"emri":"Vesko"}})"));

    const auto pausedFor = [&](const std::string& path) -> const PausedRequest* {
        for (const PausedRequest& request : paused_) {
            if (request.url == std::string(kPortal) + path) return &request;
        }
        return nullptr;
    };
    const PausedRequest* script = pausedFor("skript.js");
    const PausedRequest* data = pausedFor("te-dhena.json");
    ASSERT_TRUE(script != nullptr && data != nullptr);
    EXPECT_EQ(script->resourceType, "Script");
    // Chromium files fetch() under XHR or Fetch, depending on its version.
    EXPECT_TRUE(data->resourceType == "XHR" || data->resourceType == "Fetch") << data->resourceType;
    for (const PausedRequest* request : {script, data}) {
        EXPECT_FALSE(request->isNavigation);
        EXPECT_EQ(request->frameId, page_->mainFrameId());
    }
}

TEST_F(ChromiumPageTarget, FailedDocumentRequestReportsTheNavigationFailed) {
    struct Case {
        const char* errorReason;
        const char* errorText;
    };
    static constexpr Case kCases[] = {
        {"NameNotResolved", "net::ERR_NAME_NOT_RESOLVED"},
        {"ConnectionRefused", "net::ERR_CONNECTION_REFUSED"},
    };
    std::vector<std::pair<std::string, std::string>> failures;
    page_->events().navigationFailed = [&](const std::string& url, const std::string& errorText) {
        failures.emplace_back(url, errorText);
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.errorReason);
        failures.clear();
        page_->events().requestPaused = [&](PausedRequest request) { request.fail(c.errorReason); };
        const std::string url = std::string(kPortal) + "mungon";
        const DevToolsReply navigated = await([&](DevToolsCallback done) { page_->navigate(url, done); });
        ASSERT_FALSE(navigated.ok());
        EXPECT_EQ(navigated.failure->source, DevToolsFailure::Source::Page);
        EXPECT_EQ(navigated.failure->message, c.errorText);
        ASSERT_TRUE(pumpUntil([&] { return !failures.empty(); }, kWaitMs));
        EXPECT_EQ(failures.front(), std::make_pair(url, std::string(c.errorText)));
    }
}

// The width and height a PNG's header gives.
std::optional<std::pair<int, int>> pngSize(const std::string& image) {
    if (image.size() < 24 || image.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return std::nullopt;
    const auto at = [&](std::size_t offset) {
        int value = 0;
        for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(image[offset + i]);
        return value;
    };
    return std::make_pair(at(16), at(20));
}

TEST_F(ChromiumPageTarget, ScreencastDeliversFramesOfTheViewport) {
    ASSERT_TRUE(await([&](DevToolsCallback done) { page_->setViewport({320, 200, 1.0}, done); }).ok());
    serve({{"/", {"text/html", "<body style='background:#2a6'>Pamja</body>"}}});
    bool loaded = false;
    page_->events().loadFinished = [&] { loaded = true; };
    ASSERT_TRUE(await([&](DevToolsCallback done) { page_->navigate(kPortal, done); }).ok());
    // Chromium refuses a screencast until the new document is the page's active one.
    ASSERT_TRUE(pumpUntil([&] { return loaded; }, kWaitMs));

    for (const char* format : {"png", "jpeg"}) {
        SCOPED_TRACE(format);
        std::vector<ScreencastFrame> frames;
        const DevToolsReply started = await([&](DevToolsCallback done) {
            const auto keep = [&](const ScreencastFrame& frame) { frames.push_back(frame); };
            page_->startScreencast({format, 60, 1}, keep, done);
        });
        ASSERT_TRUE(started.ok()) << started.failure->message;
        ASSERT_TRUE(pumpUntil([&] { return !frames.empty(); }, kWaitMs));
        // A repaint brings another frame only when the last one was acknowledged.
        evaluate("document.body.style.background = '#c33'; document.body.textContent = 'Tjetër';");
        ASSERT_TRUE(pumpUntil([&] { return frames.size() >= 2; }, kWaitMs));
        ASSERT_TRUE(await([&](DevToolsCallback done) { page_->stopScreencast(done); }).ok());

        const ScreencastFrame& frame = frames.front();
        EXPECT_EQ(frame.deviceWidth, 320);
        EXPECT_EQ(frame.deviceHeight, 200);
        if (std::string(format) == "png") {
            EXPECT_EQ(pngSize(frame.image), std::make_pair(320, 200));
        } else {
            ASSERT_GE(frame.image.size(), 3u);
            EXPECT_EQ(frame.image.substr(0, 3), "\xFF\xD8\xFF");
        }
    }
}

TEST_F(ChromiumPageTarget, ZoomChangesTheLayoutWidthLikeBrowserZoom) {
    ASSERT_TRUE(await([&](DevToolsCallback done) { page_->setViewport({800, 600, 1.0}, done); }).ok());
    struct Case {
        double zoom;
        int innerWidth;
        double devicePixelRatio;
    };
    static constexpr Case kCases[] = {{1.0, 800, 1.0}, {2.0, 400, 2.0}, {0.5, 1600, 0.5}, {1.25, 640, 1.25}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.zoom);
        ASSERT_TRUE(await([&](DevToolsCallback done) { page_->setZoom(c.zoom, done); }).ok());
        EXPECT_EQ(evaluate("innerWidth"), c.innerWidth);
        EXPECT_EQ(evaluate("devicePixelRatio"), c.devicePixelRatio);
    }
    // A new viewport keeps the zoom.
    ASSERT_TRUE(await([&](DevToolsCallback done) { page_->setViewport({500, 300, 1.0}, done); }).ok());
    EXPECT_EQ(evaluate("innerWidth"), 400);
    const DevToolsReply refused = await([&](DevToolsCallback done) { page_->setZoom(0, done); });
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(evaluate("innerWidth"), 400);
}

TEST(ChromiumPagePump, PendingCommandsFailOnceWhenChromiumCloses) {
    SuiteBrowser browser;
    ASSERT_NE(browser.chromium, nullptr) << browser.launchError;
    auto pump = browser.connect();
    Outcome ready;
    PageTarget page(*pump, PageViewport{}, ready.callback());
    ASSERT_TRUE(pumpUntil([&] { return ready.arrived(); }, kWaitMs));
    ASSERT_TRUE(ready.reply->ok());

    // Promises that never settle keep their commands waiting.
    // A page that never returns to its event loop answers none of them.
    std::vector<Outcome> waiting(3);
    pump->send("Runtime.evaluate", {{"expression", "while (true) {}"}}, page.sessionId(), waiting[0].callback());
    for (std::size_t i = 1; i < waiting.size(); ++i) {
        pump->send("Runtime.evaluate", {{"expression", "1"}}, page.sessionId(), waiting[i].callback());
    }
    std::vector<std::string> endings;
    pump->onConnectionEnded([&](const std::string& reason) { endings.push_back(reason); });
    browser.chromium->close();

    ASSERT_TRUE(pumpUntil([&] { return !endings.empty(); }, kWaitMs));
    for (const Outcome& outcome : waiting) {
        EXPECT_EQ(outcome.calls, 1);
        ASSERT_TRUE(outcome.arrived());
        // Chromium may still answer that the page's session has gone; else the end fails it.
        EXPECT_FALSE(outcome.reply->ok());
    }
    EXPECT_FALSE(pump->connected());

    // Later commands fail too, later, and nothing is reported twice.
    Outcome late;
    pump->send("Browser.getVersion", Json::object(), {}, late.callback());
    EXPECT_FALSE(late.arrived());
    ASSERT_TRUE(pumpUntil([&] { return late.arrived(); }, kWaitMs));
    EXPECT_EQ(late.reply->failure->source, DevToolsFailure::Source::Connection);
    pumpUntil([] { return false; }, 200);
    for (const Outcome& outcome : waiting) EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(endings.size(), 1u);
}

// A loopback endpoint that completes one WebSocket upgrade, then says nothing until it is
// told to drop the connection.
class SilentEndpoint {
public:
    SilentEndpoint() {
        listener_ = listenOnFreeLoopbackPort(port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~SilentEndpoint() {
        drop();
        thread_.join();
        closesocket(listener_);
        CloseHandle(drop_);
        WSACleanup();
    }
    void drop() { SetEvent(drop_); }
    std::uint16_t port() const { return port_; }

private:
    void serve() {
        fd_set pending;
        FD_ZERO(&pending);
        FD_SET(listener_, &pending);
        timeval wait{5, 0};
        if (select(0, &pending, nullptr, nullptr, &wait) != 1) return;
        const SOCKET connection = accept(listener_, nullptr, nullptr);
        std::string request;
        char chunk[4096];
        int got = 0;
        while (request.find("\r\n\r\n") == std::string::npos &&
               (got = recv(connection, chunk, sizeof chunk, 0)) > 0) {
            request.append(chunk, static_cast<std::size_t>(got));
        }
        const std::size_t keyAt = request.find("Sec-WebSocket-Key: ") + 19;
        const std::string answer = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                   "Sec-WebSocket-Accept: " +
                                   webSocketAccept(request.substr(keyAt, request.find("\r\n", keyAt) - keyAt)) +
                                   "\r\n\r\n";
        send(connection, answer.data(), static_cast<int>(answer.size()), 0);
        WaitForSingleObject(drop_, 10000);
        closesocket(connection);
    }

    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    HANDLE drop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread thread_;
};

TEST(ChromiumPagePump, PendingCommandsFailOnceWithTheConnectionWhenTheEndpointDrops) {
    SilentEndpoint endpoint;
    DevToolsPump pump(endpoint.port(), "/devtools/browser/silent");
    std::vector<Outcome> waiting(3);
    for (auto& outcome : waiting) pump.send("Browser.getVersion", Json::object(), {}, outcome.callback());
    int endings = 0;
    pump.onConnectionEnded([&](const std::string&) { ++endings; });
    pumpUntil([] { return false; }, 200);
    for (const Outcome& outcome : waiting) EXPECT_FALSE(outcome.arrived());

    endpoint.drop();
    ASSERT_TRUE(pumpUntil([&] { return endings > 0; }, kWaitMs));
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(endings, 1);
    for (const Outcome& outcome : waiting) {
        EXPECT_EQ(outcome.calls, 1);
        ASSERT_TRUE(outcome.arrived());
        ASSERT_FALSE(outcome.reply->ok());
        EXPECT_EQ(outcome.reply->failure->source, DevToolsFailure::Source::Connection);
        EXPECT_EQ(outcome.reply->failure->method, "Browser.getVersion");
        EXPECT_EQ(outcome.reply->failure->message.rfind("the DevTools connection ended: ", 0), 0u)
            << outcome.reply->failure->message;
    }
}

TEST(ChromiumPageBase64, DecodesWhatTheProtocolSends) {
    struct Case {
        const char* text;
        std::optional<std::string> bytes;
    };
    const Case cases[] = {
        {"", std::string()},
        {"YQ==", std::string("a")},
        {"YQ", std::string("a")},
        {"YWI=", std::string("ab")},
        {"YWJj", std::string("abc")},
        {"iVBORw0KGgo=", std::string("\x89PNG\r\n\x1a\n")},
        {"/+8=", std::string("\xff\xef")},
        // Not base64.
        {"Y", std::nullopt},
        {"YQ=", std::nullopt},
        {"Y Q==", std::nullopt},
        {"YQ===", std::nullopt},
        {"Y-Q=", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(base64Decode(c.text), c.bytes);
    }
}

}  // namespace
}  // namespace vesko::standin
