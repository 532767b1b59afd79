// The program's answers to failed engine processes, against the stand-in's site backend:
// a stopped page reloads where it was (three times in five minutes), frames and helper
// processes only report, a hung page says so, a lost browser process brings a new engine
// with the same tabs (three times in ten minutes), and the diagnostics report keeps every
// failure without an address.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "engine/engine_process_interface_win.h"
#include "ui/commands.h"
#include "win_test_support.h"

namespace vesko {
namespace {

const std::wstring kStopped = L"Faqja ndaloi papritur. Po ngarkohet p\u00EBrs\u00EBri\u2026";

bool fail(const std::shared_ptr<TabView>& tab, COREWEBVIEW2_PROCESS_FAILED_KIND kind,
          COREWEBVIEW2_PROCESS_FAILED_REASON reason = COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED) {
    return standin::raiseProcessFailure(tab->controller(), kind, reason, 3);
}

nlohmann::json savedReport(TabFixture& f) {
    const auto path = f.folder.path / L"raporti.json";
    f.chosenPath = path.wstring();
    f.inside.saveDiagnostics();
    return nlohmann::json::parse(readText(path));
}

TEST(Recovery, AStoppedPageReloadsWhereItWasThreeTimesThenWaitsForTheUser) {
    TabFixture f;
    const std::wstring page = kPortal + L"faqe.html";
    const auto tab = f.openPortal(page);
    ASSERT_TRUE(tab);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        standin::clearCallRecord();
        ASSERT_TRUE(fail(tab, COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED));
        ASSERT_TRUE(f.pump([&] { return !recorded("Navigate").empty(); }));
        EXPECT_EQ(recorded("Navigate"), std::vector<std::string>{toUtf8(page)});
        EXPECT_EQ(f.app.statusText(), kStopped);
        ASSERT_TRUE(f.pump([&] { return !tab->loading; }));
        f.settle();
    }
    standin::clearCallRecord();
    ASSERT_TRUE(fail(tab, COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED));
    ASSERT_TRUE(f.pump([&] { return f.app.statusText() != L"Faqja u ngarkua."; }));
    f.settle();
    EXPECT_EQ(f.app.statusText(),
              L"Faqja ndaloi disa her\u00EB radhazi. Rifreskoje vet\u00EB kur t\u00EB jesh gati.");
    EXPECT_EQ(f.inside.statusExpiresAt(), 0);
    EXPECT_TRUE(recorded("Navigate").empty());

    const auto report = savedReport(f);
    ASSERT_EQ(report["processFailures"].size(), 4u);
    const auto& first = report["processFailures"][0];
    EXPECT_EQ(first["kind"], "render-process-exited");
    EXPECT_EQ(first["reason"], "crashed");
    EXPECT_EQ(first["exitCode"], 3);
    EXPECT_EQ(first["tab"], 0);
    // The report promises no page addresses.
    EXPECT_EQ(report.dump().find("faqe.html"), std::string::npos);
}

TEST(Recovery, FramesAndHelperProcessesOnlyReport) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    standin::clearCallRecord();
    ASSERT_TRUE(fail(tab, COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED));
    ASSERT_TRUE(f.pump([&] { return f.app.statusText() == L"Nj\u00EB pjes\u00EB e faqes ndaloi papritur."; }));
    f.app.setStatus(L"before", 0);
    ASSERT_TRUE(fail(tab, COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED));
    f.settle();
    EXPECT_EQ(f.app.statusText(), L"before");
    EXPECT_TRUE(recorded("Navigate").empty());
    EXPECT_TRUE(recorded("Reload").empty());
    const auto report = savedReport(f);
    ASSERT_EQ(report["processFailures"].size(), 2u);
    EXPECT_EQ(report["processFailures"][1]["kind"], "gpu-process-exited");
}

TEST(Recovery, AHungPageSaysSoOnItsFirstReport) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(fail(tab, COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE));
    ASSERT_TRUE(f.pump([&] { return tab->hang.active(); }));
    EXPECT_EQ(f.app.statusText(), L"Faqja nuk po p\u00EBrgjigjet. Po pritet\u2026");
    EXPECT_TRUE(standin::endUnresponsive(tab->controller()));
}

// Three tabs, the second in front, the third zoomed; the browser process goes.
struct LostBrowser {
    TabFixture f;
    std::vector<std::shared_ptr<TabView>> tabs;

    explicit LostBrowser(const std::wstring& knobs = L"") : f(knobs) {
        for (const auto* path : {L"", L"faqe.html", L"korniza.html"}) tabs.push_back(f.openPortal(kPortal + path));
        f.app.selectTab(2);
        f.app.executeCommand(commands::ZoomIn);
        f.app.selectTab(1);
        f.settle();
    }
    // The loss, and the program's answer once the old views are all let go.
    bool lose() {
        return fail(tabs[0], COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) &&
               f.pump([&] { return f.app.statusText() != L"Faqja u ngarkua." && !f.app.tabs()[1]->controller(); });
    }
    bool restored() {
        return f.pump([&] {
            return std::all_of(tabs.begin(), tabs.end(), [](const auto& t) { return t->webview() && !t->loading; });
        }, 20000);
    }
};

// The environment's report of the exit and the views' own come in either order.
TEST(Recovery, ALostBrowserProcessComesBackOnceWithTheSameTabsAfterTheProbe) {
    for (const wchar_t* order : {L"", L"exit-before-failure"}) {
        SCOPED_TRACE(toUtf8(order));
        LostBrowser lost(order);
        TabFixture& f = lost.f;
        standin::clearCallRecord();
        ASSERT_TRUE(lost.lose());
        EXPECT_EQ(f.app.statusText(), L"Motori WebView2 ndaloi. Po riniset\u2026");
        // Asked for while the engine restarts: the existing answer.
        f.app.openTab(kPortal, {}, false);
        EXPECT_EQ(f.app.statusText(), L"Motori WebView2 nuk është gati ende.");
        ASSERT_TRUE(lost.restored());
        f.settle();
        EXPECT_EQ(f.app.tabs(), lost.tabs);
        EXPECT_EQ(f.app.activeIndex(), 1);
        EXPECT_TRUE(f.app.probePassed());
        // The probe ran again, in the tab in front, which then went back to its own page.
        const auto navigations = recorded("Navigate");
        ASSERT_FALSE(navigations.empty());
        EXPECT_NE(navigations.front().find("__vesko_internal_probe__"), std::string::npos);
        EXPECT_EQ(f.source(lost.tabs[0]), kPortal);
        EXPECT_EQ(f.source(lost.tabs[1]), kPortal + L"faqe.html");
        EXPECT_EQ(f.source(lost.tabs[2]), kPortal + L"korniza.html");
        EXPECT_DOUBLE_EQ(lost.tabs[2]->zoom, 1.1);
        EXPECT_EQ(recorded("put_ZoomFactor"), std::vector<std::string>{"1.100000"});
        const auto report = savedReport(f);
        ASSERT_EQ(report["processFailures"].size(), 1u);
        EXPECT_EQ(report["processFailures"][0]["kind"], "browser-process-exited");
        EXPECT_EQ(report["processFailures"][0]["exitCode"], 1);
        EXPECT_EQ(report["processFailures"][0]["tab"], -1);
        EXPECT_EQ(recorded("CreateCoreWebView2EnvironmentWithOptions").size(), 1u);
    }
}

TEST(Recovery, AFailedRestartAndTheFourthInTenMinutesLeaveALastingText) {
    {
        LostBrowser lost(L"fail-recreation=0x80004005");
        ASSERT_TRUE(lost.lose());
        ASSERT_TRUE(lost.f.pump([&] { return lost.f.app.statusText() != L"Motori WebView2 ndaloi. Po riniset\u2026"; }));
        EXPECT_EQ(lost.f.app.statusText(), L"Motori WebView2 nuk u rinis. Mbylle programin dhe hape p\u00EBrs\u00EBri.");
        EXPECT_EQ(lost.f.app.tabs().size(), 3u);
    }
    LostBrowser lost;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(lost.lose());
        ASSERT_TRUE(lost.restored());
        lost.f.settle();
    }
    ASSERT_TRUE(fail(lost.tabs[0], COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED));
    ASSERT_TRUE(lost.f.pump([&] { return lost.f.app.statusText().starts_with(L"Motori WebView2 ndaloi disa"); }));
    EXPECT_EQ(lost.f.inside.statusExpiresAt(), 0);
}

}  // namespace
}  // namespace vesko
