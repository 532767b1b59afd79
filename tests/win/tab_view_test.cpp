// Tab views against the stand-in engine: the first tab's runtime probe, the configure
// order and its failures, pop-ups with their deferrals, and admission.
#include <gtest/gtest.h>

#include <algorithm>

#include "assets/runtime_probe_page.h"
#include "assets/runtime_probe_win.h"
#include "tab_test_support_win.h"

namespace vesko {
namespace {

using namespace tabtest;

const std::wstring kProbeFailed =
    L"Motori nuk kaloi kontrollin e parametrave. P\u00EBrdit\u00EBso WebView2 dhe ruaj diagnostik\u00EBn nga menuja. ";

TEST(TabView, FirstTabProvesTheSwitchesThenOpensThePortal) {
    TabFixture f;
    f.app.openTab(kPortal, nullptr, nullptr, false);
    ASSERT_EQ(f.app.tabs.size(), 1u);
    const auto tab = f.app.tabs[0];
    EXPECT_EQ(tab->title, L"KORDIS");
    EXPECT_TRUE(tab->loading);

    ASSERT_TRUE(f.pump([&] { return f.app.probePassed; }));
    EXPECT_FALSE(f.app.probeRunning);
    EXPECT_EQ(f.app.statusText, L"Parametrat u verifikuan. Local Assets \u00EBsht\u00EB aktiv.");
    ASSERT_TRUE(f.pump([&] { return f.view(tab) && f.view(tab)->source == kPortal && !tab->loading; }));
    f.settle();

    // The probe's two test resources went through the host's handler with the contexts a
    // page gives them, and the host answered both.
    const ProbeAddresses probe = probeAddresses(f.app.probeNonce);
    bool sawCors = false, sawMixed = false;
    for (const auto& request : standin::resourceLog(tab->controller.Get())) {
        if (request->uri == toWide(probe.cors)) {
            sawCors = true;
            EXPECT_EQ(request->context, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH);
            EXPECT_TRUE(request->answeredByHost);
            EXPECT_EQ(request->body, f.app.probeNonce);
        }
        if (request->uri == toWide(probe.mixed)) {
            sawMixed = true;
            EXPECT_EQ(request->context, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT);
            EXPECT_TRUE(request->answeredByHost);
        }
    }
    EXPECT_TRUE(sawCors && sawMixed);

    // Settings, handlers and script come before the filter, the filter before the first
    // navigation, which goes to the probe page.
    const int settings = firstCall("view", "put_IsScriptEnabled");
    const int script = firstCall("view", "AddScriptToExecuteOnDocumentCreated");
    const int filter = firstCall("view", "AddWebResourceRequestedFilterWithRequestSourceKinds");
    const int navigate = firstCall("view", "Navigate");
    EXPECT_TRUE(settings >= 0 && settings < script && script < filter && filter < navigate);
    EXPECT_EQ(recorded("AddWebResourceRequestedFilterWithRequestSourceKinds"),
              std::vector<std::string>{"* 0 4294967295"});
    EXPECT_EQ(recorded("put_ProfileName"), std::vector<std::string>{"Profile1"});
    EXPECT_EQ(recorded("put_IsInPrivateModeEnabled"), std::vector<std::string>{"false"});
    EXPECT_EQ(recorded("put_AreBrowserAcceleratorKeysEnabled"), std::vector<std::string>{"false"});
    EXPECT_EQ(recorded("put_AreDevToolsEnabled"), std::vector<std::string>{"false"});
    EXPECT_EQ(recorded("put_AreHostObjectsAllowed"), std::vector<std::string>{"false"});
    const auto navigations = recorded("Navigate");
    ASSERT_EQ(navigations.size(), 2u);
    EXPECT_EQ(navigations[0], probe.index);
    EXPECT_EQ(navigations[1], toUtf8(kPortal));

    // The view is shown in front, below the toolbar.
    const auto shown = f.view(tab);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->visible);
    EXPECT_EQ(shown->bounds.top, 88);
    EXPECT_EQ(tab->title, L"Ballina");

    // A second tab now navigates straight to its address.
    f.app.openTab(kPortal + L"faqe.html", nullptr, nullptr, false);
    ASSERT_EQ(f.app.tabs.size(), 2u);
    const auto second = f.app.tabs[1];
    ASSERT_TRUE(f.pump([&] { return f.view(second) && f.view(second)->title == L"Faqe"; }));
    EXPECT_EQ(recorded("Navigate").back(), toUtf8(kPortal + L"faqe.html"));
}

TEST(TabView, ProbeVerdictFollowsTheEngineSwitches) {
    struct Case {
        const wchar_t* name;
        std::wstring arguments;
        bool passes;
        std::wstring status;
    };
    const Case cases[] = {
        {L"both", L"--disable-web-security --allow-running-insecure-content", true,
         L"Parametrat u verifikuan. Local Assets \u00EBsht\u00EB aktiv."},
        {L"web security on", L"--allow-running-insecure-content", false, kProbeFailed + L"CORS=0, HTTP=1"},
        {L"insecure content blocked", L"--disable-web-security", false, kProbeFailed + L"CORS=1, HTTP=0"},
        {L"neither", L"", false, kProbeFailed + L"CORS=0, HTTP=0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.name));
        TabFixture f({L"", c.arguments});
        f.app.openTab(kPortal, nullptr, nullptr, false);
        ASSERT_EQ(f.app.tabs.size(), 1u);
        ASSERT_TRUE(f.pump([&] { return !recorded("Navigate").empty() && !f.app.probeRunning; }));
        EXPECT_EQ(f.app.probePassed, c.passes);
        EXPECT_EQ(f.app.statusText, c.status);
        EXPECT_EQ(f.app.statusExpiresAt == 0, !c.passes);
        f.settle();
        // A failed probe leaves the tab on the probe page and lets no second tab open.
        EXPECT_EQ(recorded("Navigate").size(), c.passes ? 2u : 1u);
        f.app.openTab(kPortal, nullptr, nullptr, false);
        EXPECT_EQ(f.app.tabs.size(), c.passes ? 2u : 1u);
    }
}

TEST(TabView, ProbeIgnoresForeignVerdictsAndEndsOnceAtTheTimeOut) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->webview);
    // A probe that waits for its verdict in this tab.
    f.app.probePassed = false;
    f.app.probeRunning = true;
    f.app.probeNonce = "00112233445566778899aabbccddeeff";
    const std::wstring index = toWide(probeAddresses(f.app.probeNonce).index);
    const auto verdict = [](const std::string& nonce) {
        return toWide(R"({"type":"vesko-probe","nonce":")" + nonce + R"(","cors":true,"mixed":true})");
    };
    standin::postWebMessage(tab->controller.Get(), index, verdict("ffeeddccbbaa99887766554433221100"));
    standin::postWebMessage(tab->controller.Get(), kPortal + L"faqe.html", verdict(f.app.probeNonce));
    standin::postWebMessage(tab->controller.Get(), L"https://elsewhere.example/", verdict(f.app.probeNonce));
    f.settle();
    EXPECT_TRUE(f.app.probeRunning);

    // Timer 2 ran out: the window completes the probe without answers.
    f.app.completeRuntimeProbe(tab, false, false);
    EXPECT_FALSE(f.app.probeRunning);
    EXPECT_FALSE(f.app.probePassed);
    EXPECT_EQ(f.app.statusText, kProbeFailed + L"CORS=0, HTTP=0");

    // The right verdict, now late, changes nothing.
    standin::postWebMessage(tab->controller.Get(), index, verdict(f.app.probeNonce));
    f.settle();
    EXPECT_FALSE(f.app.probePassed);
    EXPECT_EQ(f.app.statusText, kProbeFailed + L"CORS=0, HTTP=0");
}

TEST(TabView, EveryProbeDrawsANewNonce) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    f.app.probePassed = false;
    std::vector<std::string> nonces;
    for (int i = 0; i < 2; ++i) {
        startRuntimeProbe(f.app, tab);
        nonces.push_back(f.app.probeNonce);
        EXPECT_TRUE(isProbeNonce(f.app.probeNonce));
        f.app.completeRuntimeProbe(tab, false, false);
    }
    EXPECT_NE(nonces[0], nonces[1]);
}

TEST(TabView, SetupFailuresLeaveTheTabWithATitleAndAText) {
    struct Case {
        const char* name;
        std::wstring knobs;
        bool packWithHook;
        std::wstring title;
        std::wstring statusStart;
    };
    const Case cases[] = {
        {"old runtime", L"webview-version=21", true, L"Gabim n\u00EB nisje",
         L"Veprimi nuk p\u00EBrfundoi: WEBVIEW_RUNTIME_UPDATE_REQUIRED 0x80004002"},
        {"pack without the diagnostic hook", L"", false, L"Gabim n\u00EB nisje",
         L"Veprimi nuk p\u00EBrfundoi: MISSING_ASSET"},
        {"creation refused", L"refuse-controller=0x80070005", true, L"Skeda nuk u hap",
         L"Hapja e sked\u00EBs d\u00EBshtoi: 0x80070005"},
        {"creation failed", L"fail-controller=0x80004005", true, L"Motori nuk u hap",
         L"Skeda nuk u hap: 0x80004005"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TabFixture f({c.knobs, std::nullopt, c.packWithHook});
        f.app.openTab(kPortal, nullptr, nullptr, false);
        ASSERT_EQ(f.app.tabs.size(), 1u);
        const auto tab = f.app.tabs[0];
        f.pump([&] { return tab->title != L"KORDIS"; });
        f.settle();
        EXPECT_EQ(tab->title, c.title);
        EXPECT_EQ(f.app.statusText.substr(0, c.statusStart.size()), c.statusStart);
        EXPECT_FALSE(tab->webview);
        EXPECT_FALSE(tab->controller);
        EXPECT_TRUE(recorded("Navigate").empty());
        EXPECT_FALSE(f.app.probeRunning);
    }
}

TEST(TabView, RefusedFilterLeavesTheViewWhereItIs) {
    TabFixture f({L"refuse-filter=0x80004005"});
    f.app.openTab(kPortal, nullptr, nullptr, false);
    const auto tab = f.app.tabs[0];
    f.pump([&] { return !recorded("AddWebResourceRequestedFilterWithRequestSourceKinds").empty(); });
    f.settle();
    EXPECT_FALSE(tab->filterInstalled);
    EXPECT_TRUE(recorded("Navigate").empty());
    EXPECT_FALSE(f.app.probeRunning);
}

TEST(TabView, ControllerForAClosedTabIsClosedAtOnce) {
    TabFixture f;
    // A first tab keeps the window open: closing the last tab would close the window.
    ASSERT_TRUE(f.openPortal());
    const auto closesBefore = recorded("Close").size();
    const auto viewsBefore = recorded("get_CoreWebView2").size();
    const auto navigationsBefore = recorded("Navigate").size();
    f.app.openTab(kPortal, nullptr, nullptr, false);
    ASSERT_EQ(f.app.tabs.size(), 2u);
    const std::weak_ptr<BrowserApp::Tab> weak = f.app.tabs[1];
    f.app.closeTab(1);
    EXPECT_TRUE(weak.expired());
    f.settle();
    EXPECT_EQ(recorded("Close").size(), closesBefore + 1);
    EXPECT_EQ(recorded("get_CoreWebView2").size(), viewsBefore);
    EXPECT_EQ(recorded("Navigate").size(), navigationsBefore);
}

TEST(TabView, PopupsBecomeTabsAndTheirRequestIsAlwaysAnswered) {
    TabFixture f;
    const auto opener = f.openPortal();
    ASSERT_TRUE(opener);

    // A portal pop-up: a background tab whose view the engine fills.
    auto popup = standin::requestNewWindow(opener->controller.Get(), kPortal + L"faqe.html");
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->handled);
    EXPECT_TRUE(popup->deferred);
    EXPECT_TRUE(popup->deferralCompleted);
    EXPECT_FALSE(popup->engineWindow);
    ASSERT_EQ(f.app.tabs.size(), 2u);
    EXPECT_EQ(f.app.activeTab, 0);
    EXPECT_EQ(popup->newWindow, f.app.tabs[1]->webview.Get());
    EXPECT_TRUE(f.app.tabs[1]->filterInstalled);
    EXPECT_FALSE(f.app.tabs[1]->pendingDeferral);
    ASSERT_TRUE(f.pump([&] { return f.view(f.app.tabs[1])->title == L"Faqe"; }));
    // The pop-up's filter was there before its view was handed over.
    {
        const auto calls = standin::callRecord();
        int filters = 0;
        for (const auto& call : calls) {
            if (call.method == "put_NewWindow") break;
            filters += call.method == "AddWebResourceRequestedFilterWithRequestSourceKinds";
        }
        EXPECT_EQ(filters, 2);  // the opener's and the pop-up's
    }

    // With Shift held it comes to the front; an empty address is about:blank.
    {
        HeldKeys shift{VK_SHIFT};
        popup = standin::requestNewWindow(opener->controller.Get(), L"");
        ASSERT_TRUE(f.pump([&] { return popup->done; }));
    }
    ASSERT_EQ(f.app.tabs.size(), 3u);
    EXPECT_EQ(f.app.activeTab, 2);
    EXPECT_EQ(f.app.tabs[2]->url, L"about:blank");

    // A foreign pop-up opens nothing, not even a window of the engine's.
    popup = standin::requestNewWindow(opener->controller.Get(), L"https://elsewhere.example/");
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->handled);
    EXPECT_FALSE(popup->engineWindow);
    EXPECT_EQ(f.app.tabs.size(), 3u);
    EXPECT_EQ(f.app.statusText, L"Dritarja u bllokua. Lejohen vet\u00EBm faqet e KORDIS.");

    // While a probe runs every pop-up is refused the same way.
    f.app.probeRunning = true;
    popup = standin::requestNewWindow(opener->controller.Get(), kPortal);
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_EQ(f.app.tabs.size(), 3u);
    f.app.probeRunning = false;

    // The pop-up's tab closes before its view exists: the request is still answered.
    popup = standin::requestNewWindow(opener->controller.Get(), kPortal + L"faqe.html");
    ASSERT_TRUE(f.pump([&] { return f.app.tabs.size() == 4u; }));
    f.app.closeTab(3);
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->handled);
    EXPECT_TRUE(popup->deferralCompleted);
    EXPECT_EQ(popup->newWindow, nullptr);
    EXPECT_FALSE(popup->engineWindow);
}

TEST(TabView, RefusedPopupTabsAnswerTheRequest) {
    TabFixture f;
    const auto opener = f.openPortal();
    ASSERT_TRUE(opener);
    while (f.app.tabs.size() < BrowserApp::kTabLimit) f.app.openTab(kPortal, nullptr, nullptr, true);
    f.settle();
    const auto popup = standin::requestNewWindow(opener->controller.Get(), kPortal);
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_EQ(f.app.tabs.size(), 80u);
    EXPECT_TRUE(popup->handled);
    EXPECT_TRUE(popup->deferralCompleted);
    EXPECT_EQ(f.app.statusText, L"Prit kontrollin e motorit. Lejohen vet\u00EBm faqet e KORDIS; maksimumi 80 skeda.");

    // Only a pop-up may start at about:blank.
    f.app.closeTab(79);
    f.app.openTab(L"about:blank", nullptr, nullptr, true);
    EXPECT_EQ(f.app.tabs.size(), 79u);
}

TEST(TabView, PopupWithARefusedViewStillAnswersTheOpener) {
    TabFixture f({L"refuse-filter=0x80004005"});
    f.app.probePassed = true;
    f.app.openTab(kPortal, nullptr, nullptr, false);
    // The first tab fails at its filter too; its view and guards exist all the same.
    const auto opener = f.app.tabs[0];
    ASSERT_TRUE(f.pump([&] { return opener->webview != nullptr; }));
    f.settle();
    const auto popup = standin::requestNewWindow(opener->controller.Get(), kPortal + L"faqe.html");
    ASSERT_TRUE(f.pump([&] { return popup->done; }));
    EXPECT_TRUE(popup->deferralCompleted);
    // No view is ever handed out without its filter.
    EXPECT_EQ(popup->newWindow, nullptr);
    EXPECT_FALSE(popup->engineWindow);
}

}  // namespace
}  // namespace vesko
