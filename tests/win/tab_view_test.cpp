// Tab views against the stand-in engine: the first tab's runtime probe, the configure
// order and the engine's failures on the way, pop-ups with their deferrals, admission,
// and the diagnostics report.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "assets/runtime_probe_page.h"
#include "engine/engine_switches.h"
#include "engine/runtime_probe_win.h"
#include "win_test_support.h"

namespace vesko {
namespace {

// The engine call that installs a view's resource filter.
constexpr char kFilterCall[] = "AddWebResourceRequestedFilterWithRequestSourceKinds";
const std::wstring kTabRefused = L"Prit kontrollin e motorit. Lejohen vet\u00EBm faqet e KORDIS; maksimumi 80 skeda.";

TEST(TabView, FirstTabProvesTheSwitchesThenOpensThePortal) {
    TabFixture f;
    f.app.openTab(kPortal, {}, false);
    ASSERT_EQ(f.app.tabs().size(), 1u);
    const auto tab = f.app.tabs()[0];
    // The probe passes only when both of its test resources were answered by the host.
    ASSERT_TRUE(f.pump([&] { return f.app.probePassed(); }));
    EXPECT_FALSE(f.app.probe().running());
    EXPECT_EQ(f.app.statusText(), L"Parametrat u verifikuan. Local Assets \u00EBsht\u00EB aktiv.");
    ASSERT_TRUE(f.pump([&] { return f.source(tab) == kPortal && !tab->loading; }));
    f.settle();

    // Settings, handlers and script come before the filter, the filter before the first
    // navigation, which goes to the probe page.
    const std::vector<std::string> steps = {"put_IsScriptEnabled", "add_NavigationStarting",
                                            "AddScriptToExecuteOnDocumentCreated", kFilterCall, "Navigate"};
    std::vector<std::string> order;
    for (const auto& call : standin::callRecord()) {
        const bool step = std::find(steps.begin(), steps.end(), call.method) != steps.end();
        if (step && std::find(order.begin(), order.end(), call.method) == order.end()) order.push_back(call.method);
    }
    EXPECT_EQ(order, steps);
    // Its own documents' requests, then (the only tab) the workers' too.
    EXPECT_EQ(recorded(kFilterCall), (std::vector<std::string>{"* 0 1", "* 0 6"}));
    EXPECT_EQ(recorded("put_ProfileName"), std::vector<std::string>{"Profile1"});
    EXPECT_EQ(recorded("put_AreBrowserAcceleratorKeysEnabled"), std::vector<std::string>{"false"});
    EXPECT_EQ(recorded("put_AreDevToolsEnabled"), std::vector<std::string>{"false"});
    EXPECT_EQ(recorded("put_AreHostObjectsAllowed"), std::vector<std::string>{"false"});
    EXPECT_EQ(recorded("Navigate"),
              (std::vector<std::string>{"https://portal.kordis.example/__vesko_internal_probe__/" + f.app.probe().nonce() +
                                            "/index",
                                        "https://portal.kordis.example/"}));

    // The view is shown in front, below the toolbar.
    const auto shown = standin::readView(tab->controller());
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->visible);
    EXPECT_EQ(shown->bounds.top, 88);
    EXPECT_EQ(tab->title, L"Ballina");
}

TEST(TabView, FailedProbeKeepsTheProbePageAndAdmitsNoSecondTab) {
    // No web security switch, no resolver rules (the probe's loopback name resolves and
    // reaches the program's listener), no WebRTC switch.
    TabFixture f(L"", L"--allow-running-insecure-content");
    f.app.openTab(kPortal, {}, false);
    ASSERT_TRUE(f.pump([&] { return !recorded("Navigate").empty() && !f.app.probe().running(); }));
    EXPECT_FALSE(f.app.probePassed());
    EXPECT_EQ(f.app.statusText(), L"Motori nuk kaloi kontrollin e parametrave. P\u00EBrdit\u00EBso WebView2 dhe ruaj "
                                L"diagnostik\u00EBn nga menuja. CORS=0, HTTP=1, DNS=0, WebRTC=0");
    f.settle();
    EXPECT_EQ(recorded("Navigate").size(), 1u);
    f.app.openTab(kPortal, {}, false);
    EXPECT_EQ(f.app.tabs().size(), 1u);
    // A new probe draws a new nonce from the system's generator.
    const std::string nonce = f.app.probe().nonce();
    f.app.viewReady(*f.app.tabs()[0]);
    EXPECT_TRUE(isProbeNonce(f.app.probe().nonce()));
    EXPECT_NE(f.app.probe().nonce(), nonce);
}

TEST(TabView, EngineFailuresLeaveTheTabWithATitleAndAText) {
    struct Case {
        const char* name;
        std::wstring knobs;
        bool packWithHook;
        std::wstring title;
        const wchar_t* status;  // nullptr: not looked at
    };
    const Case cases[] = {
        {"old runtime", L"webview-version=21", true, L"Gabim n\u00EB nisje",
         L"Veprimi nuk p\u00EBrfundoi: WEBVIEW_RUNTIME_UPDATE_REQUIRED 0x80004002"},
        {"pack without the diagnostic hook", L"", false, L"Gabim n\u00EB nisje",
         L"Veprimi nuk p\u00EBrfundoi: MISSING_ASSET"},
        {"creation refused", L"refuse-controller=0x80070005", true, L"Skeda nuk u hap",
         L"Hapja e sked\u00EBs d\u00EBshtoi: 0x80070005"},
        {"creation failed", L"fail-controller=0x80004005", true, L"Motori nuk u hap", L"Skeda nuk u hap: 0x80004005"},
        {"filter refused", L"refuse-filter=0x80004005", true, L"KORDIS", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TabFixture f(c.knobs, nullptr, c.packWithHook);
        f.app.setStatus(L"", 0);
        f.app.openTab(kPortal, {}, false);
        ASSERT_EQ(f.app.tabs().size(), 1u);
        const auto tab = f.app.tabs()[0];
        f.pump([&] { return tab->title != L"KORDIS" || !recorded(kFilterCall).empty(); });
        f.settle();
        EXPECT_EQ(tab->title, c.title);
        if (c.status != nullptr) EXPECT_EQ(f.app.statusText(), c.status);
        EXPECT_FALSE(tab->filterInstalled());
        EXPECT_TRUE(recorded("Navigate").empty());
        EXPECT_FALSE(f.app.probe().running());
    }
}

TEST(TabView, ControllerForAClosedTabIsClosedAtOnce) {
    TabFixture f;
    ASSERT_TRUE(f.openPortal());  // keeps the window: closing the last tab would close it
    const auto closesBefore = recorded("Close").size();
    const auto navigationsBefore = recorded("Navigate").size();
    f.app.openTab(kPortal, {}, false);
    const std::weak_ptr<TabView> weak = f.app.tabs().at(1);
    f.app.closeTab(1);
    EXPECT_TRUE(weak.expired());
    f.settle();
    EXPECT_EQ(recorded("Close").size(), closesBefore + 1);
    EXPECT_EQ(recorded("Navigate").size(), navigationsBefore);
}

TEST(TabView, ClosingRemovesEveryHandlerBeforeTheControllerCloses) {
    TabFixture f;
    ASSERT_TRUE(f.openPortal());
    const auto second = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(second && second->filterInstalled());
    standin::clearCallRecord();
    f.app.closeTab(1);
    std::vector<std::string> removed;
    std::size_t closedAt = 0;
    for (const auto& call : standin::callRecord()) {
        if (call.method.rfind("remove_", 0) == 0) removed.push_back(call.method.substr(7));
        if (call.method == "Close") closedAt = removed.size();
    }
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (std::vector<std::string>{"AcceleratorKeyPressed", "ContextMenuRequested", "DocumentTitleChanged",
                                                 "DownloadStarting", "FrameCreated", "FrameNavigationStarting",
                                                 "HistoryChanged", "LaunchingExternalUriScheme", "MoveFocusRequested",
                                                 "NavigationCompleted", "NavigationStarting", "NavigationStarting",
                                                 "NewWindowRequested", "PermissionRequested", "ProcessFailed",
                                                 "ServerCertificateErrorDetected", "SourceChanged", "WebMessageReceived",
                                                 "WebResourceRequested", "WindowCloseRequested", "ZoomFactorChanged"}));
    EXPECT_EQ(closedAt, 21u);  // the controller closed after the last removal
}

TEST(TabView, PopupsBecomeTabsAndTheirRequestIsAlwaysAnswered) {
    TabFixture f;
    const auto opener = f.openPortal();
    ASSERT_TRUE(opener);

    // A portal pop-up: a background tab whose view the engine fills. The engine applies
    // only a filter added after the view is handed over: the page's requests meet it.
    auto popup = standin::requestNewWindow(opener->controller(), kPortal);
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->handled && popup->deferred && popup->deferralCompleted);
    EXPECT_FALSE(popup->engineWindow);
    ASSERT_EQ(f.app.tabs().size(), 2u);
    EXPECT_EQ(f.app.activeIndex(), 0);
    EXPECT_EQ(popup->newWindow, f.app.tabs()[1]->webview());
    ASSERT_TRUE(f.pump([&] { return !f.app.tabs()[1]->loading; }));
    f.settle();
    const auto answeredWith = [&](const std::wstring& uri) {
        for (const auto& request : standin::resourceLog(f.app.tabs()[1]->controller())) {
            if (request->uri == uri && request->answeredByHost) return request->status;
        }
        return 0;
    };
    EXPECT_EQ(answeredWith(kPackScript), 200);
    EXPECT_EQ(answeredWith(L"https://tracker.example/t.js"), 403);

    // With Shift held it comes to the front; an empty address is about:blank.
    {
        const HeldKeys shift{VK_SHIFT};
        popup = standin::requestNewWindow(opener->controller(), L"");
        ASSERT_TRUE(f.pump([&] { return popup->done; }));
    }
    ASSERT_EQ(f.app.tabs().size(), 3u);
    EXPECT_EQ(f.app.activeIndex(), 2);
    EXPECT_EQ(f.app.tabs()[2]->url, L"about:blank");

    // A foreign pop-up opens nothing, not even a window of the engine's.
    popup = standin::requestNewWindow(opener->controller(), L"https://elsewhere.example/");
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->handled);
    EXPECT_FALSE(popup->engineWindow);
    EXPECT_EQ(f.app.tabs().size(), 3u);
    EXPECT_EQ(f.app.statusText(), L"Dritarja u bllokua. Lejohen vet\u00EBm faqet e KORDIS.");

    // A pop-up's tab refused (the probe no longer passed) or closed before its view
    // exists: the request is answered all the same.
    f.inside.setProbePassed(false);
    popup = standin::requestNewWindow(opener->controller(), kPortal);
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->handled && popup->deferralCompleted);
    EXPECT_EQ(f.app.statusText(), kTabRefused);
    f.inside.setProbePassed(true);
    popup = standin::requestNewWindow(opener->controller(), kPortal + L"faqe.html");
    ASSERT_TRUE(f.pump([&] { return f.app.tabs().size() == 4u; }));
    f.app.closeTab(3);
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->handled && popup->deferralCompleted);
    EXPECT_EQ(popup->newWindow, nullptr);
    EXPECT_FALSE(popup->engineWindow);
}

TEST(TabView, PopupWithARefusedFilterLoadsNothing) {
    TabFixture f(L"refuse-filter=0x80004005");
    f.inside.setProbePassed(true);
    f.app.openTab(kPortal, {}, false);
    // The first tab fails at its filter too; its view and guards exist all the same.
    const auto opener = f.app.tabs()[0];
    ASSERT_TRUE(f.pump([&] { return opener->webview() != nullptr; }));
    f.settle();
    const auto popup = standin::requestNewWindow(opener->controller(), kPortal + L"faqe.html");
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->deferralCompleted);
    EXPECT_FALSE(popup->engineWindow);
    // Handed over before its filter failed, the view is closed before the opener hears.
    ASSERT_EQ(f.app.tabs().size(), 2u);
    EXPECT_EQ(f.app.tabs()[1]->webview(), nullptr);
    EXPECT_EQ(recorded("put_NewWindow"), std::vector<std::string>{"view"});
    EXPECT_EQ(standin::liveViews().size(), 1u);
}

TEST(TabView, TabsAreAdmittedOnlyWithAReadyEngineAPassedProbeAndRoom) {
    {
        BrowserApp idle(nullptr);
        idle.openTab(kPortal, {}, false);
        EXPECT_TRUE(idle.tabs().empty());
        EXPECT_EQ(idle.statusText(), L"Motori WebView2 nuk \u00EBsht\u00EB gati ende.");
    }
    TabFixture f;
    ASSERT_TRUE(f.openPortal());
    f.inside.setProbePassed(false);
    f.app.openTab(kPortal, {}, false);
    EXPECT_EQ(f.app.tabs().size(), 1u);
    EXPECT_EQ(f.app.statusText(), kTabRefused);

    f.inside.setProbePassed(true);
    f.app.setStatus(L"", 0);
    f.app.openTab(L"https://elsewhere.example/", {}, false);
    f.app.openTab(L"about:blank", {}, false);  // only a page's pop-up may open it
    EXPECT_EQ(f.app.tabs().size(), 1u);
    EXPECT_EQ(f.app.statusText(), kTabRefused);

    f.app.openTab(kPortal + L"zones", {}, true);
    ASSERT_EQ(f.app.tabs().size(), 2u);
    EXPECT_EQ(f.app.activeIndex(), 0);  // a background tab leaves the selection
    // Room for 80: placeholders without views fill the list.
    while (f.app.tabs().size() < 79) f.inside.tabs().push_back(std::make_shared<TabView>(0, L"", PopupRequest{}));
    f.app.openTab(kPortal, {}, true);
    EXPECT_EQ(f.app.tabs().size(), 80u);
    f.app.setStatus(L"", 0);
    f.app.openTab(kPortal, {}, true);
    EXPECT_EQ(f.app.tabs().size(), 80u);
    EXPECT_EQ(f.app.statusText(), kTabRefused);
}

TEST(TabView, DiagnosticsAreWrittenAtOnceThenWithThePortalsSnapshots) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    tab->unsaved.markTop();
    const std::filesystem::path path = f.folder.path / L"diagnostika";
    f.chosenPath = path.wstring();
    f.inside.saveDiagnostics();
    ASSERT_EQ(f.prompts.size(), 1u);
    EXPECT_EQ(f.prompts[0].name, L"Vesko_diagnostika.json");
    EXPECT_EQ(f.prompts[0].filter, std::wstring(L"Diagnostik\u00EB JSON\0*.json\0", 24));
    EXPECT_EQ(f.app.statusText().substr(0, 22), L"Diagnostika u ruajt. N");
    // The first write is there before the page answers.
    auto first = nlohmann::ordered_json::parse(readText(path));
    EXPECT_EQ(first["runtime"], "120.0.2210.91");
    EXPECT_EQ(first["arguments"], engineSwitches());
    EXPECT_EQ(first["runtimeProbePassed"], true);
    EXPECT_EQ(first["tabs"][0]["dirty"], true);
    EXPECT_EQ(first["tabs"][0]["localAssets"], 1);
    EXPECT_EQ(first["tabs"][0]["blockedRequests"][0]["host"], "tracker.example");
    EXPECT_FALSE(first.contains("portalDiagnostics"));
    // Then the same file with the hook's snapshots: the top document and its portal frame.
    ASSERT_TRUE(f.pump([&] { return readText(path).find("portalDiagnostics") != std::string::npos; }));
    auto fuller = nlohmann::ordered_json::parse(readText(path));
    EXPECT_EQ(fuller["portalDiagnostics"].size(), 2u);
    EXPECT_EQ(fuller["capturedAt"], first["capturedAt"]);

    // Cancelled: nothing written, nothing said. A path the file cannot take: the error
    // goes to the window's guard, and no success text is shown.
    f.app.setStatus(L"before", 0);
    f.chosenPath.clear();
    f.inside.saveDiagnostics();
    std::filesystem::create_directories(f.folder.path / L"dosje.json");
    f.chosenPath = (f.folder.path / L"dosje.json").wstring();
    EXPECT_EQ(errorOf([&] { f.inside.saveDiagnostics(); }), "FILE_RENAME_FAILED");
    EXPECT_EQ(f.app.statusText(), L"before");
}

}  // namespace
}  // namespace vesko
