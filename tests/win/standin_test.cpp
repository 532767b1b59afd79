// The stand-in engine where the program's tests lean on it behaving like the real engine:
// the order of a navigation's events and of document and page scripts, with both of its
// backends, and no Chromium process outliving what started it.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>

#include "base/com_object_win.h"
#include "chromium/chromium_process.h"
#include "chromium_page_driver.h"
#include "com_support.h"
#include "control_channel_commands.h"
#include "chromium/linux_processes.h"
#include "chromium/websocket_client.h"
#include "chromium/wine_paths.h"
#include "chromium/shared_chromium.h"
#include "resolver_rules.h"
#include "engine/process_failures_win.h"
#include "engine/engine_frame_interface_win.h"
#include "engine/hresult_text.h"
#include "site_backend.h"
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

// A stand-in view on `folder`'s site/ with `knobs`, in a hidden host window of its own.
struct SiteView {
    SiteView(const std::filesystem::path& folder, const wchar_t* knobs = L"") {
        standin::Settings settings;
        settings.siteFolder = folder / L"site";
        settings.knobs = *standin::parseKnobs(knobs);
        standin::configure(settings);
        controller = createController(createEnvironment(folder / L"UserData").Get(), host.window);
        if (controller) controller->get_CoreWebView2(&view);
    }
    HostWindow host;
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2> view;
};

bool seen(const std::vector<std::string>& events, const std::string& prefix) {
    return std::any_of(events.begin(), events.end(), [&](const std::string& e) { return e.starts_with(prefix); });
}

TEST(StandInSite, NavigationEventsComeLaterFromTheLoopInTheEnginesOrder) {
    TestFolder folder;
    writeText(folder.path / L"site/portal.kordis.example/index.html", "<title> Ballina &amp; zonat </title>");
    SiteView site(folder.path);
    auto& controller = site.controller;
    auto& view = site.view;
    ASSERT_TRUE(controller);
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

// The engine's own counts, as the channel answers them: up while a host holds its objects,
// back where they were once it has let go of them all.
TEST(StandInSite, ItsLiveObjectsAndWhatItHoldsOfTheHostsAreCounted) {
    // The call record grows up to its bound; everything else must come back.
    const auto engine = [] {
        auto counts = standin::resourceCountsCommand()["engine"];
        counts.erase("recordedCalls");
        return counts;
    };
    const auto before = engine();
    EXPECT_TRUE(standin::resourceCountsCommand()["program"].is_null());  // no program exports its counts here
    TestFolder folder;
    writeText(folder.path / L"site/portal.kordis.example/index.html", "<title>Ballina</title>");
    {
        SiteView site(folder.path);
        ASSERT_TRUE(site.controller);
        std::vector<std::string> events;
        recordEvents(site.view.Get(), events);
        bool answered = false;
        site.view->ExecuteScript(L"1", makeCallback<ExecuteScriptCompletedCallback>([&](HRESULT, LPCWSTR) {
            answered = true;
            return S_OK;
        }).Get());
        const auto held = engine();
        for (const char* kind : {"environments", "controllers", "views"}) EXPECT_EQ(held[kind], before[kind].get<int>() + 1) << kind;
        EXPECT_EQ(held["registrations"], before["registrations"].get<int>() + 6);
        EXPECT_EQ(held["pendingCompletions"], before["pendingCompletions"].get<int>() + 1);
        site.view->Navigate(L"https://portal.kordis.example/");
        ASSERT_TRUE(pumpUntil([&] { return answered && seen(events, "completed"); }));
        site.controller->Close();
    }
    EXPECT_TRUE(pumpUntil([&] { return engine() == before; })) << engine().dump() << " was " << before.dump();
}

// A kiosk's week of calls costs no more than an hour's: the oldest calls are let go and
// the numbers go on, so a reader asking for what came after a number still finds it.
TEST(StandInRecord, KeepsTheMostRecentCallsNumberedOn) {
    standin::clearCallRecord();
    for (int call = 0; call < 50005; ++call) standin::record("view#1", "get_Source");
    const auto calls = standin::callRecord();
    EXPECT_EQ(calls.size(), 50000u);
    EXPECT_EQ(calls.front().sequence, 6u);
    EXPECT_EQ(calls.back().sequence, 50005u);
    standin::clearCallRecord();
}

// A tab left open for days: the newest requests keep their bodies, older ones only what
// was asked and answered, so a page's libraries do not pile up with every load.
TEST(StandInSite, OnlyTheNewestRequestsKeepTheirBodies) {
    TestFolder folder;
    writeText(folder.path / L"site/portal.kordis.example/lib.js", "var libraria = 1;");
    SiteView site(folder.path);
    ASSERT_TRUE(site.controller);
    std::vector<std::shared_ptr<standin::ResourceOutcome>> asked;
    for (int i = 0; i < 70; ++i) {
        asked.push_back(standin::requestResource(site.controller.Get(), L"https://portal.kordis.example/lib.js", L"GET",
                                                 COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT));
        ASSERT_TRUE(pumpUntil([&] { return asked.back()->done; }));
    }
    const auto log = standin::resourceLog(site.controller.Get());
    ASSERT_EQ(log.size(), 70u);
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i]->status, 200) << i;
        EXPECT_EQ(log[i]->body, i < 6 ? "" : "var libraria = 1;") << i;
    }
    site.controller->Close();
}

// A server whose certificate is in doubt: nothing of it is used before the host answers
// (after its deferral), and a host that does not answer gets the engine's warning page.
TEST(StandInSite, CertificateErrorsWaitForTheHostsAnswer) {
    using CertificateCallback = ComCallback<ICoreWebView2ServerCertificateErrorDetectedEventHandler, ICoreWebView2*,
                                            ICoreWebView2ServerCertificateErrorDetectedEventArgs*>;
    TestFolder folder;
    writeText(folder.path / L"site/portal.kordis.example/index.html", "<title>Ballina</title>");
    writeText(folder.path / L"site/portal.kordis.example/.certificate-error", "");
    static constexpr struct Case {
        COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION action;
        const char* completion;
        bool warningPage;
    } cases[] = {
        {COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_CANCEL, "completed 0 1", false},
        {COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_ALWAYS_ALLOW, "completed 1 0", false},
        {COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT, "completed 0 1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        SiteView site(folder.path);
        ComPtr<ICoreWebView2_14> view14;
        ASSERT_TRUE(SUCCEEDED(queryEngineInterface(site.view.Get(), view14)) && view14);
        std::vector<std::string> events;
        recordEvents(site.view.Get(), events);
        ComPtr<ICoreWebView2Deferral> deferral;
        EventRegistrationToken token{};
        view14->add_ServerCertificateErrorDetected(
            makeCallback<CertificateCallback>([&](ICoreWebView2*, ICoreWebView2ServerCertificateErrorDetectedEventArgs* args) {
                if (c.action != COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_DEFAULT) args->put_Action(c.action);
                return args->GetDeferral(&deferral);
            }).Get(),
            &token);
        standin::clearCallRecord();
        site.view->Navigate(L"https://portal.kordis.example/");
        ASSERT_TRUE(pumpUntil([&] { return deferral != nullptr; }));
        settle();
        EXPECT_FALSE(seen(events, "completed"));
        deferral->Complete();
        ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed"); }));
        EXPECT_TRUE(seen(events, c.completion));
        const auto calls = standin::callRecord();
        EXPECT_EQ(std::any_of(calls.begin(), calls.end(), [](const auto& call) { return call.method == "CertificateWarningPage"; }),
                  c.warningPage);
        site.controller->Close();
    }
}

// Where the engine promises no order or code, the stand-in takes either: a superseded
// navigation completes after or before its successor starts, with any status; the title
// comes before or after the completion.
TEST(StandInSite, OverlappingNavigationsInEitherOfTheEnginesOrders) {
    TestFolder folder;
    writeText(folder.path / L"site/portal.kordis.example/a.html", "<title>A</title>");
    writeText(folder.path / L"site/portal.kordis.example/b.html", "<title>B</title>");
    const std::string a = "starting https://portal.kordis.example/a.html";
    const std::string b = "starting https://portal.kordis.example/b.html";
    const struct { const wchar_t* knobs; std::vector<std::string> events; } cases[] = {
        {L"", {a, b, "completed 0 14", "source new", "history", "title B", "completed 1 0"}},
        {L"old-completion-first,cancel-status=0", {a, "completed 0 0", b, "source new", "history", "title B", "completed 1 0"}},
        {L"title-after-completion", {a, b, "completed 0 14", "source new", "history", "completed 1 0", "title B"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.knobs));
        SiteView site(folder.path, c.knobs);
        auto& controller = site.controller;
        auto& view = site.view;
        ASSERT_TRUE(controller);
        std::vector<std::string> events;
        recordEvents(view.Get(), events);
        view->Navigate(L"https://portal.kordis.example/a.html");
        view->Navigate(L"https://portal.kordis.example/b.html");
        ASSERT_TRUE(pumpUntil([&] { return events.size() >= c.events.size(); }));
        settle();
        EXPECT_EQ(events, c.events);
        controller->Close();
    }
    standin::configure({});
}

// A supported zoom takes effect silently; only a normalised one, or the user's, is reported.
TEST(StandInSite, ZoomIsReportedOnlyWhenTheEngineChangedIt) {
    TestFolder folder;
    SiteView site(folder.path);
    auto& controller = site.controller;
    ASSERT_TRUE(controller);
    int reports = 0;
    EventRegistrationToken token{};
    controller->add_ZoomFactorChanged(makeCallback<ZoomFactorChangedCallback>([&](ICoreWebView2Controller*, IUnknown*) {
        ++reports;
        return S_OK;
    }).Get(), &token);
    double zoom = 0;
    controller->put_ZoomFactor(1.5);
    settle();
    controller->get_ZoomFactor(&zoom);
    EXPECT_EQ(std::pair(zoom, reports), std::pair(1.5, 0));
    controller->put_ZoomFactor(9.0);
    settle();
    controller->get_ZoomFactor(&zoom);
    EXPECT_EQ(std::pair(zoom, reports), std::pair(5.0, 1));
    standin::zoomByUser(controller.Get(), 2.0);
    settle();
    EXPECT_EQ(reports, 2);
    controller->Close();
}

// A lost browser's exit is reported without waiting for the host to let go of its views,
// before or after the views hear of the loss.
TEST(StandInSite, ABrowsersExitIsReportedInEitherOrderWhileTheHostHoldsItsViews) {
    TestFolder folder;
    for (const wchar_t* knobs : {L"", L"exit-before-failure"}) {
        SCOPED_TRACE(toUtf8(knobs));
        standin::Settings settings;
        settings.knobs = *standin::parseKnobs(knobs);
        standin::configure(settings);
        HostWindow host;
        const auto environment = createEnvironment(folder.path / L"UserData");
        const auto controller = createController(environment.Get(), host.window);
        ASSERT_TRUE(controller);
        ComPtr<ICoreWebView2> view;
        controller->get_CoreWebView2(&view);
        std::vector<std::string> events;
        EventRegistrationToken token{};
        view->add_ProcessFailed(makeCallback<ProcessFailedCallback>([&](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs*) {
            events.push_back("failed");
            return S_OK;
        }).Get(), &token);
        ComPtr<ICoreWebView2Environment5> environment5;
        queryEngineInterface(environment.Get(), environment5);
        environment5->add_BrowserProcessExited(makeCallback<BrowserProcessExitedCallback>(
            [&](ICoreWebView2Environment*, ICoreWebView2BrowserProcessExitedEventArgs*) {
                events.push_back("exited");
                return S_OK;
            }).Get(), &token);
        ASSERT_TRUE(standin::raiseProcessFailure(controller.Get(), COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED,
                                                 COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED, 1));
        ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
        EXPECT_EQ(events, (knobs[0] == 0 ? std::vector<std::string>{"failed", "exited"}
                                         : std::vector<std::string>{"exited", "failed"}));
    }
    standin::configure({});
}

// The addresses a view's WebResourceRequested handler hears of, as "uri" lines.
void listenForRequests(ICoreWebView2* view, std::vector<std::string>& seen) {
    std::vector<std::string>* const out = &seen;
    EventRegistrationToken token{};
    view->add_WebResourceRequested(
        makeCallback<WebResourceRequestedCallback>([out](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* a) {
            ComPtr<ICoreWebView2WebResourceRequest> request;
            LPWSTR uri = nullptr;
            if (SUCCEEDED(a->get_Request(&request))) request->get_Uri(&uri);
            out->push_back(toUtf8(takeText(uri)));
            return S_OK;
        }).Get(), &token);
}

TEST(StandInSite, APopupsViewHearsOnlyOfFiltersAndHandlersAddedOnceItIsHandedOver) {
    struct Case {
        const wchar_t* knobs;
        std::vector<std::string> raised;
    };
    // The engine may skip the pop-up's first document; with the knob it raises it.
    const Case cases[] = {
        {L"", {"https://cdn.test/a.js"}},
        {L"raise-popup-document", {"https://portal.kordis.example/", "https://cdn.test/a.js"}},
    };
    TestFolder folder;
    writeText(folder.path / L"site/portal.kordis.example/index.html",
              "<title>P</title><script src=\"https://cdn.test/a.js\"></script>"
              "<link rel=\"stylesheet\" href=\"https://cdn.test/b.css\">");
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.knobs));
        standin::Settings settings;
        settings.knobs = *standin::parseKnobs(c.knobs);
        settings.siteFolder = folder.path / L"site";
        standin::configure(settings);
        HostWindow host;
        const auto environment = createEnvironment(folder.path / L"UserData");
        const auto opener = createController(environment.Get(), host.window);
        const auto popup = createController(environment.Get(), host.window);
        ASSERT_TRUE(opener && popup);
        ComPtr<ICoreWebView2> openerView, popupView;
        opener->get_CoreWebView2(&openerView);
        popup->get_CoreWebView2(&popupView);
        std::vector<std::string> before, after;
        EventRegistrationToken token{};
        openerView->add_NewWindowRequested(makeCallback<NewWindowRequestedCallback>(
            [&](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
                popupView->AddWebResourceRequestedFilter(L"*.css", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
                listenForRequests(popupView.Get(), before);
                args->put_NewWindow(popupView.Get());
                popupView->AddWebResourceRequestedFilter(L"*.js", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
                popupView->AddWebResourceRequestedFilter(L"https://portal.kordis.example/*",
                                                         COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
                listenForRequests(popupView.Get(), after);
                return S_OK;
            }).Get(), &token);
        const auto request = standin::requestNewWindow(opener.Get(), L"https://portal.kordis.example/");
        ASSERT_TRUE(pumpUntil([&] { return request->done && standin::readView(popup.Get())->title == L"P"; }));
        settle();
        EXPECT_EQ(before, std::vector<std::string>{});
        EXPECT_EQ(after, c.raised);
        // A data: address never reaches the event, whatever the filters say.
        const auto data = standin::requestResource(popup.Get(), L"data:text/javascript,1.js", L"GET",
                                                   COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT);
        ASSERT_TRUE(pumpUntil([&] { return data->done; }));
        EXPECT_FALSE(data->raised);
        opener->Close();
        popup->Close();
    }
}

// A response's content over bytes it does not own, readable only on the thread that made it
// when `threadBound`.
class BorrowedStream final : public ComObject<IStream, IID_IStream, IID_ISequentialStream> {
public:
    BorrowedStream(const std::string* bytes, bool threadBound)
        : bytes_(bytes), thread_(threadBound ? GetCurrentThreadId() : 0) {}
    HRESULT STDMETHODCALLTYPE Read(void* out, ULONG size, ULONG* read) override {
        if (thread_ != 0 && GetCurrentThreadId() != thread_) return RPC_E_WRONG_THREAD;
        const ULONG count = static_cast<ULONG>(std::min<std::size_t>(size, bytes_->size() - position_));
        std::memcpy(out, bytes_->data() + position_, count);
        position_ += count;
        if (read != nullptr) *read = count;
        return count < size ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
        position_ = static_cast<std::size_t>((origin == STREAM_SEEK_CUR ? position_ : 0) + move.QuadPart);
        if (now != nullptr) now->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    const std::string* bytes_;
    DWORD thread_;
    std::size_t position_ = 0;
};

TEST(StandInSite, TheEngineRecordsWhatAHostMustNotDo) {
    TestFolder folder;
    standin::configure({});
    const auto environment = createEnvironment(folder.path / L"UserData");
    ASSERT_TRUE(environment);
    struct Case {
        const char* what;
        bool threadBound;
        bool changedAfter;
        const char* fault;
    };
    static constexpr Case cases[] = {
        {"a stream that holds", false, false, nullptr},
        {"a stream bound to the UI thread", true, false, "RESPONSE_STREAM_UNREADABLE"},
        {"a stream whose bytes change", false, true, "RESPONSE_STREAM_CHANGED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        standin::clearFaults();
        std::string bytes = "body";
        ComPtr<ICoreWebView2WebResourceResponse> response;
        environment->CreateWebResourceResponse(makeComObject<BorrowedStream>(&bytes, c.threadBound).Get(), 200, L"OK",
                                               L"", &response);
        const auto served = standin::readResponse(response.Get());
        if (c.changedAfter) bytes = "gone";
        settle();
        ASSERT_EQ(standin::faults().size(), c.fault ? 1u : 0u);
        if (c.fault) EXPECT_TRUE(standin::faults()[0].starts_with(c.fault)) << standin::faults()[0];
    }

    // A message loop inside a handler: other events reach the host while it still runs.
    HostWindow host;
    const auto controller = createController(environment.Get(), host.window);
    ComPtr<ICoreWebView2> view;
    controller->get_CoreWebView2(&view);
    EventRegistrationToken token{};
    view->add_NavigationStarting(makeCallback<NavigationStartingCallback>(
        [](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*) {
            pumpUntil([] { return false; }, 50);
            return S_OK;
        }).Get(), &token);
    standin::clearFaults();
    view->Navigate(L"about:blank");
    pumpUntil([] { return !standin::faults().empty(); }, 2000);
    ASSERT_FALSE(standin::faults().empty());
    EXPECT_TRUE(standin::faults()[0].starts_with("NESTED_MESSAGE_LOOP"));
    standin::clearFaults();

    // The parent window went before the controller's creation completed.
    HRESULT created = S_OK;
    const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    environment->CreateCoreWebView2Controller(parent, makeCallback<ControllerCompletedCallback>(
        [&](HRESULT result, ICoreWebView2Controller*) {
            created = result;
            return S_OK;
        }).Get());
    DestroyWindow(parent);
    ASSERT_TRUE(pumpUntil([&] { return created != S_OK; }));
    EXPECT_EQ(created, E_ABORT);
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

// A page may name a download with invisible characters; the engine hands the name over.
TEST(StandInSite, ALinksDownloadNameIsTheAttributeAsThePageWroteIt) {
    const auto links = standin::scanLinks("https://portal.kordis.example/",
        R"(<a href="a.csv" download="fatura&#x202E;fdp.exe">1</a><a href="b.csv" download='x&#8238;&amp;'>2</a>)"
        R"(<a href="c.csv" download>3</a><a href="d.csv" download="&#xD800;&#x110000;">4</a>)");
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[0].downloadName, "fatura\xE2\x80\xAE" "fdp.exe");
    EXPECT_EQ(links[1].downloadName, "x\xE2\x80\xAE&");
    EXPECT_TRUE(links[2].download);
    EXPECT_EQ(links[2].downloadName, "");
    EXPECT_EQ(links[3].downloadName, "&#xD800;&#x110000;");
}

TEST(StandInSite, AFramesMessagesReachItsOwnObjectOnlyAndItsEndIsReported) {
    TestFolder folder;
    const auto portal = folder.path / L"site/portal.kordis.example";
    writeText(portal / L"index.html", "<title>Ballina</title><iframe name=\"jashte\" src=\"/jashte.html\"></iframe>");
    writeText(portal / L"jashte.html", "<title>Jashte</title><iframe name=\"brenda\" src=\"/brenda.html\"></iframe>");
    writeText(portal / L"brenda.html", "<title>Brenda</title>");
    writeText(portal / L"tjeter.html", "<title>Tjeter</title>");
    SiteView site(folder.path);
    auto& controller = site.controller;
    auto& view = site.view;
    ASSERT_TRUE(controller);
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
    servePages(view.Get(), environment.Get(), [](const std::wstring&) {
        return "<!doctype html><title>Ballina</title>"
               "<script>chrome.webview.postMessage({early: window.early === 1})</script>";
    });
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

// Chromium takes a stop a moment after it answers it, and the stopped load's document
// request may still come (seen): it must start nothing, else a navigation starts that
// Chromium has dropped and never ends. Its commit may come too, and ends nothing. The request is put to the view's page driver as
// Chromium would send it; the same address asked for after the user's input or a new load
// is a navigation of its own.
TEST_F(ChromiumBackend, TheStoppedLoadsLateDocumentRequestStartsNothing) {
    HostWindow host;
    const auto environment = createEnvironment(folder.path / L"UserData", kSwitches);
    const auto controller = createController(environment.Get(), host.window);
    ASSERT_TRUE(controller);
    ComPtr<ICoreWebView2> view;
    controller->get_CoreWebView2(&view);
    std::vector<std::string> events;
    recordEvents(view.Get(), events);
    servePages(view.Get(), environment.Get(),
               [](const std::wstring&) { return "<!doctype html><title>Faqja</title>"; });
    standin::NavigationPipeline* const pipeline = standin::pipelineOf(view.Get());
    ASSERT_NE(pipeline, nullptr);
    auto* const driver = dynamic_cast<standin::ChromiumPageDriver*>(&pipeline->driver());
    ASSERT_NE(driver, nullptr);
    const auto lateRequest = [&](const std::wstring& uri) {
        standin::PausedRequest paused(*pipeline->context().pump, "no-session", "late");
        standin::ChromiumRequest request(std::move(paused));
        request.uri = uri;
        request.method = L"GET";
        request.context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT;
        events.clear();
        driver->documentRequested(std::move(request), true);
        settle();
        return events;
    };
    const auto loadAndStop = [&](const wchar_t* uri) {
        events.clear();
        view->Navigate(uri);
        view->Stop();
        ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed"); }, 15000));
        pumpUntil([] { return false; }, 500);  // the stop's answer
    };
    const auto load = [&](const wchar_t* uri) {
        events.clear();
        view->Navigate(uri);
        ASSERT_TRUE(pumpUntil([&] { return seen(events, "completed 1"); }, 15000));
    };

    load(L"https://page.test/ballina.html");
    loadAndStop(L"https://page.test/ndalur.html");
    EXPECT_EQ(lateRequest(L"https://page.test/ndalur.html"), std::vector<std::string>{});
    // Chromium may commit the stopped load all the same: the host hears of the document, and
    // the view is not loading.
    events.clear();
    driver->documentCommitted(L"https://page.test/ndalur.html", false);
    settle();
    EXPECT_EQ(events, (std::vector<std::string>{"source new", "history"}));
    EXPECT_TRUE(pipeline->current()->completed);
    driver->windowMessage(host.window, WM_KEYDOWN, VK_SHIFT, 0);
    EXPECT_EQ(lateRequest(L"https://page.test/ndalur.html"),
              std::vector<std::string>{"starting https://page.test/ndalur.html"});

    loadAndStop(L"https://page.test/tjeter.html");
    load(L"https://page.test/ballina.html");
    EXPECT_EQ(lateRequest(L"https://page.test/tjeter.html"),
              std::vector<std::string>{"starting https://page.test/tjeter.html"});
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
    servePages(view.Get(), environment.Get(), [](const std::wstring& uri) {
        return uri.ends_with(L"/inner.html") ? "<script>chrome.webview.postMessage('nga korniza')</script>"
                                             : "<iframe name=\"korniza\" src=\"/inner.html\"></iframe>"
                                               "<script>chrome.webview.postMessage('nga faqja')</script>";
    });
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

// The host's resolver rules decide first; the test servers' names and loopback resolve
// only where those rules leave a name alone, as a name service would answer.
TEST(StandInResolver, TheHostsRulesComeBeforeTheTestServersNames) {
    const std::string environment = "MAP portal.kordis.example 127.0.0.1:8443, MAP evil.example 127.0.0.1:9000";
    const struct {
        const char* hostRules;
        const char* composed;
    } cases[] = {
            {"MAP * ~NOTFOUND, EXCLUDE portal.kordis.example",
             "MAP portal.kordis.example 127.0.0.1:8443, MAP evil.example ~NOTFOUND, MAP * ~NOTFOUND, MAP * ~NOTFOUND"},
            {"", "MAP portal.kordis.example 127.0.0.1:8443, MAP evil.example 127.0.0.1:9000, MAP * ~NOTFOUND, "
                 "EXCLUDE 127.0.0.1, EXCLUDE localhost, EXCLUDE *.localhost"},
            {"MAP *.example ~NOTFOUND, EXCLUDE portal.kordis.example",
             "MAP portal.kordis.example 127.0.0.1:8443, MAP evil.example ~NOTFOUND, MAP *.example ~NOTFOUND, "
             "MAP * ~NOTFOUND, EXCLUDE 127.0.0.1, EXCLUDE localhost, EXCLUDE *.localhost"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hostRules);
        EXPECT_EQ(standin::composeResolverRules(c.hostRules, environment), c.composed);
    }
    // The host's switches as one text: the quoted rules are one argument, and dropping
    // another switch keeps them quoted.
    const std::wstring arguments = L"--a \"--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE x.example\" --b=1";
    EXPECT_EQ(standin::switchValue(arguments, standin::kResolverRulesSwitch), L"MAP * ~NOTFOUND, EXCLUDE x.example");
    EXPECT_EQ(standin::withoutSwitch(arguments, L"--b"), L"--a \"--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE x.example\"");
    EXPECT_EQ(standin::withoutSwitch(arguments, standin::kResolverRulesSwitch), L"--a --b=1");
}

// Chromium trusts the listed keys and nothing else; the variable cannot smuggle in a
// switch that would accept every certificate.
TEST(StandInChromiumTrust, OnlyTheListedKeysAreTrusted) {
    const struct {
        const wchar_t* keys;
        const char* trustSwitch;  // nullptr: none
    } cases[] = {
            {L"", nullptr},
            {L"WIBu+p8/VTDY=,q2Bb=", "--ignore-certificate-errors-spki-list=WIBu+p8/VTDY=,q2Bb= "},
            {L"AAA= --ignore-certificate-errors", "--ignore-certificate-errors-spki-list=AAA=ignorecertificateerrors "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.keys));
        const std::string arguments = standin::standInChromiumArguments(L"", L"", c.keys);
        const std::size_t listed = arguments.find("--ignore-certificate-errors-spki-list=");
        EXPECT_EQ(listed == std::string::npos ? std::string() : arguments.substr(listed, arguments.find(' ', listed) + 1 - listed),
                  c.trustSwitch != nullptr ? c.trustSwitch : "");
        EXPECT_EQ(arguments.find("--ignore-certificate-errors "), std::string::npos);
    }
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
