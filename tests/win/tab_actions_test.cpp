// Downloads through the save dialog, the diagnostics report, and the commands that act
// on the active tab's view, checked against the stand-in's record.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/downloads_win.h"
#include "tab_test_support_win.h"

namespace vesko {
namespace {

using namespace tabtest;

std::string readText(const std::filesystem::path& path) {
    const auto bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(TabActions, DownloadsAreAdmittedDeferredAndSavedWhereTheUserSays) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    const std::filesystem::path target = f.folder.path() / L"ruajtur.csv";

    // A portal download: nothing happens inside the engine's event; the dialog comes later.
    f.chosenPath = target.wstring();
    auto download = standin::startDownload(tab->controller.Get(), kPortal + L"raporti.csv",
                                           L"C:\\Users\\u\\Downloads\\raporti<1>.csv");
    ASSERT_TRUE(f.pump([&] { return download->deferred; }));
    EXPECT_TRUE(f.prompts.empty());
    EXPECT_EQ(pendingDownloadCount(), 1u);
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    ASSERT_EQ(f.prompts.size(), 1u);
    EXPECT_EQ(f.prompts[0].owner, f.app.window);
    EXPECT_EQ(f.prompts[0].name, L"raporti_1_.csv");
    EXPECT_EQ(f.prompts[0].filter, std::wstring(L"Dokumente KORDIS\0*.*\0", 21));
    EXPECT_FALSE(download->cancelled);
    EXPECT_FALSE(download->handled);  // the engine's own display shows the transfer
    EXPECT_EQ(download->resultPath, target.wstring());
    EXPECT_TRUE(download->written);
    EXPECT_EQ(readText(target), "zona;rreshta\n1;2\n");
    EXPECT_EQ(pendingDownloadCount(), 0u);

    // The user cancels the dialog: cancelled, silently.
    f.chosenPath.clear();
    f.app.statusText = L"before";
    download = standin::startDownload(tab->controller.Get(), L"blob:" + kPortal + L"1234", L"x.pdf");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    EXPECT_EQ(f.prompts.size(), 2u);
    EXPECT_TRUE(download->cancelled);
    EXPECT_EQ(f.app.statusText, L"before");

    // A foreign address: cancelled at once with a notice and no dialog.
    download = standin::startDownload(tab->controller.Get(), L"https://elsewhere.example/x.pdf", L"x.pdf");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    EXPECT_TRUE(download->cancelled);
    EXPECT_FALSE(download->deferred);
    EXPECT_EQ(f.prompts.size(), 2u);
    EXPECT_EQ(f.app.statusText, L"Shkarkimi u bllokua.");

    // A forged message for a download that does not exist is no download.
    PostMessageW(f.app.window, WM_APP_DOWNLOAD, 0, 0x12345678);
    f.settle();
    EXPECT_EQ(f.prompts.size(), 2u);
    EXPECT_TRUE(f.guardErrors.empty());
}

TEST(TabActions, RefusedDownloadPathIsCancelledAndReported) {
    TabFixture f({L"refuse-download-path=0x80070005"});
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    f.chosenPath = (f.folder.path() / L"x.csv").wstring();
    const auto download = standin::startDownload(tab->controller.Get(), kPortal + L"raporti.csv", L"x.csv");
    ASSERT_TRUE(f.pump([&] { return download->done; }));
    EXPECT_TRUE(download->cancelled);
    EXPECT_FALSE(download->written);
    EXPECT_EQ(f.guardErrors, std::vector<std::string>{"DOWNLOAD_PATH_FAILED 0x80070005"});
    EXPECT_EQ(pendingDownloadCount(), 0u);
}

std::vector<std::string> keys(const nlohmann::ordered_json& object) {
    std::vector<std::string> out;
    for (const auto& item : object.items()) out.push_back(item.key());
    return out;
}

TEST(TabActions, DiagnosticsAreWrittenAtOnceThenWithThePortalsSnapshots) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    standin::postWebMessage(tab->controller.Get(), kPortal, LR"({"type":"vesko-dirty","dirty":true})");
    f.settle();
    const std::filesystem::path path = f.folder.path() / L"diagnostika";
    f.chosenPath = path.wstring();

    f.app.saveDiagnostics();
    ASSERT_EQ(f.prompts.size(), 1u);
    EXPECT_EQ(f.prompts[0].name, L"Vesko_diagnostika.json");
    EXPECT_EQ(f.prompts[0].filter, std::wstring(L"Diagnostik\u00EB JSON\0*.json\0", 24));
    EXPECT_EQ(f.app.statusText,
              L"Diagnostika u ruajt. Nuk p\u00EBrfshin fjal\u00EBkalime, formular\u00EB ose adresa t\u00EB faqeve t\u00EB "
              L"hapura.");
    // The first write is there before the page answers.
    const auto first = nlohmann::ordered_json::parse(readText(path));
    EXPECT_EQ(keys(first), (std::vector<std::string>{"product", "version", "capturedAt", "runtime", "arguments",
                                                     "runtimeProbePassed", "assetCount", "rules", "tabs"}));
    EXPECT_EQ(first["runtime"], "120.0.2210.91");
    EXPECT_EQ(first["arguments"], "--disable-web-security --allow-running-insecure-content");
    EXPECT_EQ(first["runtimeProbePassed"], true);
    EXPECT_EQ(first["assetCount"], f.app.assetPack.fileCount);
    ASSERT_EQ(first["tabs"].size(), 1u);
    EXPECT_EQ(first["tabs"][0]["dirty"], true);
    EXPECT_EQ(first["tabs"][0]["localAssets"], 1);
    EXPECT_EQ(first["tabs"][0]["blockedRequests"][0]["host"], "tracker.example");

    // Then the same file with the hook's snapshots: the top document and its portal frame;
    // the foreign frame was never loaded.
    ASSERT_TRUE(f.pump([&] { return readText(path).find("portalDiagnostics") != std::string::npos; }));
    const std::string text = readText(path);
    EXPECT_TRUE(text.ends_with("\n"));
    const auto fuller = nlohmann::ordered_json::parse(text);
    EXPECT_EQ(keys(fuller).back(), "portalDiagnostics");
    EXPECT_EQ(keys(fuller).size(), 10u);
    EXPECT_EQ(fuller["portalDiagnostics"].size(), 2u);
    EXPECT_EQ(fuller["capturedAt"], first["capturedAt"]);
}

TEST(TabActions, DiagnosticsWithoutTabsOrWithAFailedWrite) {
    TabFixture f;
    const std::filesystem::path path = f.folder.path() / L"d.json";
    f.chosenPath = path.wstring();
    f.app.saveDiagnostics();
    f.settle();
    const auto report = nlohmann::ordered_json::parse(readText(path));
    EXPECT_EQ(report["tabs"], nlohmann::ordered_json::array());
    EXPECT_FALSE(report.contains("portalDiagnostics"));

    // Cancelled: nothing written, nothing said.
    f.chosenPath.clear();
    f.app.statusText = L"before";
    f.app.saveDiagnostics();
    EXPECT_EQ(f.app.statusText, L"before");

    // A path the file cannot take (a folder holds it): the error goes to the window's
    // guard, and no success text is shown.
    const auto taken = f.folder.path() / L"dosje.json";
    std::filesystem::create_directories(taken);
    f.chosenPath = taken.wstring();
    try {
        f.app.saveDiagnostics();
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "FILE_RENAME_FAILED");
    }
    EXPECT_EQ(f.app.statusText, L"before");
}

TEST(TabActions, ScriptFailureKeepsTheFirstReport) {
    TabFixture f({L"fail-script=0x80004005"});
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    const std::filesystem::path path = f.folder.path() / L"d.json";
    f.chosenPath = path.wstring();
    f.app.saveDiagnostics();
    const std::string first = readText(path);
    f.settle();
    EXPECT_EQ(readText(path), first);
    EXPECT_EQ(first.find("portalDiagnostics"), std::string::npos);
}

TEST(TabActions, CommandsOnTheActiveView) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(f.navigateAndWait(tab, kPortal + L"faqe.html"));
    f.settle();
    standin::clearCallRecord();

    f.app.goBack();
    ASSERT_TRUE(f.pump([&] { return f.view(tab)->source == kPortal && !tab->loading; }));
    EXPECT_EQ(recorded("GoBack").size(), 1u);
    f.settle();
    f.app.goBack();  // nothing to go back to: not asked
    EXPECT_EQ(recorded("GoBack").size(), 1u);
    f.app.goForward();
    ASSERT_TRUE(f.pump([&] { return f.view(tab)->source == kPortal + L"faqe.html" && !tab->loading; }));
    f.settle();

    // Reload, then stop while it loads: the stop text stays.
    f.app.reloadOrStop();
    EXPECT_EQ(f.app.statusText, L"Po rifreskohet faqja\u2026");
    EXPECT_EQ(recorded("Reload").size(), 1u);
    ASSERT_TRUE(f.pump([&] { return tab->loading; }));
    f.app.reloadOrStop();
    EXPECT_FALSE(tab->loading);
    EXPECT_EQ(recorded("Stop").size(), 1u);
    f.settle();
    EXPECT_EQ(f.app.statusText, L"Ngarkimi u ndal.");

    f.app.navigateActiveTab(kPortalHost);  // Home
    EXPECT_EQ(recorded("Navigate").back(), toUtf8(kPortal));
    f.settle();

    f.app.zoomActiveTab(130);
    EXPECT_DOUBLE_EQ(tab->zoom, 1.1);
    EXPECT_EQ(f.app.statusText, L"Zoom: 110%");
    f.app.zoomActiveTab(308);
    f.app.zoomActiveTab(130);
    EXPECT_EQ(tab->zoom, 2.0);
    EXPECT_EQ(f.app.statusText, L"Zoom: 200%");
    f.settle();
    f.app.zoomActiveTab(132);
    EXPECT_EQ(tab->zoom, 1.0);

    f.app.printActiveTab();
    f.app.showDownloads();
    EXPECT_EQ(recorded("ShowPrintUI"), std::vector<std::string>{"0"});
    EXPECT_EQ(recorded("OpenDefaultDownloadDialog").size(), 1u);
}

TEST(TabActions, ZoomRefusedAndOldRuntimesWithoutDialogs) {
    TabFixture f({L"refuse-zoom=0x80070057"});
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    f.app.statusText = L"before";
    try {
        f.app.zoomActiveTab(130);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ZOOM_FAILED 0x80070057");
    }
    EXPECT_EQ(tab->zoom, 1.0);
    EXPECT_EQ(f.app.statusText, L"before");

    // No view: nothing is asked of the engine.
    f.app.activeTab = -1;
    standin::clearCallRecord();
    f.app.printActiveTab();
    f.app.goBack();
    f.app.zoomActiveTab(130);
    EXPECT_TRUE(standin::callRecord().empty());
}

}  // namespace
}  // namespace vesko
