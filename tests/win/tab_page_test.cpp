// What a portal page meets in its tab, one case per handler through the engine's own
// event arguments: the interception of its requests, the guards, its messages, page
// events, keys, downloads and the commands on its view.
#include <gtest/gtest.h>

#include "engine/downloads_win.h"
#include "ui/commands.h"
#include "win_test_support.h"

namespace vesko {
namespace {

std::shared_ptr<standin::ResourceOutcome> find(const std::shared_ptr<TabView>& tab, const std::wstring& uri) {
    for (const auto& request : standin::resourceLog(tab->controller())) {
        if (request->uri == uri) return request;
    }
    return std::make_shared<standin::ResourceOutcome>();
}

std::wstring header(const standin::ResourceOutcome& outcome, const std::wstring& name) {
    for (const auto& [key, value] : outcome.headers) {
        if (key == name) return value;
    }
    return L"<none>";
}

TEST(TabPage, RequestsAreServedFromThePackPassedOnOrRefused) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->filterInstalled()) << toUtf8(f.app.statusText());

    const auto packed = find(tab, kPackScript);
    EXPECT_TRUE(packed->answeredByHost);
    EXPECT_EQ(packed->status, 200);
    EXPECT_EQ(header(*packed, L"Access-Control-Allow-Origin"), L"*");
    EXPECT_GT(packed->body.size(), 1000u);
    const auto passed = find(tab, L"https://cdnjs.cloudflare.com/ajax/libs/x/1.0/x.css");
    EXPECT_TRUE(passed->raised);
    EXPECT_FALSE(passed->answeredByHost);
    EXPECT_EQ(passed->body, "body{}");
    const auto refused = find(tab, L"https://tracker.example/t.js");
    EXPECT_TRUE(refused->answeredByHost);
    EXPECT_EQ(refused->status, 403);

    EXPECT_EQ(tab->localAssets, 1u);
    EXPECT_EQ(tab->blockedRequests.dump(), R"([{"host":"tracker.example","kind":"script","method":"GET"}])");
}

TEST(TabPage, GuardsKeepTabsAndFramesOnThePortalAndDenyPermissions) {
    TabFixture f;
    const auto tab = f.openPortal();
    const auto second = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(tab && second);
    // The foreign frame was cancelled; the portal's own frame loaded.
    const auto frames = standin::frames(tab->controller());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(frames[0].cancelled);
    EXPECT_FALSE(frames[1].cancelled);

    tab->webview()->Navigate(L"https://elsewhere.example/");
    EXPECT_TRUE(f.pump([&] { return f.app.statusText() == L"Vesko hap vet\u00EBm " + kPortalHost + L"."; }));
    f.settle();  // including the completion of the cancelled navigation
    EXPECT_EQ(f.source(tab), kPortal);

    const auto permission =
        standin::requestPermission(tab->controller(), COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION, kPortal);
    ASSERT_TRUE(f.pump([&] { return permission->done; }));
    EXPECT_EQ(permission->state, COREWEBVIEW2_PERMISSION_STATE_DENY);

    // A page closing its window closes its tab; the warning for its unsaved input comes
    // once the engine's event is over.
    second->unsaved.markTop();
    const DialogAnswerer answer(1001, false);  // "Po"
    standin::requestWindowClose(second->controller());
    ASSERT_TRUE(f.pump([&] { return f.app.tabs().size() == 1u; }, 10000));
    EXPECT_EQ(DialogAnswerer::shown(), 1);
    EXPECT_EQ(f.app.tabs()[0], tab);
}

TEST(TabPage, AWorkersRequestIsDecidedOnceByOneTabWhileItLives) {
    TabFixture f;
    const auto first = f.openPortal(kPortal + L"faqe.html");
    const auto second = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(first && second);
    const auto viewOf = [](const std::shared_ptr<TabView>& tab) {
        for (const auto& view : standin::liveViews()) {
            if (view.controller == tab->controller()) return view.viewName;
        }
        return std::string("<none>");
    };
    const auto fromWorker = [&](const std::shared_ptr<TabView>& tab) {
        const auto outcome = standin::requestFromWorker(tab->controller(), L"https://tracker.example/w.js",
                                                        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SERVICE_WORKER);
        EXPECT_TRUE(f.pump([&] { return outcome->done; }));
        return outcome;
    };
    // Raised on every view with a filter for workers: only the first tab holds one.
    auto outcome = fromWorker(second);
    EXPECT_EQ(outcome->raisedOn, std::vector<std::string>{viewOf(first)});
    EXPECT_EQ(outcome->resource.status, 403);
    EXPECT_EQ(first->blockedRequests.size() + second->blockedRequests.size(), 1u);
    // With that tab gone the next one takes them.
    f.app.closeTab(0);
    outcome = fromWorker(second);
    EXPECT_EQ(outcome->raisedOn, std::vector<std::string>{viewOf(second)});
}

TEST(TabPage, TypedAddressesOutsideThePortalAreRefused) {
    TabFixture f;
    ASSERT_TRUE(f.openPortal(kPortal + L"faqe.html"));
    standin::clearCallRecord();
    SetWindowTextW(f.inside.window().addressField, L"https://elsewhere.example/");
    f.app.navigateActiveTab(L"https://elsewhere.example/");
    EXPECT_EQ(f.app.statusText(), L"Lejohet vet\u00EBm " + kPortalHost + L".");
    EXPECT_EQ(f.addressField(), kPortal + L"faqe.html");
    EXPECT_TRUE(recorded("Navigate").empty());

    f.app.navigateActiveTab(kPortalHost);
    EXPECT_EQ(recorded("Navigate"), std::vector<std::string>{toUtf8(kPortal)});
}

TEST(TabPage, MessagesChangeTheirOwnTabOnly) {
    TabFixture f;
    const auto front = f.openPortal();
    const auto back = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(front && back);
    f.app.selectTab(0);
    const auto post = [&](const std::shared_ptr<TabView>& tab, const std::wstring& json) {
        standin::postWebMessage(tab->controller(), kPortal + L"faqe.html", json);
        f.settle();
    };
    post(back, LR"({"type":"vesk-activity","busy":true})");
    EXPECT_TRUE(back->ajaxBusy);
    EXPECT_FALSE(front->ajaxBusy);
    post(front, LR"({"type":"vesko-dirty","dirty":true})");
    EXPECT_TRUE(front->unsaved.any());
    // An unpaired surrogate is refused, not replaced.
    post(front, std::wstring(LR"({"type":"vesk-activity","busy":true,"x":")") + L'\xD800' + LR"("})");
    EXPECT_FALSE(front->ajaxBusy);

    post(front, LR"({"type":"vesk-open-background","url":")" + kPortal + LR"(ndihme"})");
    ASSERT_EQ(f.app.tabs().size(), 3u);
    EXPECT_EQ(f.app.tabs()[2]->url, kPortal + L"ndihme");
    EXPECT_EQ(f.app.activeIndex(), 0);

    // A message that arrives after its tab closed is dropped.
    standin::postWebMessage(back->controller(), kPortal, LR"({"type":"vesko-dirty","dirty":true})");
    f.app.closeTab(1);
    f.settle();
    EXPECT_FALSE(back->unsaved.any());
}

TEST(TabPage, BackgroundOpensBeyondAHandfulAreDroppedForTheTabThatAsks) {
    TabFixture f;
    const auto front = f.openPortal();
    const auto back = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(front && back);
    const std::wstring open = LR"({"type":"vesk-open-background","url":")" + kPortal + LR"(ndihme"})";
    for (int i = 0; i < 5; ++i) standin::postWebMessage(front->controller(), kPortal, open);
    f.settle();
    ASSERT_EQ(f.app.tabs().size(), 7u);
    standin::postWebMessage(front->controller(), kPortal, open);
    f.settle();
    EXPECT_EQ(f.app.tabs().size(), 7u);
    EXPECT_EQ(f.app.statusText(), L"Shum\u00EB skeda t\u00EB hapura nj\u00EBher\u00EBsh. Prit pak dhe provo p\u00EBrs\u00EBri.");
    // Another tab counts its own.
    standin::postWebMessage(back->controller(), kPortal + L"faqe.html", open);
    f.settle();
    EXPECT_EQ(f.app.tabs().size(), 8u);
}

TEST(TabPage, PageEventsKeepTitleHistoryAndAddress) {
    TabFixture f;
    const auto front = f.openPortal();
    const auto back = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(front && back);
    f.app.selectTab(0);
    EXPECT_FALSE(front->canGoBack);

    front->unsaved.markTop();
    ASSERT_TRUE(f.navigateAndWait(front, kPortal + L"titull-bosh.html"));
    f.settle();
    EXPECT_EQ(front->title, L"KORDIS");
    EXPECT_TRUE(front->canGoBack);
    EXPECT_FALSE(front->unsaved.any());
    EXPECT_EQ(f.addressField(), kPortal + L"titull-bosh.html");

    // A background tab's address stays out of the field.
    ASSERT_TRUE(f.navigateAndWait(back, kPortal + L"korniza.html"));
    EXPECT_EQ(back->url, kPortal + L"korniza.html");
    EXPECT_EQ(f.addressField(), kPortal + L"titull-bosh.html");

    ASSERT_TRUE(f.navigateAndWait(front, kPortal + L"mungon.html"));
    EXPECT_EQ(f.app.statusText(), L"Faqja nuk u ngarkua. Kontrollo lidhjen ose provo rifreskimin.");
}

TEST(TabPage, ShortcutsAreTakenFromThePageAndPosted) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    // A held key's auto-repeats stay the browser's, but only zoom and tab switching run again.
    const struct { char key; bool repeat; bool handled; std::vector<std::int32_t> posted; } cases[] = {
        {'T', false, true, {100}}, {'T', true, true, {}}, {'W', true, true, {}},
        {VK_ADD, true, true, {130}}, {VK_NEXT, true, true, {111}}, {'C', false, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + (c.repeat ? " repeated" : ""));
        f.postedCommands.clear();
        const HeldKeys control{VK_CONTROL};
        const auto outcome =
            standin::pressKey(tab->controller(), COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, c.key, c.repeat);
        ASSERT_TRUE(f.pump([&] { return outcome->done; }));
        f.settle();
        EXPECT_EQ(outcome->handled, c.handled);
        EXPECT_EQ(f.postedCommands, c.posted);
    }
}

// The engine may start a navigation before the one it supersedes completes, or report
// the old completion first, and it promises no status for either end.
TEST(TabPage, ATabIsBusyUntilItsCurrentNavigationCompletes) {
    for (const wchar_t* knobs : {L"", L"cancel-status=0", L"old-completion-first"}) {
        SCOPED_TRACE(toUtf8(knobs));
        TabFixture f(knobs);
        const auto tab = f.openPortal();
        ASSERT_TRUE(tab);
        bool idleWhileLoading = false;
        tab->navigate(kPortal + L"faqe.html");
        tab->navigate(kPortal + L"korniza.html");
        ASSERT_TRUE(f.pump([&] {
            const auto view = standin::readView(tab->controller());
            idleWhileLoading = idleWhileLoading || (view->loading && !tab->loading);
            return view->source == kPortal + L"korniza.html" && !view->loading;
        }));
        f.settle();
        EXPECT_FALSE(idleWhileLoading);
        EXPECT_FALSE(tab->loading);
        EXPECT_EQ(f.app.statusText(), L"Faqja u ngarkua.");
    }
}

TEST(TabPage, DownloadsAreAdmittedDeferredAndSavedWhereTheUserSays) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    const std::filesystem::path target = f.folder.path / L"ruajtur.csv";
    f.chosenPath = target.wstring();
    // Nothing happens inside the engine's event; the dialog comes later.
    auto download = standin::startDownload(tab->controller(), kPortal + L"raporti.csv",
                                           L"C:\\Users\\u\\Downloads\\raporti<1>.csv");
    ASSERT_TRUE(f.pump([&] { return download->deferred; }));
    EXPECT_TRUE(f.prompts.empty());
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    ASSERT_EQ(f.prompts.size(), 1u);
    EXPECT_EQ(f.prompts[0].owner, f.app.window());
    EXPECT_EQ(f.prompts[0].name, L"raporti_1_.csv");
    EXPECT_EQ(f.prompts[0].filter, std::wstring(L"Dokumente KORDIS\0*.*\0", 21));
    EXPECT_FALSE(download->cancelled);
    EXPECT_FALSE(download->handled);  // the engine's own display shows the transfer
    EXPECT_EQ(readText(target), "zona;rreshta\n1;2\n");

    // The user cancels the dialog.
    f.chosenPath.clear();
    download = standin::startDownload(tab->controller(), L"blob:" + kPortal + L"1234", L"x.pdf");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    EXPECT_EQ(f.prompts.size(), 2u);
    EXPECT_TRUE(download->cancelled);
    EXPECT_TRUE(f.guardErrors.empty());  // silently

    // A foreign address: cancelled at once, no dialog.
    download = standin::startDownload(tab->controller(), L"https://elsewhere.example/x.pdf", L"x.pdf");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    EXPECT_TRUE(download->cancelled);
    EXPECT_EQ(f.prompts.size(), 2u);
    EXPECT_EQ(f.app.statusText(), L"Shkarkimi u bllokua.");

    // A forged message for a download that does not exist is no download.
    PostMessageW(f.app.window(), WM_APP_DOWNLOAD, 0, 0x12345678);
    f.settle();
    EXPECT_EQ(f.prompts.size(), 2u);
    EXPECT_EQ(f.app.downloads().size(), 0u);
}

TEST(TabPage, ProgramsAndScriptsAreNotSavedByTheirNameOrTheOneTheUserTypes) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    const std::filesystem::path typed = f.folder.path / L"raporti.EXE ";
    f.chosenPath = typed.wstring();
    // Shown through the override as "invoiceexe.pdf": refused before any dialog.
    auto download = standin::startDownload(tab->controller(), kPortal + L"raporti.csv",
                                           L"C:\\Users\\u\\Downloads\\invoice\u202Efdp.exe");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    EXPECT_TRUE(download->cancelled);
    EXPECT_TRUE(f.prompts.empty());
    EXPECT_EQ(f.app.statusText(), L"Shkarkimi u bllokua: ky lloj skedari nuk lejohet.");

    // A document the user saves under a program's name.
    f.app.setStatus(L"", 0);
    download = standin::startDownload(tab->controller(), kPortal + L"raporti.csv", L"raporti.csv");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    ASSERT_EQ(f.prompts.size(), 1u);
    EXPECT_EQ(f.prompts[0].name, L"raporti.csv");
    EXPECT_TRUE(download->cancelled);
    EXPECT_FALSE(download->written);
    EXPECT_EQ(f.app.statusText(), L"Shkarkimi u bllokua: ky lloj skedari nuk lejohet.");
    EXPECT_TRUE(f.guardErrors.empty());
}

TEST(TabPage, ADownloadStillWaitingForItsDialogIsCancelledWhenTheProgramEnds) {
    std::shared_ptr<standin::DownloadOutcome> download;
    {
        TabFixture f;
        const auto tab = f.openPortal();
        ASSERT_TRUE(tab);
        download = standin::startDownload(tab->controller(), kPortal + L"raporti.csv", L"raporti.csv");
        // Stops as soon as the engine's event has deferred it, before its dialog's message.
        ASSERT_TRUE(f.pump([&] { return download->deferred; }));
        ASSERT_EQ(f.app.downloads().size(), 1u);
    }
    // The engine hears of it from its own queue, like every completed deferral.
    ASSERT_TRUE(pumpUntil([&] { return download->done; }));
    EXPECT_TRUE(download->cancelled);
}

TEST(TabPage, CommandsReachTheActiveView) {
    // A stopped navigation ends with whatever status the engine gives it.
    TabFixture f(L"cancel-status=0");
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(f.navigateAndWait(tab, kPortal + L"faqe.html"));
    f.settle();
    standin::clearCallRecord();

    f.app.executeCommand(commands::Back);
    ASSERT_TRUE(f.pump([&] { return f.source(tab) == kPortal && !tab->loading; }));
    f.settle();
    f.app.executeCommand(commands::Back);  // nothing to go back to: not asked
    EXPECT_EQ(recorded("GoBack").size(), 1u);
    f.app.executeCommand(commands::Forward);
    ASSERT_TRUE(f.pump([&] { return f.source(tab) == kPortal + L"faqe.html" && !tab->loading; }));
    f.settle();

    // Reload, then stop while it loads: the stop text stays.
    f.app.executeCommand(commands::ReloadOrStop);
    EXPECT_EQ(recorded("Reload").size(), 1u);
    ASSERT_TRUE(f.pump([&] { return tab->loading; }));
    f.app.executeCommand(commands::ReloadOrStop);
    EXPECT_EQ(recorded("Stop").size(), 1u);
    f.settle();
    EXPECT_EQ(f.app.statusText(), L"Ngarkimi u ndal.");

    f.app.executeCommand(commands::ZoomIn);
    EXPECT_DOUBLE_EQ(tab->zoom, 1.1);
    EXPECT_EQ(recorded("put_ZoomFactor"), std::vector<std::string>{"1.100000"});
    f.app.executeCommand(commands::Print);
    f.app.executeCommand(commands::Downloads);
    EXPECT_EQ(recorded("ShowPrintUI"), std::vector<std::string>{"0"});
    EXPECT_EQ(recorded("OpenDefaultDownloadDialog").size(), 1u);

    // No view: nothing is asked of the engine.
    f.inside.activeIndex() = -1;
    standin::clearCallRecord();
    f.inside.zoomActiveTab(commands::ZoomIn);
    f.inside.reloadOrStop();
    EXPECT_TRUE(standin::callRecord().empty());
}

TEST(TabPage, FailingEngineCallsAreReportedAndChangeNothing) {
    TabFixture f(L"refuse-download-path=0x80070005,refuse-zoom=0x80070057,fail-script=0x80004005");
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    f.chosenPath = (f.folder.path / L"x.csv").wstring();
    const auto download = standin::startDownload(tab->controller(), kPortal + L"raporti.csv", L"x.csv");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    EXPECT_TRUE(download->cancelled);
    EXPECT_FALSE(download->written);
    EXPECT_EQ(f.guardErrors, std::vector<std::string>{"DOWNLOAD_PATH_FAILED 0x80070005"});

    EXPECT_EQ(errorOf([&] { f.app.executeCommand(commands::ZoomIn); }), "ZOOM_FAILED 0x80070057");
    EXPECT_EQ(tab->zoom, 1.0);

    // The diagnostic script fails: the report written at once stays as it is.
    const std::filesystem::path path = f.folder.path / L"d.json";
    f.chosenPath = path.wstring();
    f.inside.saveDiagnostics();
    const std::string first = readText(path);
    f.settle();
    EXPECT_EQ(readText(path), first);
    EXPECT_EQ(first.find("portalDiagnostics"), std::string::npos);
}

}  // namespace
}  // namespace vesko
