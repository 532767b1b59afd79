// The stand-in engine in this process: environment, controller and view over a small
// site folder, with the host's side written the way the program writes it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/environment_options_win.h"
#include "engine_test_support_win.h"
#include "site_backend.h"
#include "standin.h"
#include "test_folder_win.h"
#include "view_events_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::wstring takeText(LPWSTR raw) {
    std::wstring text = raw != nullptr ? raw : L"";
    CoTaskMemFree(raw);
    return text;
}

// An environment, a controller in a hidden window and its view, over a two-page site.
struct StandInView {
    TestFolder folder;
    HostWindow host;
    ComPtr<ICoreWebView2Environment> environment;
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2> view;
    std::vector<std::string> events;

    explicit StandInView(const std::wstring& knobs = L"") {
        const auto site = folder.path() / L"site" / L"portal.kordis.example";
        writeText(site / L"index.html",
                  "<html><head><title> Ballina &amp; zonat </title>"
                  "<script src=\"/js/app.js\"></script></head><body>"
                  "<a href=\"zones/list.html\">Zonat</a> <A HREF='https://cdn.example/x'>x</A>"
                  "<iframe src=\"frame.html\"></iframe></body></html>");
        writeText(site / L"zones" / L"list.html", "<title>Lista</title><a href=\"../index.html\">Kthehu</a>");
        standin::Settings settings;
        settings.knobs = *standin::parseKnobs(knobs);
        settings.siteFolder = folder.path() / L"site";
        standin::configure(settings);

        const auto options = createEnvironmentOptions();
        const auto created = makeCallback<EnvironmentCompletedCallback>([this](HRESULT, ICoreWebView2Environment* e) {
            environment = e;
            return S_OK;
        });
        if (FAILED(standin::createEnvironmentWithOptions(nullptr, (folder.path() / L"UserData").c_str(), options.Get(),
                                                         created.Get())) ||
            !pumpUntil([&] { return environment != nullptr; })) {
            return;
        }
        const auto controllerDone = makeCallback<ControllerCompletedCallback>([this](HRESULT, ICoreWebView2Controller* c) {
            controller = c;
            return S_OK;
        });
        if (FAILED(environment->CreateCoreWebView2Controller(host.get(), controllerDone.Get()))) return;
        if (!pumpUntil([&] { return controller != nullptr; })) return;
        controller->get_CoreWebView2(&view);
    }

    void listen() { recordViewEvents(view.Get(), events); }

    bool navigateAndWait(const wchar_t* uri) {
        const std::size_t before = completions();
        if (FAILED(view->Navigate(uri))) return false;
        return pumpUntil([&] { return completions() > before; });
    }
    std::size_t completions() const { return completionCount(events); }
    std::wstring source() const {
        LPWSTR raw = nullptr;
        view->get_Source(&raw);
        return takeText(raw);
    }
};

TEST(StandInEngine, NavigationRaisesTheEventsInABrowsersOrderLaterFromTheLoop) {
    StandInView s;
    ASSERT_TRUE(s.view);
    s.listen();
    ASSERT_EQ(s.view->Navigate(L"https://portal.kordis.example/"), S_OK);
    EXPECT_TRUE(s.events.empty());  // nothing inside the call
    ASSERT_TRUE(pumpUntil([&] { return s.completions() == 1; }));
    const std::vector<std::string> expected = {"starting https://portal.kordis.example/", "source new", "history",
                                               "title Ballina & zonat", "completed 1 0"};
    EXPECT_EQ(s.events, expected);

    const auto state = standin::readView(s.controller.Get());
    ASSERT_TRUE(state);
    EXPECT_EQ(state->source, L"https://portal.kordis.example/");
    EXPECT_EQ(state->links, (std::vector<std::wstring>{L"https://portal.kordis.example/zones/list.html",
                                                       L"https://cdn.example/x"}));
    EXPECT_FALSE(state->loading);
    EXPECT_EQ(GetParent(state->window), s.host.get());
}

TEST(StandInEngine, FailedNavigations) {
    struct Case {
        const wchar_t* uri;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        // Unknown host: an error page under the failed address.
        {L"https://nowhere.example/",
         {"starting https://nowhere.example/", "source new", "history", "title nowhere.example", "completed 0 13"}},
        // Nothing listens on another port.
        {L"https://portal.kordis.example:8443/",
         {"starting https://portal.kordis.example:8443/", "source new", "history", "title portal.kordis.example",
          "completed 0 12"}},
        // A 404 page loads, but the navigation did not succeed.
        {L"https://portal.kordis.example/missing.html",
         {"starting https://portal.kordis.example/missing.html", "source new", "history", "title 404 Not Found",
          "completed 0 0"}},
        // A way out of the site folder is simply not found.
        {L"https://portal.kordis.example/%2e%2e/%2e%2e/site/portal.kordis.example/index.html",
         {"starting https://portal.kordis.example/%2e%2e/%2e%2e/site/portal.kordis.example/index.html", "source new",
          "history", "title 404 Not Found", "completed 0 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.uri)));
        StandInView s;
        ASSERT_TRUE(s.view);
        s.listen();
        ASSERT_TRUE(s.navigateAndWait(c.uri));
        EXPECT_EQ(s.events, c.expected);
    }
}

TEST(StandInEngine, CancelledOrStoppedNavigationLeavesTheSource) {
    StandInView s;
    ASSERT_TRUE(s.view);
    s.listen();
    EventRegistrationToken token{};
    s.view->add_NavigationStarting(makeCallback<NavigationStartingCallback>(
                                       [](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
                                           LPWSTR uri = nullptr;
                                           args->get_Uri(&uri);
                                           if (takeText(uri).find(L"zones") != std::wstring::npos) args->put_Cancel(TRUE);
                                           return S_OK;
                                       }).Get(),
                                   &token);
    ASSERT_TRUE(s.navigateAndWait(L"https://portal.kordis.example/"));
    s.events.clear();
    ASSERT_TRUE(s.navigateAndWait(L"https://portal.kordis.example/zones/list.html"));
    EXPECT_EQ(s.events, (std::vector<std::string>{"starting https://portal.kordis.example/zones/list.html",
                                                  "completed 0 14"}));
    EXPECT_EQ(s.source(), L"https://portal.kordis.example/");

    // Removed: the cancelling handler no longer runs.
    s.view->remove_NavigationStarting(token);
    s.events.clear();
    ASSERT_EQ(s.view->Navigate(L"https://portal.kordis.example/zones/list.html"), S_OK);
    ASSERT_EQ(s.view->Stop(), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return s.completions() == 1; }));
    pumpPending();
    EXPECT_EQ(s.events, (std::vector<std::string>{"starting https://portal.kordis.example/zones/list.html",
                                                  "completed 0 14"}));
    EXPECT_EQ(s.source(), L"https://portal.kordis.example/");
}

TEST(StandInEngine, HistoryBackForwardAndReload) {
    StandInView s;
    ASSERT_TRUE(s.view);
    s.listen();
    ASSERT_TRUE(s.navigateAndWait(L"https://portal.kordis.example/"));
    ASSERT_TRUE(s.navigateAndWait(L"https://portal.kordis.example/zones/list.html"));
    BOOL back = FALSE, forward = TRUE;
    s.view->get_CanGoBack(&back);
    s.view->get_CanGoForward(&forward);
    EXPECT_TRUE(back);
    EXPECT_FALSE(forward);

    const std::size_t before = s.completions();
    s.view->GoBack();
    ASSERT_TRUE(pumpUntil([&] { return s.completions() > before; }));
    EXPECT_EQ(s.source(), L"https://portal.kordis.example/");
    s.view->get_CanGoForward(&forward);
    EXPECT_TRUE(forward);
    s.view->GoForward();
    ASSERT_TRUE(pumpUntil([&] { return s.completions() > before + 1; }));
    EXPECT_EQ(s.source(), L"https://portal.kordis.example/zones/list.html");

    s.events.clear();
    s.view->Reload();
    ASSERT_TRUE(pumpUntil([&] { return s.completions() == 1; }));
    // A reload makes no new history entry.
    EXPECT_EQ(s.events, (std::vector<std::string>{"starting https://portal.kordis.example/zones/list.html",
                                                  "source new", "title Lista", "completed 1 0"}));
}

ComPtr<IStream> streamOf(const std::string& bytes) {
    ComPtr<IStream> stream;
    *stream.ReleaseAndGetAddressOf() =
        SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    return stream;
}

TEST(StandInEngine, DocumentRequestAnsweredByTheHostWithAndWithoutDeferral) {
    for (const bool deferred : {false, true}) {
        SCOPED_TRACE(deferred ? "deferred" : "at once");
        StandInView s;
        ASSERT_TRUE(s.view);
        s.listen();
        ComPtr<ICoreWebView2_22> view22;
        ASSERT_EQ(queryEngineInterface(s.view.Get(), view22), S_OK);
        ASSERT_EQ(view22->AddWebResourceRequestedFilterWithRequestSourceKinds(
                      L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_ALL),
                  S_OK);
        ComPtr<ICoreWebView2Deferral> pending;
        std::vector<COREWEBVIEW2_WEB_RESOURCE_CONTEXT> contexts;
        EventRegistrationToken token{};
        s.view->add_WebResourceRequested(
            makeCallback<WebResourceRequestedCallback>([&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                COREWEBVIEW2_WEB_RESOURCE_CONTEXT context{};
                args->get_ResourceContext(&context);
                contexts.push_back(context);
                ComPtr<ICoreWebView2WebResourceResponse> response;
                s.environment->CreateWebResourceResponse(streamOf("<title>Nga hosti</title>").Get(), 200, L"OK",
                                                         L"Content-Type: text/html", &response);
                if (deferred) args->GetDeferral(&pending);
                args->put_Response(response.Get());
                return S_OK;
            }).Get(),
            &token);
        ASSERT_EQ(s.view->Navigate(L"https://portal.kordis.example/"), S_OK);
        if (deferred) {
            ASSERT_TRUE(pumpUntil([&] { return pending != nullptr; }));
            pumpPending();
            EXPECT_EQ(s.completions(), 0u);  // held until the deferral completes
            pending->Complete();
        }
        ASSERT_TRUE(pumpUntil([&] { return s.completions() == 1; }));
        EXPECT_EQ(contexts, std::vector<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>{COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT});
        EXPECT_EQ(s.events.back(), "completed 1 0");
        EXPECT_NE(std::find(s.events.begin(), s.events.end(), "title Nga hosti"), s.events.end());
    }
}

TEST(StandInEngine, FilterThatDoesNotMatchLeavesTheRequestToTheSite) {
    StandInView s;
    ASSERT_TRUE(s.view);
    s.listen();
    int calls = 0;
    EventRegistrationToken token{};
    s.view->add_WebResourceRequested(makeCallback<WebResourceRequestedCallback>(
                                         [&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs*) {
                                             ++calls;
                                             return S_OK;
                                         }).Get(),
                                     &token);
    s.view->AddWebResourceRequestedFilter(L"https://cdn.example/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    s.view->AddWebResourceRequestedFilter(L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT);
    ASSERT_TRUE(s.navigateAndWait(L"https://portal.kordis.example/"));
    // The document matches neither filter; only its script matches the second one.
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s.events.back(), "completed 1 0");
    EXPECT_EQ(s.view->RemoveWebResourceRequestedFilter(L"https://nothing/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL),
              E_INVALIDARG);
}

TEST(StandInEngine, ResponsesAreReadableAndKeepTheStreamPosition) {
    StandInView s;
    ASSERT_TRUE(s.environment);
    const auto stream = streamOf("Blocked by policy");
    LARGE_INTEGER seven{};
    seven.QuadPart = 7;
    stream->Seek(seven, STREAM_SEEK_SET, nullptr);
    ComPtr<ICoreWebView2WebResourceResponse> response;
    ASSERT_EQ(s.environment->CreateWebResourceResponse(
                  stream.Get(), 403, L"Blocked", L"Content-Type: text/plain\r\nCache-Control: no-store\r\nX-Empty:",
                  &response),
              S_OK);
    const auto seen = standin::readResponse(response.Get());
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->statusCode, 403);
    EXPECT_EQ(seen->reasonPhrase, L"Blocked");
    EXPECT_EQ(seen->headers, (std::vector<std::pair<std::wstring, std::wstring>>{
                                 {L"Content-Type", L"text/plain"}, {L"Cache-Control", L"no-store"}, {L"X-Empty", L""}}));
    EXPECT_EQ(seen->body, "Blocked by policy");
    ULARGE_INTEGER position{};
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position);
    EXPECT_EQ(position.QuadPart, 7u);
    int status = 0;
    response->get_StatusCode(&status);
    EXPECT_EQ(status, 403);
    LPWSTR reason = nullptr;
    response->get_ReasonPhrase(&reason);
    EXPECT_EQ(takeText(reason), L"Blocked");
    EXPECT_FALSE(standin::readResponse(nullptr));
}

TEST(StandInEngine, ZoomIsClampedReportedLaterAndCanBeRefused) {
    {
        StandInView s;
        ASSERT_TRUE(s.controller);
        int changes = 0;
        EventRegistrationToken token{};
        s.controller->add_ZoomFactorChanged(makeCallback<ZoomFactorChangedCallback>([&](ICoreWebView2Controller*, IUnknown*) {
                                                ++changes;
                                                return S_OK;
                                            }).Get(),
                                            &token);
        EXPECT_EQ(s.controller->put_ZoomFactor(1.5), S_OK);
        EXPECT_EQ(changes, 0);
        ASSERT_TRUE(pumpUntil([&] { return changes == 1; }));
        double zoom = 0;
        s.controller->get_ZoomFactor(&zoom);
        EXPECT_EQ(zoom, 1.5);
        s.controller->put_ZoomFactor(40.0);
        s.controller->get_ZoomFactor(&zoom);
        EXPECT_EQ(zoom, 5.0);
        EXPECT_EQ(s.controller->put_ZoomFactor(0.0), E_INVALIDARG);
    }
    StandInView refused(L"refuse-zoom=0x80070005");
    ASSERT_TRUE(refused.controller);
    EXPECT_EQ(refused.controller->put_ZoomFactor(2.0), E_ACCESSDENIED);
    double zoom = 0;
    refused.controller->get_ZoomFactor(&zoom);
    EXPECT_EQ(zoom, 1.0);
}

TEST(StandInEngine, OldRuntimeLacksTheNewerInterfaces) {
    StandInView s(L"webview-version=21,settings-version=2");
    ASSERT_TRUE(s.view);
    ComPtr<ICoreWebView2_22> view22;
    EXPECT_EQ(queryEngineInterface(s.view.Get(), view22), E_NOINTERFACE);
    ComPtr<ICoreWebView2_21> view21;
    EXPECT_EQ(queryEngineInterface(s.view.Get(), view21), S_OK);
    ComPtr<ICoreWebView2Settings> settings;
    ASSERT_EQ(s.view->get_Settings(&settings), S_OK);
    ComPtr<ICoreWebView2Settings3> settings3;
    EXPECT_EQ(queryEngineInterface(settings.Get(), settings3), E_NOINTERFACE);
    EXPECT_EQ(settings->put_AreDevToolsEnabled(FALSE), S_OK);
    BOOL devTools = TRUE;
    settings->get_AreDevToolsEnabled(&devTools);
    EXPECT_FALSE(devTools);
}

TEST(StandInEngine, ScriptsCompleteLaterAndCanFail) {
    for (const auto& [knobs, expected] : {std::pair{L"", S_OK}, std::pair{L"fail-script=0x80004005", E_FAIL}}) {
        StandInView s(knobs);
        ASSERT_TRUE(s.view);
        bool done = false;
        HRESULT seen = E_UNEXPECTED;
        std::wstring value;
        s.view->ExecuteScript(L"1+1", makeCallback<ExecuteScriptCompletedCallback>([&](HRESULT result, LPCWSTR json) {
                                          done = true;
                                          seen = result;
                                          value = json != nullptr ? json : L"<none>";
                                          return S_OK;
                                      }).Get());
        EXPECT_FALSE(done);
        ASSERT_TRUE(pumpUntil([&] { return done; }));
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(value, SUCCEEDED(expected) ? L"null" : L"<none>");
    }
}

TEST(StandInEngine, ViewWindowFollowsTheControllerAndCloseEndsEverything) {
    StandInView s;
    ASSERT_TRUE(s.controller);
    s.controller->put_Bounds(RECT{0, 88, 640, 453});
    s.controller->put_IsVisible(FALSE);
    auto state = standin::readView(s.controller.Get());
    ASSERT_TRUE(state);
    RECT placed{};
    GetWindowRect(state->window, &placed);
    EXPECT_EQ(placed.bottom - placed.top, 365);
    EXPECT_FALSE(IsWindowVisible(state->window));
    s.controller->put_IsVisible(TRUE);
    EXPECT_EQ(IsWindowVisible(state->window) != FALSE, IsWindowVisible(s.host.get()) != FALSE);

    s.listen();
    ASSERT_EQ(s.view->Navigate(L"https://portal.kordis.example/"), S_OK);
    const HWND window = state->window;
    EXPECT_EQ(s.controller->Close(), S_OK);
    EXPECT_FALSE(IsWindow(window));
    pumpPending();
    EXPECT_TRUE(s.events.empty());  // nothing more from a closed view
    const HRESULT closed = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    EXPECT_EQ(s.controller->put_IsVisible(TRUE), closed);
    EXPECT_EQ(s.view->Navigate(L"https://portal.kordis.example/"), closed);
}

TEST(StandInEngine, RecordsTheHostsCalls) {
    StandInView s;
    ASSERT_TRUE(s.view);
    standin::clearCallRecord();
    s.view->Navigate(L"https://portal.kordis.example/zones/list.html");
    s.controller->put_IsVisible(FALSE);
    const auto calls = standin::callRecord();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].object.starts_with("view#"));
    EXPECT_EQ(calls[0].method, "Navigate");
    EXPECT_EQ(calls[0].detail, "https://portal.kordis.example/zones/list.html");
    EXPECT_TRUE(calls[1].object.starts_with("controller#"));
    EXPECT_EQ(calls[1].detail, "false");
    EXPECT_LT(calls[0].sequence, calls[1].sequence);
}

TEST(StandInEngine, ControllerCreationKnobsAndParent) {
    StandInView failing(L"fail-controller=0x80004005");
    EXPECT_TRUE(failing.environment);
    EXPECT_FALSE(failing.controller);
    StandInView s;
    ASSERT_TRUE(s.environment);
    const auto ignored = makeCallback<ControllerCompletedCallback>([](HRESULT, ICoreWebView2Controller*) { return S_OK; });
    EXPECT_EQ(s.environment->CreateCoreWebView2Controller(nullptr, ignored.Get()), E_INVALIDARG);
    StandInView refused(L"refuse-controller=0x80070005");
    ASSERT_TRUE(refused.environment);
    EXPECT_EQ(refused.environment->CreateCoreWebView2Controller(refused.host.get(), ignored.Get()), E_ACCESSDENIED);
}

TEST(StandInEngine, HeldCreationCompletesOnlyWhenReleased) {
    TestFolder folder;
    standin::Settings settings;
    settings.knobs = *standin::parseKnobs(L"hold-creation");
    standin::configure(settings);
    ComPtr<ICoreWebView2Environment> environment;
    int completions = 0;
    const auto created = makeCallback<EnvironmentCompletedCallback>([&](HRESULT, ICoreWebView2Environment* e) {
        environment = e;
        ++completions;
        return S_OK;
    });
    ASSERT_EQ(standin::createEnvironmentWithOptions(nullptr, (folder.path() / L"UserData").c_str(),
                                                    createEnvironmentOptions().Get(), created.Get()),
              S_OK);
    EXPECT_FALSE(pumpUntil([&] { return completions > 0; }, 300));
    EXPECT_EQ(standin::releaseHeldCreations(), 1);
    EXPECT_EQ(completions, 0) << "the completion still arrives from the loop";
    ASSERT_TRUE(pumpUntil([&] { return completions > 0; }));
    EXPECT_TRUE(environment);
    EXPECT_EQ(standin::releaseHeldCreations(), 0);
    pumpPending();
    EXPECT_EQ(completions, 1);
    standin::configure({});
}

TEST(StandInKnobs, ParsesEveryNameAndRefusesTypingErrors) {
    const auto all = standin::parseKnobs(
        L"no-runtime, no-version-text,version=121.0.1.2,refuse-creation=0x80070005,fail-creation=0x80004005,"
        L"no-environment,environment-version=9,webview-version=21,settings-version=2,refuse-controller=0x80004004,"
        L"fail-controller=0x8000ffff,refuse-zoom=0x80070057,fail-script=0x80004001,refuse-filter=0x80004005,"
        L"refuse-download-path=0x80070005,hold-creation");
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->holdCreation);
    EXPECT_EQ(all->filterRefused, E_FAIL);
    EXPECT_EQ(all->downloadPathRefused, E_ACCESSDENIED);
    EXPECT_TRUE(all->runtimeMissing);
    EXPECT_TRUE(all->versionWithoutText);
    EXPECT_EQ(all->version, L"121.0.1.2");
    EXPECT_EQ(all->creationRefused, E_ACCESSDENIED);
    EXPECT_EQ(all->creationFailed, E_FAIL);
    EXPECT_TRUE(all->completionWithoutEnvironment);
    EXPECT_EQ(all->environmentVersion, 9);
    EXPECT_EQ(all->webviewVersion, 21);
    EXPECT_EQ(all->settingsVersion, 2);
    EXPECT_EQ(all->controllerRefused, E_ABORT);
    EXPECT_EQ(all->controllerFailed, E_UNEXPECTED);
    EXPECT_EQ(all->zoomRefused, E_INVALIDARG);
    EXPECT_EQ(all->scriptFailed, E_NOTIMPL);
    EXPECT_TRUE(standin::parseKnobs(L""));

    for (const wchar_t* bad : {L"no-runtim", L"no-runtime=1", L"refuse-creation=0", L"refuse-creation=0x0",
                               L"refuse-creation=80070005", L"environment-version=11", L"webview-version=0",
                               L"settings-version=x", L"version=", L"refuse-filter=0x0", L"hold-creation=1"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(bad)));
        EXPECT_FALSE(standin::parseKnobs(bad));
    }
}

TEST(StandInSite, PathsStayInsideTheHostFolder) {
    struct Case {
        const char* path;
        const wchar_t* expected;  // nullptr: refused
    };
    static const Case kCases[] = {
        {"/", L"index.html"},
        {"/zones/", L"zones\\index.html"},
        {"/zones/list.html", L"zones\\list.html"},
        {"/a//b/./c.js", L"a\\b\\c.js"},
        {"/Shqip%C3%AB.html", L"Shqip\u00EB.html"},
        {"/../secret", nullptr},
        {"/%2e%2e/secret", nullptr},
        {"/a/%2E%2E/b", nullptr},
        {"/a%5c..%5cb", nullptr},
        {"/c:/windows/win.ini", nullptr},
        {"/nul%00.html", nullptr},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path);
        const auto path = standin::sitePath(c.path);
        if (c.expected == nullptr) {
            EXPECT_FALSE(path);
        } else {
            ASSERT_TRUE(path);
            EXPECT_EQ(path->wstring(), c.expected);
        }
    }
}

TEST(StandInSite, RelativeAddressesResolveAgainstTheDocument) {
    struct Case {
        const char* base;
        const char* reference;
        const char* expected;
    };
    static const Case kCases[] = {
        {"https://h.example/a/b.html", "c.html", "https://h.example/a/c.html"},
        {"https://h.example/a/b.html", "../c.html", "https://h.example/c.html"},
        {"https://h.example/a/b.html", "../../../c.html", "https://h.example/c.html"},
        {"https://h.example/a/b.html", "/x/./y/../z?q=1#f", "https://h.example/x/z?q=1#f"},
        {"https://h.example/a/b.html?old", "?new", "https://h.example/a/b.html?new"},
        {"https://h.example/a/b.html?q", "#top", "https://h.example/a/b.html?q#top"},
        {"https://h.example:8443/a/", "b", "https://h.example:8443/a/b"},
        {"https://h.example/a/", "//cdn.example/lib.js", "https://cdn.example/lib.js"},
        {"https://h.example/a/", "http://other.example/", "http://other.example/"},
        {"https://h.example/a/", "mailto:x@y", "mailto:x@y"},
        {"https://h.example/a/", ".", "https://h.example/a/"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.reference);
        EXPECT_EQ(standin::resolveUrl(c.base, c.reference), c.expected);
    }
}

}  // namespace
}  // namespace vesko
