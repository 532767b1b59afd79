// The stand-in engine where the program's tests lean on it behaving like the real engine:
// the order of a navigation's events and of document and page scripts, with both of its
// backends, and no Chromium process outliving what started it.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include "chromium/chromium_process.h"
#include "chromium/linux_processes.h"
#include "chromium/websocket_client.h"
#include "chromium/wine_paths.h"
#include "engine/engine_frame_interface_win.h"
#include "engine/hresult_text.h"
#include "win_test_support.h"

namespace vesko {
namespace {

using namespace std::chrono_literals;

// The program's two switches, and Chromium's own logging kept quiet.
constexpr wchar_t kSwitches[] = L"--disable-web-security --allow-running-insecure-content --log-level=3";

// A view's events as short lines: "starting URI", "source new", "history", "title TEXT",
// "completed SUCCESS STATUS" and "message JSON". Navigations to addresses containing
// "refused" are cancelled.
void recordEvents(ICoreWebView2* view, std::vector<std::string>& events) {
    std::vector<std::string>* const out = &events;
    EventRegistrationToken token{};
    view->add_NavigationStarting(
        makeCallback<NavigationStartingCallback>([out](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            LPWSTR raw = nullptr;
            args->get_Uri(&raw);
            out->push_back("starting " + toUtf8(takeText(raw)));
            if (out->back().find("refused") != std::string::npos) args->put_Cancel(TRUE);
            return S_OK;
        }).Get(), &token);
    view->add_SourceChanged(
        makeCallback<SourceChangedCallback>([out](ICoreWebView2*, ICoreWebView2SourceChangedEventArgs* args) {
            BOOL fresh = FALSE;
            args->get_IsNewDocument(&fresh);
            out->push_back(fresh ? "source new" : "source");
            return S_OK;
        }).Get(), &token);
    view->add_HistoryChanged(makeCallback<HistoryChangedCallback>([out](ICoreWebView2*, IUnknown*) {
        out->push_back("history");
        return S_OK;
    }).Get(), &token);
    view->add_DocumentTitleChanged(makeCallback<DocumentTitleChangedCallback>([out](ICoreWebView2* sender, IUnknown*) {
        LPWSTR raw = nullptr;
        sender->get_DocumentTitle(&raw);
        out->push_back("title " + toUtf8(takeText(raw)));
        return S_OK;
    }).Get(), &token);
    view->add_NavigationCompleted(
        makeCallback<NavigationCompletedCallback>([out](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* a) {
            BOOL success = FALSE;
            COREWEBVIEW2_WEB_ERROR_STATUS status{};
            a->get_IsSuccess(&success);
            a->get_WebErrorStatus(&status);
            out->push_back("completed " + std::to_string(success) + " " + std::to_string(status));
            return S_OK;
        }).Get(), &token);
    view->add_WebMessageReceived(
        makeCallback<WebMessageReceivedCallback>([out](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
            LPWSTR json = nullptr;
            args->get_WebMessageAsJson(&json);
            out->push_back("message " + toUtf8(takeText(json)));
            return S_OK;
        }).Get(), &token);
}

bool seen(const std::vector<std::string>& events, const std::string& prefix) {
    return std::any_of(events.begin(), events.end(), [&](const std::string& e) { return e.starts_with(prefix); });
}

TEST(StandInSite, NavigationEventsComeLaterFromTheLoopInTheEnginesOrder) {
    TestFolder folder;
    writeText(folder.path / L"site/portal.kordis.example/index.html", "<title> Ballina &amp; zonat </title>");
    standin::Settings settings;
    settings.siteFolder = folder.path / L"site";
    standin::configure(settings);
    HostWindow host;
    const auto controller = createController(createEnvironment(folder.path / L"UserData").Get(), host.window);
    ASSERT_TRUE(controller);
    ComPtr<ICoreWebView2> view;
    controller->get_CoreWebView2(&view);
    std::vector<std::string> events;
    recordEvents(view.Get(), events);

    ASSERT_EQ(view->Navigate(L"https://portal.kordis.example/"), S_OK);
    EXPECT_TRUE(events.empty());  // nothing inside the call
    ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed"); }));
    EXPECT_EQ(events, (std::vector<std::string>{"starting https://portal.kordis.example/", "source new", "history",
                                                "title Ballina & zonat", "completed 1 0"}));
    // A cancelled navigation completes without touching the source.
    events.clear();
    view->Navigate(L"https://portal.kordis.example/refused.html");
    ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed"); }));
    EXPECT_EQ(events,
              (std::vector<std::string>{"starting https://portal.kordis.example/refused.html", "completed 0 14"}));
    controller->Close();
}

using FrameCreatedCallback =
    ComCallback<ICoreWebView2FrameCreatedEventHandler, ICoreWebView2*, ICoreWebView2FrameCreatedEventArgs*>;
using ChildFrameCallback = ComCallback<ICoreWebView2FrameChildFrameCreatedEventHandler, ICoreWebView2Frame*,
                                       ICoreWebView2FrameCreatedEventArgs*>;
using FrameMessageCallback = ComCallback<ICoreWebView2FrameWebMessageReceivedEventHandler, ICoreWebView2Frame*,
                                         ICoreWebView2WebMessageReceivedEventArgs*>;
using FrameDestroyedCallback = ComCallback<ICoreWebView2FrameDestroyedEventHandler, ICoreWebView2Frame*, IUnknown*>;

// A frame's events as lines: "view-created NAME" or "child-created NAME" (who handed it
// over), "frame-message NAME SOURCE JSON STRING-RESULT" and "destroyed NAME ISDESTROYED";
// nested frames are followed too.
void recordFrame(ICoreWebView2Frame* frame, const std::string& how, std::vector<std::string>& events) {
    std::vector<std::string>* const out = &events;
    LPWSTR raw = nullptr;
    frame->get_Name(&raw);
    const std::string name = toUtf8(takeText(raw));
    out->push_back(how + " " + name);
    EventRegistrationToken token{};
    frame->add_Destroyed(makeCallback<FrameDestroyedCallback>([out, name](ICoreWebView2Frame* sender, IUnknown*) {
        BOOL destroyed = FALSE;
        sender->IsDestroyed(&destroyed);
        out->push_back("destroyed " + name + " " + std::to_string(destroyed));
        return S_OK;
    }).Get(), &token);
    ComPtr<ICoreWebView2Frame2> frame2;
    queryEngineInterface(frame, frame2);
    frame2->add_WebMessageReceived(makeCallback<FrameMessageCallback>(
        [out, name](ICoreWebView2Frame*, ICoreWebView2WebMessageReceivedEventArgs* args) {
            LPWSTR source = nullptr;
            LPWSTR json = nullptr;
            LPWSTR text = nullptr;
            args->get_Source(&source);
            args->get_WebMessageAsJson(&json);
            const HRESULT asString = args->TryGetWebMessageAsString(&text);
            out->push_back("frame-message " + name + " " + toUtf8(takeText(source)) + " " + toUtf8(takeText(json)) +
                           " " + (SUCCEEDED(asString) ? toUtf8(takeText(text)) : hresultHex(asString)));
            return S_OK;
        }).Get(), &token);
    ComPtr<ICoreWebView2Frame7> frame7;
    queryEngineInterface(frame, frame7);
    frame7->add_FrameCreated(makeCallback<ChildFrameCallback>([out](ICoreWebView2Frame*, ICoreWebView2FrameCreatedEventArgs* a) {
        ComPtr<ICoreWebView2Frame> child;
        a->get_Frame(&child);
        recordFrame(child.Get(), "child-created", *out);
        return S_OK;
    }).Get(), &token);
}

TEST(StandInSite, AFramesMessagesReachItsOwnObjectOnlyAndItsEndIsReported) {
    TestFolder folder;
    const auto portal = folder.path / L"site/portal.kordis.example";
    writeText(portal / L"index.html", "<title>Ballina</title><iframe name=\"jashte\" src=\"/jashte.html\"></iframe>");
    writeText(portal / L"jashte.html", "<title>Jashte</title><iframe name=\"brenda\" src=\"/brenda.html\"></iframe>");
    writeText(portal / L"brenda.html", "<title>Brenda</title>");
    writeText(portal / L"tjeter.html", "<title>Tjeter</title>");
    standin::Settings settings;
    settings.siteFolder = folder.path / L"site";
    standin::configure(settings);
    HostWindow host;
    const auto controller = createController(createEnvironment(folder.path / L"UserData").Get(), host.window);
    ASSERT_TRUE(controller);
    ComPtr<ICoreWebView2> view;
    controller->get_CoreWebView2(&view);
    ComPtr<ICoreWebView2_4> view4;
    ASSERT_EQ(queryEngineInterface(view.Get(), view4), S_OK);
    std::vector<std::string> events;
    recordEvents(view.Get(), events);
    EventRegistrationToken token{};
    view4->add_FrameCreated(makeCallback<FrameCreatedCallback>([&](ICoreWebView2*, ICoreWebView2FrameCreatedEventArgs* a) {
        ComPtr<ICoreWebView2Frame> frame;
        a->get_Frame(&frame);
        recordFrame(frame.Get(), "view-created", events);
        return S_OK;
    }).Get(), &token);
    view->Navigate(L"https://portal.kordis.example/");
    ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed"); }));
    // The nested frame comes through its parent frame only.
    EXPECT_TRUE(seen(events, "view-created jashte"));
    EXPECT_TRUE(seen(events, "child-created brenda"));
    EXPECT_FALSE(seen(events, "view-created brenda"));

    const auto frames = standin::liveFrames(controller.Get());
    ASSERT_EQ(frames.size(), 2u);
    events.clear();
    ASSERT_TRUE(standin::postFrameMessage(controller.Get(), frames[1].id, LR"("nje")"));
    ASSERT_TRUE(standin::postFrameMessage(controller.Get(), frames[1].id, LR"({"dy":2})"));
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 2u; }));
    settle();
    EXPECT_EQ(events, (std::vector<std::string>{
                          R"(frame-message brenda https://portal.kordis.example/brenda.html "nje" nje)",
                          R"(frame-message brenda https://portal.kordis.example/brenda.html {"dy":2} 0x80070057)"}));

    // A new top document ends the old one's frames, the inner one first.
    events.clear();
    view->Navigate(L"https://portal.kordis.example/tjeter.html");
    ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed"); }));
    EXPECT_EQ(std::vector<std::string>(events.begin() + 1, events.begin() + 3),
              (std::vector<std::string>{"destroyed brenda 1", "destroyed jashte 1"}));
    EXPECT_TRUE(standin::liveFrames(controller.Get()).empty());
    controller->Close();
}

class ChromiumBackend : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Settings settings;
        settings.backend = standin::BackendKind::chromium;
        standin::configure(settings);
    }
    void TearDown() override { standin::configure({}); }
    TestFolder folder;
};

TEST_F(ChromiumBackend, APageLoadsInTheEnginesOrderWithTheHostsDocumentScriptFirst) {
    HostWindow host;
    const auto environment = createEnvironment(folder.path / L"UserData", kSwitches);
    const auto controller = createController(environment.Get(), host.window);
    ASSERT_TRUE(controller);
    ComPtr<ICoreWebView2> view;
    controller->get_CoreWebView2(&view);
    std::vector<std::string> events;
    recordEvents(view.Get(), events);
    EventRegistrationToken token{};
    view->AddWebResourceRequestedFilter(L"https://page.test/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    view->add_WebResourceRequested(
        makeCallback<WebResourceRequestedCallback>([&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* a) {
            const std::string page = "<!doctype html><title>Ballina</title>"
                                     "<script>chrome.webview.postMessage({early: window.early === 1})</script>";
            ComPtr<IStream> body;
            body.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(page.data()), static_cast<UINT>(page.size())));
            ComPtr<ICoreWebView2WebResourceResponse> response;
            environment->CreateWebResourceResponse(body.Get(), 200, L"OK", L"Content-Type: text/html", &response);
            a->put_Response(response.Get());
            return S_OK;
        }).Get(),
        &token);
    bool added = false;
    view->AddScriptToExecuteOnDocumentCreated(L"window.early = 1;",
                                              makeCallback<ScriptAddedCallback>([&](HRESULT result, LPCWSTR) {
                                                  added = SUCCEEDED(result);
                                                  return S_OK;
                                              }).Get());
    ASSERT_TRUE(pumpUntil([&] { return added; }));
    view->Navigate(L"https://page.test/index.html");
    ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed") && seen(events, "message"); }, 15000));

    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 3),
              (std::vector<std::string>{"starting https://page.test/index.html", "source new", "history"}));
    EXPECT_TRUE(seen(events, "title Ballina"));
    EXPECT_TRUE(seen(events, "completed 1 0"));
    EXPECT_TRUE(seen(events, "message {\"early\":true}"));
    controller->Close();
}

TEST_F(ChromiumBackend, AFramesMessageReachesItsOwnObjectAndNeverTheView) {
    HostWindow host;
    const auto environment = createEnvironment(folder.path / L"UserData", kSwitches);
    const auto controller = createController(environment.Get(), host.window);
    ASSERT_TRUE(controller);
    ComPtr<ICoreWebView2> view;
    controller->get_CoreWebView2(&view);
    ComPtr<ICoreWebView2_4> view4;
    ASSERT_EQ(queryEngineInterface(view.Get(), view4), S_OK);
    std::vector<std::string> events;
    recordEvents(view.Get(), events);
    EventRegistrationToken token{};
    view4->add_FrameCreated(makeCallback<FrameCreatedCallback>([&](ICoreWebView2*, ICoreWebView2FrameCreatedEventArgs* a) {
        ComPtr<ICoreWebView2Frame> frame;
        a->get_Frame(&frame);
        recordFrame(frame.Get(), "view-created", events);
        return S_OK;
    }).Get(), &token);
    view->AddWebResourceRequestedFilter(L"https://page.test/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    view->add_WebResourceRequested(
        makeCallback<WebResourceRequestedCallback>([&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* a) {
            ComPtr<ICoreWebView2WebResourceRequest> request;
            a->get_Request(&request);
            LPWSTR raw = nullptr;
            request->get_Uri(&raw);
            const bool inner = takeText(raw).ends_with(L"/inner.html");
            const std::string page = inner ? "<script>chrome.webview.postMessage('nga korniza')</script>"
                                           : "<iframe name=\"korniza\" src=\"/inner.html\"></iframe>"
                                             "<script>chrome.webview.postMessage('nga faqja')</script>";
            ComPtr<IStream> body;
            body.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(page.data()), static_cast<UINT>(page.size())));
            ComPtr<ICoreWebView2WebResourceResponse> response;
            environment->CreateWebResourceResponse(body.Get(), 200, L"OK", L"Content-Type: text/html", &response);
            a->put_Response(response.Get());
            return S_OK;
        }).Get(),
        &token);
    view->Navigate(L"https://page.test/index.html");
    ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed") && seen(events, "frame-message"); }, 15000));
    settle();
    EXPECT_TRUE(seen(events, "view-created korniza"));
    EXPECT_TRUE(seen(events, R"(frame-message korniza https://page.test/inner.html "nga korniza" nga korniza)"));
    EXPECT_TRUE(seen(events, R"(message "nga faqja")"));
    EXPECT_FALSE(seen(events, R"(message "nga korniza")"));
    controller->Close();
}

TEST_F(ChromiumBackend, TheBrowserOfAnEnvironmentEndsWithItsLastReference) {
    auto first = createEnvironment(folder.path / L"UserData", kSwitches);
    ASSERT_TRUE(first);
    std::shared_ptr<standin::ChromiumProcess> browser = standin::chromiumOf(first.Get());
    ASSERT_NE(browser, nullptr);
    const std::uint16_t port = browser->port();
    // A second environment on the same folder joins the browser instead of starting one.
    auto second = createEnvironment(folder.path / L"UserData", kSwitches);
    ASSERT_TRUE(second);
    EXPECT_EQ(standin::chromiumOf(second.Get()), browser);

    first.Reset();
    second.Reset();
    EXPECT_TRUE(standin::loopbackPortAccepts(port)) << "the test's own reference still holds it";
    browser.reset();
    EXPECT_FALSE(standin::loopbackPortAccepts(port));
}

// Processes started on `profile`: the browser, and its helpers that follow it out within
// moments of its end.
std::vector<long> profileProcesses(const std::filesystem::path& profile) {
    return standin::linuxProcessesWithArgument("--user-data-dir=" + standin::linuxPathOf(profile));
}
bool profileProcessesEnd(const std::filesystem::path& profile) {
    return pumpUntil([&] { return profileProcesses(profile).empty(); }, 5000);
}

TEST(ChromiumProcess, CloseEndsTheBrowserAndLeavesTheProfileFree) {
    TestFolder folder;
    const auto profile = folder.path / L"profile";
    standin::ChromiumProcess chromium({profile, "en-US", "--log-level=3", 20s});
    const std::uint16_t port = chromium.port();
    ASSERT_FALSE(profileProcesses(profile).empty());
    chromium.close(10s);
    EXPECT_FALSE(standin::loopbackPortAccepts(port));
    EXPECT_TRUE(profileProcessesEnd(profile));
    std::error_code removeError;
    std::filesystem::remove_all(profile, removeError);
    EXPECT_FALSE(removeError) << removeError.message();
}

TEST(ChromiumProcess, ABrowserThatMissesItsStartTimeIsEnded) {
    TestFolder folder;
    const auto profile = folder.path / L"slow";
    // No browser writes its port file within a millisecond.
    EXPECT_THROW(standin::ChromiumProcess({profile, "en-US", "--log-level=3", 1ms}), std::runtime_error);
    EXPECT_TRUE(profileProcessesEnd(profile));
    // The check can see such a browser: one that started is found by it.
    standin::ChromiumProcess chromium({profile, "en-US", "--log-level=3", 20s});
    EXPECT_FALSE(profileProcesses(profile).empty());
}

}  // namespace
}  // namespace vesko
