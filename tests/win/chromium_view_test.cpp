// A view of the stand-in's Chromium backend in this process, driven the way the program
// drives it: a real headless Chromium performs the pages, the host answers requests,
// and the engine's events come back in the engine's order.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>
#include <winsock2.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/environment_options_win.h"
#include "engine_test_support_win.h"
#include "loopback_listener_win.h"
#include "standin.h"
#include "test_folder_win.h"
#include "view_events_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

std::wstring takeText(LPWSTR raw) {
    std::wstring text = raw != nullptr ? raw : L"";
    CoTaskMemFree(raw);
    return text;
}

ComPtr<IStream> streamOf(const std::string& bytes) {
    ComPtr<IStream> stream;
    *stream.ReleaseAndGetAddressOf() =
        SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    return stream;
}

// "The network": a loopback server that counts what reaches it and answers every request
// with one small page.
class NetworkServer {
public:
    NetworkServer() {
        listener_ = listenOnFreeLoopbackPort(port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~NetworkServer() {
        stopping_ = true;
        thread_.join();
        closesocket(listener_);
    }
    std::uint16_t port() const { return port_; }
    int requests() const { return requests_; }

private:
    void serve() {
        while (!stopping_) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(listener_, &ready);
            timeval wait{0, 50000};
            if (select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            // Whatever is not a plain HTTP request within a moment (a TLS hello) gets no answer.
            const DWORD patience = 2000;
            setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&patience), sizeof patience);
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            if (request.find("\r\n\r\n") != std::string::npos) ++requests_;
            const std::string body = "<!doctype html><title>Netto</title><p>from the network</p>";
            const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                      std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            send(client, reply.data(), static_cast<int>(reply.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
};

struct Page {
    std::string body;
    std::string headers = "Content-Type: text/html; charset=utf-8";
};

class ChromiumView : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Settings settings;
        settings.backend = standin::BackendKind::chromium;
        settings.hostResolverRules = L"MAP net.test 127.0.0.1:" + std::to_wstring(network.port());
        standin::configure(settings);

        const auto options = createEnvironmentOptions();
        options->put_AdditionalBrowserArguments(L"--disable-web-security --allow-running-insecure-content --log-level=3");
        const auto created = makeCallback<EnvironmentCompletedCallback>([this](HRESULT, ICoreWebView2Environment* e) {
            environment = e;
            return S_OK;
        });
        ASSERT_EQ(standin::createEnvironmentWithOptions(nullptr, (folder.path() / L"UserData").c_str(), options.Get(),
                                                        created.Get()),
                  S_OK);
        ASSERT_TRUE(pumpUntil([&] { return environment != nullptr; }, 30000));
        controller = createController();
        ASSERT_NE(controller, nullptr);
        controller->get_CoreWebView2(&view);
        controller->put_Bounds(RECT{0, 0, 640, 480});
        listen();
    }
    void TearDown() override {
        for (auto& each : {controller, secondController}) {
            if (each) each->Close();
        }
        view.Reset();
        controller.Reset();
        secondController.Reset();
        environment.Reset();
        pumpPending();
        standin::configure({});
    }

    ComPtr<ICoreWebView2Controller> createController() {
        ComPtr<ICoreWebView2Controller> made;
        bool done = false;
        const auto completed = makeCallback<ControllerCompletedCallback>([&](HRESULT, ICoreWebView2Controller* c) {
            made = c;
            done = true;
            return S_OK;
        });
        if (FAILED(environment->CreateCoreWebView2Controller(host.get(), completed.Get()))) return nullptr;
        pumpUntil([&] { return done; }, 20000);
        return made;
    }

    // The host's side: pages of https://page.test/ answered from `pages`, and every event
    // written down.
    void listen() {
        EventRegistrationToken token{};
        serve(view.Get());
        recordViewEvents(view.Get(), events, [this](const std::string& uri) { return uri.starts_with(refusedPrefix); });
        view->add_FrameNavigationStarting(makeCallback<NavigationStartingCallback>(
                                              [this](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
                                                  LPWSTR raw = nullptr;
                                                  args->get_Uri(&raw);
                                                  const std::string uri = toUtf8(takeText(raw));
                                                  events.push_back("frame " + uri);
                                                  if (uri.starts_with(refusedPrefix)) args->put_Cancel(TRUE);
                                                  return S_OK;
                                              }).Get(),
                                          &token);
        view->add_WebMessageReceived(makeCallback<WebMessageReceivedCallback>(
                                         [this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                                             LPWSTR source = nullptr;
                                             LPWSTR json = nullptr;
                                             args->get_Source(&source);
                                             args->get_WebMessageAsJson(&json);
                                             messages.push_back(toUtf8(takeText(source)) + " " + toUtf8(takeText(json)));
                                             return S_OK;
                                         }).Get(),
                                     &token);
    }

    // Answers the view's requests of https://page.test/ from `pages`.
    void serve(ICoreWebView2* target) {
        EventRegistrationToken token{};
        target->AddWebResourceRequestedFilter(L"https://page.test/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
        target->add_WebResourceRequested(
            makeCallback<WebResourceRequestedCallback>([this](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                ComPtr<ICoreWebView2WebResourceRequest> request;
                args->get_Request(&request);
                LPWSTR raw = nullptr;
                request->get_Uri(&raw);
                const std::string uri = toUtf8(takeText(raw));
                const auto found = pages.find(uri.substr(std::string("https://page.test").size()));
                ComPtr<ICoreWebView2WebResourceResponse> response;
                if (found == pages.end()) {
                    environment->CreateWebResourceResponse(streamOf("missing").Get(), 404, L"Not Found",
                                                           L"Content-Type: text/plain", &response);
                } else {
                    environment->CreateWebResourceResponse(streamOf(found->second.body).Get(), 200, L"OK",
                                                           toWide(found->second.headers).c_str(), &response);
                }
                args->put_Response(response.Get());
                return S_OK;
            }).Get(),
            &token);
    }

    // Navigates and waits for the navigation's completion; false when none came.
    bool load(const std::wstring& uri) {
        const std::size_t before = completions();
        if (FAILED(view->Navigate(uri.c_str()))) return false;
        return pumpUntil([&] { return completions() > before; }, 15000);
    }
    std::size_t completions() const { return completionCount(events); }
    std::string lastCompletion() const {
        for (auto it = events.rbegin(); it != events.rend(); ++it) {
            if (it->starts_with("completed")) return *it;
        }
        return {};
    }

    // The script's value as the engine gives it, or "<failed HR>".
    std::string run(const std::wstring& script) {
        std::string value;
        bool done = false;
        const auto completed = makeCallback<ExecuteScriptCompletedCallback>([&](HRESULT result, LPCWSTR json) {
            value = SUCCEEDED(result) ? toUtf8(json != nullptr ? json : L"") : "<failed " + std::to_string(result) + ">";
            done = true;
            return S_OK;
        });
        if (FAILED(view->ExecuteScript(script.c_str(), completed.Get()))) return "<refused>";
        pumpUntil([&] { return done; }, 10000);
        return value;
    }
    // Waits until the script gives `expected`; the last value otherwise.
    std::string runUntil(const std::wstring& script, const std::string& expected) {
        std::string last;
        pumpUntil([&] { return (last = run(script)) == expected; }, 10000);
        return last;
    }

    NetworkServer network;
    TestFolder folder;
    HostWindow host;
    ComPtr<ICoreWebView2Environment> environment;
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2Controller> secondController;
    ComPtr<ICoreWebView2> view;
    std::map<std::string, Page> pages;
    std::string refusedPrefix = "\x01";  // refuse nothing
    std::vector<std::string> events;
    std::vector<std::string> messages;
};

TEST_F(ChromiumView, APageLoadsInTheEngineOrderWithTheHostsScriptFirst) {
    pages["/index.html"] = {"<!doctype html><title>Ballina</title>"
                            "<script>chrome.webview.postMessage({early: window.__early === 1, n: 2})</script>"};
    bool added = false;
    view->AddScriptToExecuteOnDocumentCreated(L"window.__early = 1;",
                                              makeCallback<ScriptAddedCallback>([&](HRESULT result, LPCWSTR id) {
                                                  added = SUCCEEDED(result) && id != nullptr;
                                                  return S_OK;
                                              }).Get());
    ASSERT_TRUE(pumpUntil([&] { return added; }));
    ASSERT_TRUE(load(L"https://page.test/index.html"));
    pumpUntil([&] { return !messages.empty(); });

    ASSERT_GE(events.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 3),
              (std::vector<std::string>{"starting https://page.test/index.html", "source new", "history"}));
    EXPECT_NE(std::find(events.begin(), events.end(), "title Ballina"), events.end());
    EXPECT_EQ(lastCompletion(), "completed 1 0");
    EXPECT_EQ(messages, (std::vector<std::string>{"https://page.test/index.html {\"early\":true,\"n\":2}"}));

    // The request was the host's to answer, as a document.
    const auto log = standin::resourceLog(controller.Get());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front()->uri, L"https://page.test/index.html");
    EXPECT_EQ(log.front()->context, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT);
    EXPECT_TRUE(log.front()->answeredByHost);

    EXPECT_EQ(run(L"document.title + '!'"), "\"Ballina!\"");
    EXPECT_EQ(run(L"({a: [1, null], b: 'ë'})"), "{\"a\":[1,null],\"b\":\"ë\"}");
    EXPECT_EQ(run(L"undefined"), "null");
    EXPECT_EQ(run(L"throw new Error('no')"), "null");  // a throwing script still completes
}

TEST_F(ChromiumView, RefusedNavigationsNeverReachTheNetworkAndAllowedOnesDo) {
    const std::string net = "http://net.test/";
    refusedPrefix = net + "refused";
    pages["/index.html"] = {"<!doctype html><title>Ballina</title><iframe src=\"" + net + "refused-frame\"></iframe>"};

    ASSERT_TRUE(load(toWide(net + "refused-by-host")));
    EXPECT_EQ(lastCompletion(), "completed 0 14");  // cancelled

    ASSERT_TRUE(load(L"https://page.test/index.html"));
    EXPECT_EQ(lastCompletion(), "completed 1 0");
    EXPECT_TRUE(pumpUntil([&] {
        return std::find(events.begin(), events.end(), "frame " + net + "refused-frame") != events.end();
    }));
    // The page moves itself: the host hears of it first and refuses it.
    const std::size_t before = completions();
    run(toWide("location.href = '" + net + "refused-by-page'"));
    ASSERT_TRUE(pumpUntil([&] { return completions() > before; }));
    EXPECT_EQ(lastCompletion(), "completed 0 14");
    EXPECT_NE(std::find(events.begin(), events.end(), "starting " + net + "refused-by-page"), events.end());
    EXPECT_EQ(run(L"location.href"), "\"https://page.test/index.html\"");
    EXPECT_EQ(network.requests(), 0);

    // What the host lets through and does not answer goes to the network.
    ASSERT_TRUE(load(toWide(net + "allowed"))) << ::testing::PrintToString(events) << " " << network.requests();
    EXPECT_EQ(lastCompletion(), "completed 1 0");
    EXPECT_EQ(network.requests(), 1);
    EXPECT_TRUE(pumpUntil([&] { return events.back() == "title Netto" || lastCompletion() == "completed 1 0"; }));
    EXPECT_EQ(runUntil(L"document.title", "\"Netto\""), "\"Netto\"");

    // Every other host fails to resolve: nothing leaves the machine.
    ASSERT_TRUE(load(L"http://elsewhere.test/"));
    EXPECT_EQ(lastCompletion(), "completed 0 13");  // host name not resolved
}

TEST_F(ChromiumView, PopUpsPermissionsCloseAndDownloadsWaitForTheHost) {
    pages["/index.html"] = {
        "<!doctype html><title>Faqja</title>"
        "<button style=\"position:fixed;left:0;top:0;width:100%;height:100%\" "
        "onclick=\"window.open('/ndihma.html')\">hap</button>"
        "<a id=d href=\"/raporti.csv\" download>shkarko</a>"
        "<script>Notification.requestPermission().then(r => chrome.webview.postMessage({notification: r}))</script>"};
    pages["/ndihma.html"] = {"<!doctype html><title>Ndihma</title>"};
    pages["/raporti.csv"] = {"a;b\n1;2\n", "Content-Type: text/csv\r\nContent-Disposition: attachment; filename=\"raporti.csv\""};

    std::vector<std::string> permissions;
    EventRegistrationToken token{};
    view->add_PermissionRequested(makeCallback<PermissionRequestedCallback>(
                                      [&](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
                                          COREWEBVIEW2_PERMISSION_KIND kind{};
                                          LPWSTR raw = nullptr;
                                          args->get_PermissionKind(&kind);
                                          args->get_Uri(&raw);
                                          permissions.push_back(std::to_string(kind) + " " + toUtf8(takeText(raw)));
                                          args->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY);
                                          return S_OK;
                                      }).Get(),
                                  &token);
    std::vector<std::string> windows;
    ComPtr<ICoreWebView2NewWindowRequestedEventArgs> heldWindow;
    ComPtr<ICoreWebView2Deferral> heldDeferral;
    view->add_NewWindowRequested(makeCallback<NewWindowRequestedCallback>(
                                     [&](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
                                         LPWSTR raw = nullptr;
                                         args->get_Uri(&raw);
                                         windows.push_back(toUtf8(takeText(raw)));
                                         // The host answers later, with a view it makes first.
                                         heldWindow = args;
                                         args->GetDeferral(&heldDeferral);
                                         return S_OK;
                                     }).Get(),
                                 &token);
    int closeRequests = 0;
    view->add_WindowCloseRequested(makeCallback<WindowCloseRequestedCallback>([&](ICoreWebView2*, IUnknown*) {
                                       ++closeRequests;
                                       return S_OK;
                                   }).Get(),
                                   &token);
    const auto saved = folder.path() / L"ruajtur.csv";
    ComPtr<ICoreWebView2_4> downloads;
    ASSERT_EQ(view->QueryInterface(IID_ICoreWebView2_4, reinterpret_cast<void**>(downloads.GetAddressOf())), S_OK);
    downloads->add_DownloadStarting(makeCallback<DownloadStartingCallback>(
                                   [&](ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* args) {
                                       ComPtr<ICoreWebView2Deferral> deferral;
                                       args->GetDeferral(&deferral);
                                       args->put_ResultFilePath(saved.c_str());
                                       args->put_Handled(TRUE);
                                       deferral->Complete();
                                       return S_OK;
                                   }).Get(),
                               &token);

    ASSERT_TRUE(load(L"https://page.test/index.html"));
    ASSERT_TRUE(pumpUntil([&] { return !messages.empty(); }));
    EXPECT_EQ(messages.front(), "https://page.test/index.html {\"notification\":\"denied\"}");
    EXPECT_EQ(permissions, (std::vector<std::string>{"4 https://page.test/index.html"}));

    // A real click (a user gesture) on the button opens the pop-up.
    const HWND window = standin::readView(controller.Get())->window;
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    ASSERT_TRUE(pumpUntil([&] { return heldDeferral != nullptr; }, 10000));
    secondController = createController();
    ASSERT_NE(secondController, nullptr);
    ComPtr<ICoreWebView2> popup;
    secondController->get_CoreWebView2(&popup);
    serve(popup.Get());
    heldWindow->put_NewWindow(popup.Get());
    heldWindow->put_Handled(TRUE);
    heldDeferral->Complete();
    ASSERT_TRUE(pumpUntil([&] {
        const auto popup = standin::readView(secondController.Get());
        return popup && popup->title == L"Ndihma";
    }, 15000));
    EXPECT_EQ(windows, (std::vector<std::string>{"https://page.test/ndihma.html"}));

    run(L"window.close()");
    EXPECT_TRUE(pumpUntil([&] { return closeRequests == 1; }));

    run(L"document.getElementById('d').click()");
    ASSERT_TRUE(pumpUntil([&] { return std::filesystem::exists(saved) && std::filesystem::file_size(saved) == 8; }, 15000));
    std::ifstream file(saved, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "a;b\n1;2\n");
}

TEST_F(ChromiumView, KeysReachTheHostFirstAndTheBoundsAndZoomSetTheViewport) {
    pages["/index.html"] = {"<!doctype html><title>Forma</title><input id=f>"
                            "<script>window.keys = []; addEventListener('keydown', e => keys.push(e.key))</script>"};
    std::vector<UINT> offered;
    EventRegistrationToken token{};
    controller->add_AcceleratorKeyPressed(makeCallback<AcceleratorKeyPressedCallback>(
                                              [&](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                                                  UINT key = 0;
                                                  args->get_VirtualKey(&key);
                                                  offered.push_back(key);
                                                  if (key == VK_F5) args->put_Handled(TRUE);
                                                  return S_OK;
                                              }).Get(),
                                          &token);
    ASSERT_TRUE(load(L"https://page.test/index.html"));
    ASSERT_EQ(runUntil(L"f.focus(), document.activeElement === f", "true"), "true");
    const HWND window = standin::readView(controller.Get())->window;
    SendMessageW(window, WM_KEYDOWN, VK_F5, 1);
    SendMessageW(window, WM_KEYDOWN, 'A', 1);
    SendMessageW(window, WM_CHAR, L'\u00eb', 1);
    SendMessageW(window, WM_KEYUP, 'A', 0xC0000001);
    EXPECT_EQ(runUntil(L"keys.join() + '|' + f.value", "\"a|ë\""), "\"a|ë\"");
    EXPECT_EQ(offered, (std::vector<UINT>{VK_F5}));  // a plain letter is the page's alone

    controller->put_Bounds(RECT{0, 0, 400, 300});
    EXPECT_EQ(runUntil(L"innerWidth + 'x' + innerHeight + '@' + devicePixelRatio", "\"400x300@1\""), "\"400x300@1\"");
    controller->put_ZoomFactor(2.0);
    EXPECT_EQ(runUntil(L"innerWidth + 'x' + innerHeight + '@' + devicePixelRatio", "\"200x150@2\""), "\"200x150@2\"");
}

// Answers the engine's dialogs captioned `caption` as they appear, one button each, in
// order. The dialogs are modal in the test's thread (one may open inside another wait),
// so the answers come from a thread of their own.
std::thread answerDialogs(const std::wstring& caption, std::vector<int> buttons, std::atomic<int>& answered) {
    return std::thread([caption, buttons, &answered] {
        HWND previous = nullptr;
        // Long enough for a slow machine; an unanswered dialog would hold the test forever.
        for (int tries = 0; tries < 1200 && answered < static_cast<int>(buttons.size()); ++tries) {
            const HWND dialog = FindWindowW(L"#32770", caption.c_str());
            if (dialog != nullptr && dialog != previous) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttons[static_cast<std::size_t>(answered.load())], BN_CLICKED), 0);
                previous = dialog;
                ++answered;
            }
            Sleep(50);
        }
    });
}

TEST_F(ChromiumView, ScriptDialogsAreTheEnginesOwnAndTheirAnswerReachesThePage) {
    pages["/index.html"] = {"<!doctype html><title>Pyetje</title><script>"
                            "chrome.webview.postMessage({confirmed: confirm('Vazhdo?')});"
                            "alert('U ruajt');"
                            "chrome.webview.postMessage({after: 'alert'});</script>"};
    std::atomic<int> answered{0};
    std::thread answering = answerDialogs(L"page.test", {IDCANCEL, IDOK}, answered);
    ASSERT_EQ(view->Navigate(L"https://page.test/index.html"), S_OK);
    const bool both = pumpUntil([&] { return messages.size() == 2; }, 60000);
    answering.join();
    ASSERT_TRUE(both);
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(messages, (std::vector<std::string>{"https://page.test/index.html {\"confirmed\":false}",
                                                  "https://page.test/index.html {\"after\":\"alert\"}"}));

    // With the engine's dialogs turned off nobody is asked: a question is declined.
    ComPtr<ICoreWebView2Settings> settings;
    view->get_Settings(&settings);
    settings->put_AreDefaultScriptDialogsEnabled(FALSE);
    EXPECT_EQ(run(L"confirm('Sërish?')"), "false");
}

}  // namespace
}  // namespace vesko
