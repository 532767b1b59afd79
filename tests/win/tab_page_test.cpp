// What a portal page meets in its tab: the interception of its requests, the guards of
// its navigations, frames, permissions and close requests, its messages, the page events
// and the keys taken from it.
#include <gtest/gtest.h>

#include "assets/runtime_probe_page.h"
#include "tab_test_support_win.h"

namespace vesko {
namespace {

using namespace tabtest;

std::shared_ptr<standin::ResourceOutcome> find(const std::shared_ptr<BrowserApp::Tab>& tab, const std::wstring& uri) {
    for (const auto& request : standin::resourceLog(tab->controller.Get())) {
        if (request->uri == uri) return request;
    }
    return nullptr;
}

std::wstring header(const standin::ResourceOutcome& outcome, const std::wstring& name) {
    for (const auto& [key, value] : outcome.headers) {
        if (key == name) return value;
    }
    return L"<none>";
}

TEST(TabPage, PortalPageRequestsAreServedPassedOnOrRefused) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->filterInstalled) << toUtf8(f.app.statusText);

    const auto packed = find(tab, kPackScript);
    ASSERT_TRUE(packed);
    EXPECT_TRUE(packed->answeredByHost);
    EXPECT_EQ(packed->status, 200);
    EXPECT_EQ(header(*packed, L"Access-Control-Allow-Origin"), L"*");
    EXPECT_EQ(header(*packed, L"Cache-Control"), L"no-store");
    EXPECT_EQ(header(*packed, L"Content-Length"), std::to_wstring(packed->body.size()));
    EXPECT_GT(packed->body.size(), 1000u);

    const auto passed = find(tab, L"https://cdnjs.cloudflare.com/ajax/libs/x/1.0/x.css");
    ASSERT_TRUE(passed);
    EXPECT_TRUE(passed->raised);
    EXPECT_FALSE(passed->answeredByHost);
    EXPECT_EQ(passed->body, "body{}");

    const auto refused = find(tab, L"https://tracker.example/t.js");
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->answeredByHost);
    EXPECT_EQ(refused->status, 403);
    EXPECT_EQ(refused->body, "VESKO: kerkesa u bllokua.");
    EXPECT_EQ(header(*refused, L"Access-Control-Allow-Origin"), L"<none>");

    const auto own = find(tab, kPortal + L"logo.png");
    ASSERT_TRUE(own);
    EXPECT_FALSE(own->answeredByHost);
    EXPECT_EQ(own->body, "PNG");

    EXPECT_EQ(tab->localAssets, 1u);
    EXPECT_EQ(tab->blockedRequests.dump(), R"([{"host":"tracker.example","kind":"script","method":"GET"}])");
}

TEST(TabPage, RefusalsAreRecordedUpToSixtyFourAndProbeAddressesAreNotThere) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    struct Case {
        std::wstring uri;
        const wchar_t* method;
        COREWEBVIEW2_WEB_RESOURCE_CONTEXT context;
        bool byHost;
        int status;
    };
    const std::wstring probe = toWide(probeAddresses("00112233445566778899aabbccddeeff").index);
    const Case cases[] = {
        // Not from the pack: another method goes out unchanged and is not counted.
        {kPackScript, L"POST", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT, false, 0},
        {L"ftp://files.example/a", L"GET", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE, true, 403},
        {L"https://elsewhere.example/", L"GET", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT, true, 403},
        {L"about:blank", L"GET", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT, false, 0},
        // Probe addresses outside a probe.
        {probe, L"GET", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT, true, 404},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.uri));
        const auto outcome = standin::requestResource(tab->controller.Get(), c.uri, c.method, c.context);
        ASSERT_TRUE(f.pump([&] { return outcome->done; }));
        EXPECT_EQ(outcome->answeredByHost, c.byHost);
        if (c.byHost) EXPECT_EQ(outcome->status, c.status);
    }
    EXPECT_EQ(tab->localAssets, 1u);
    ASSERT_EQ(tab->blockedRequests.size(), 3u);
    EXPECT_EQ(tab->blockedRequests[1]["host"], "[scheme blocked]");
    EXPECT_EQ(tab->blockedRequests[1]["kind"], "image");
    EXPECT_EQ(tab->blockedRequests[2]["kind"], "document");

    // Requests from workers reach the handler as well.
    const auto worker = standin::requestResource(tab->controller.Get(), L"https://tracker.example/w", L"GET",
                                                 COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH,
                                                 COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SERVICE_WORKER);
    ASSERT_TRUE(f.pump([&] { return worker->done; }));
    EXPECT_EQ(worker->status, 403);

    for (int i = 0; i < 70; ++i) {
        standin::requestResource(tab->controller.Get(), L"https://t" + std::to_wstring(i) + L".example/x", L"GET",
                                 COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST);
    }
    const auto last = standin::requestResource(tab->controller.Get(), L"https://late.example/", L"GET",
                                               COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT);
    ASSERT_TRUE(f.pump([&] { return last->done; }));
    EXPECT_EQ(last->status, 403);  // still answered
    EXPECT_EQ(tab->blockedRequests.size(), 64u);
    EXPECT_EQ(tab->blockedRequests[63]["host"], "t59.example");
}

TEST(TabPage, GuardsKeepTabsAndFramesOnThePortal) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    // The foreign frame was cancelled silently; the portal's own frame loaded.
    const auto frames = standin::frames(tab->controller.Get());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(frames[0].cancelled);
    EXPECT_FALSE(frames[1].cancelled);
    EXPECT_EQ(f.app.statusText, L"Faqja u ngarkua.");

    // A foreign top-level navigation is cancelled with a 7-second text.
    tab->webview->Navigate(L"https://elsewhere.example/");
    ASSERT_TRUE(f.pump([&] { return !recorded("put_Cancel").empty(); }));
    f.settle();  // including the completion of the cancelled navigation
    EXPECT_EQ(f.app.statusText, L"Vesko hap vet\u00EBm " + kPortalHost + L".");
    EXPECT_GT(f.app.statusExpiresAt, 0);
    EXPECT_EQ(f.view(tab)->source, kPortal);

    // about:blank is accepted in any tab; loading and busy are reset at the start.
    tab->ajaxBusy = true;
    tab->webview->Navigate(L"about:blank");
    ASSERT_TRUE(f.pump([&] { return tab->loading; }));
    EXPECT_FALSE(tab->ajaxBusy);
    EXPECT_EQ(f.app.statusText, L"Po ngarkohet faqja\u2026");
    ASSERT_TRUE(f.pump([&] { return !tab->loading; }));
    EXPECT_EQ(f.view(tab)->source, L"about:blank");
}

TEST(TabPage, EveryPermissionIsDenied) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    for (int kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION; kind <= COREWEBVIEW2_PERMISSION_KIND_WINDOW_MANAGEMENT;
         ++kind) {
        SCOPED_TRACE(kind);
        const auto outcome = standin::requestPermission(tab->controller.Get(),
                                                        static_cast<COREWEBVIEW2_PERMISSION_KIND>(kind), kPortal);
        ASSERT_TRUE(f.pump([&] { return outcome->done; }));
        EXPECT_EQ(outcome->state, COREWEBVIEW2_PERMISSION_STATE_DENY);
    }
}

TEST(TabPage, PageClosingItsWindowClosesItsTab) {
    TabFixture f;
    const auto first = f.openPortal();
    const auto second = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(first && second);
    standin::requestWindowClose(second->controller.Get());
    ASSERT_TRUE(f.pump([&] { return f.app.tabs.size() == 1u; }));
    EXPECT_EQ(f.app.tabs[0], first);
}

TEST(TabPage, TypedAddresses) {
    TabFixture f;
    const auto tab = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(tab);
    standin::clearCallRecord();

    f.app.probePassed = false;
    f.app.navigateActiveTab(kPortal);
    EXPECT_EQ(f.app.statusText, L"Kontrolli i motorit duhet t\u00EB p\u00EBrfundoj\u00EB me sukses.");
    f.app.probePassed = true;

    SetWindowTextW(f.app.addressField, L"https://elsewhere.example/");
    f.app.navigateActiveTab(L"https://elsewhere.example/");
    EXPECT_EQ(f.app.statusText, L"Lejohet vet\u00EBm " + kPortalHost + L".");
    wchar_t field[256];
    GetWindowTextW(f.app.addressField, field, 256);
    EXPECT_EQ(std::wstring(field), kPortal + L"faqe.html");
    f.app.navigateActiveTab(L"about:blank");  // only pages and pop-ups may go there
    EXPECT_TRUE(recorded("Navigate").empty());

    f.app.navigateActiveTab(kPortalHost);
    EXPECT_EQ(recorded("Navigate"), std::vector<std::string>{toUtf8(kPortal)});
}

TEST(TabPage, MessagesChangeTheirTabOnly) {
    TabFixture f;
    const auto front = f.openPortal();
    const auto back = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(front && back);
    f.app.selectTab(0);
    const auto post = [&](const std::shared_ptr<BrowserApp::Tab>& tab, const std::wstring& json,
                          const std::wstring& source = kPortal + L"faqe.html") {
        standin::postWebMessage(tab->controller.Get(), source, json);
        f.settle();
    };

    post(back, LR"({"type":"vesk-activity","busy":true})");
    EXPECT_TRUE(back->ajaxBusy);
    EXPECT_FALSE(front->ajaxBusy);
    post(back, LR"({"type":"vesk-activity","busy":"false"})");
    EXPECT_TRUE(back->ajaxBusy);
    post(back, LR"({"type":"vesk-activity","busy":false})");
    EXPECT_FALSE(back->ajaxBusy);

    post(front, LR"({"type":"vesko-dirty","dirty":true})", L"https://elsewhere.example/");
    EXPECT_FALSE(front->dirty);
    post(front, LR"({"type":"vesko-dirty","dirty":"yes"})");
    EXPECT_FALSE(front->dirty);
    post(front, LR"({"type":"vesko-dirty","dirty":true})");
    EXPECT_TRUE(front->dirty);
    post(front, LR"({"type":"vesko-dirty","dirty":false})");
    EXPECT_TRUE(front->dirty);

    f.app.statusText.clear();
    post(back, LR"({"type":"vesk-zone-result","rows":12,"status":200})");
    EXPECT_EQ(f.app.statusText, L"");
    post(front, LR"({"type":"vesk-zone-result","rows":12,"status":200})");
    EXPECT_EQ(f.app.statusText, L"Serveri ktheu 12 zona. N\u00EBse lista mbetet bosh, ruaj diagnostik\u00EBn.");
    post(front, LR"({"type":"vesk-zone-result","rows":0,"status":200})");
    EXPECT_EQ(f.app.statusText.substr(0, 22), L"Serveri ktheu 0 zona p");

    // Oversized messages and unpaired surrogates change nothing.
    std::wstring big = LR"({"type":"vesk-activity","busy":true,"pad":")";
    big += std::wstring(16385 - big.size() - 2, L'x') + LR"("})";
    post(front, big);
    EXPECT_FALSE(front->ajaxBusy);
    post(front, std::wstring(LR"({"type":"vesk-activity","busy":true,"x":")") + L'\xD800' + LR"("})");
    EXPECT_FALSE(front->ajaxBusy);

    // A background open goes behind the current tab.
    post(front, LR"({"type":"vesk-open-background","url":")" + kPortal + LR"(ndihme"})");
    ASSERT_EQ(f.app.tabs.size(), 3u);
    EXPECT_EQ(f.app.tabs[2]->url, kPortal + L"ndihme");
    EXPECT_EQ(f.app.activeTab, 0);
    post(front, LR"({"type":"vesk-open-background","url":"https://elsewhere.example/"})");
    EXPECT_EQ(f.app.tabs.size(), 3u);

    // A message that arrives after its tab closed is dropped.
    standin::postWebMessage(back->controller.Get(), kPortal, LR"({"type":"vesko-dirty","dirty":true})");
    f.app.closeTab(1);
    f.settle();
    EXPECT_FALSE(back->dirty);
}

TEST(TabPage, TitlesHistoryAndCompletion) {
    TabFixture f;
    const auto front = f.openPortal();
    const auto back = f.openPortal(kPortal + L"faqe.html");
    ASSERT_TRUE(front && back);
    f.app.selectTab(0);
    EXPECT_FALSE(front->canGoBack);

    front->dirty = true;
    ASSERT_TRUE(f.navigateAndWait(front, kPortal + L"titull-bosh.html"));
    f.settle();
    EXPECT_EQ(front->title, L"KORDIS");
    EXPECT_TRUE(front->canGoBack);
    EXPECT_FALSE(front->canGoForward);
    EXPECT_FALSE(front->dirty);
    EXPECT_EQ(front->url, kPortal + L"titull-bosh.html");
    wchar_t field[256];
    GetWindowTextW(f.app.addressField, field, 256);
    EXPECT_EQ(std::wstring(field), kPortal + L"titull-bosh.html");

    // A background tab's address stays out of the field.
    back->webview->Navigate((kPortal + L"korniza.html").c_str());
    ASSERT_TRUE(f.pump([&] { return back->url == kPortal + L"korniza.html" && !back->loading; }));
    GetWindowTextW(f.app.addressField, field, 256);
    EXPECT_EQ(std::wstring(field), kPortal + L"titull-bosh.html");

    // A failed load says so after the probe, and nothing while a probe runs.
    front->dirty = true;
    ASSERT_TRUE(f.navigateAndWait(front, kPortal + L"mungon.html"));
    EXPECT_TRUE(front->dirty);
    EXPECT_EQ(f.app.statusText, L"Faqja nuk u ngarkua. Kontrollo lidhjen ose provo rifreskimin.");
    f.app.probeRunning = true;
    f.app.statusText = L"probe";
    front->webview->Navigate((kPortal + L"mungon.html").c_str());
    ASSERT_TRUE(f.pump([&] { return front->loading; }));
    f.app.statusText = L"probe";
    ASSERT_TRUE(f.pump([&] { return !front->loading; }));
    EXPECT_EQ(f.app.statusText, L"probe");
    f.app.probeRunning = false;
}

TEST(TabPage, ShortcutsAreTakenFromThePageAndPosted) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab);
    struct Case {
        const char* name;
        std::initializer_list<int> held;
        COREWEBVIEW2_KEY_EVENT_KIND kind;
        UINT key;
        std::int32_t command;
    };
    const Case cases[] = {
        {"Ctrl+T", {VK_CONTROL}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, 'T', 100},
        {"Ctrl+Shift+T", {VK_CONTROL, VK_SHIFT}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, 'T', 113},
        {"Ctrl+Shift+Tab", {VK_CONTROL, VK_SHIFT}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, VK_TAB, 112},
        {"Alt+Left", {VK_MENU}, COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN, VK_LEFT, 102},
        {"Shift+F5", {VK_SHIFT}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, VK_F5, 104},
        {"Ctrl+A", {VK_CONTROL}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, 'A', 0},
        {"Ctrl+C", {VK_CONTROL}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, 'C', 0},
        {"Ctrl+2", {VK_CONTROL}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, '2', 0},
        {"key-up of Ctrl+T", {VK_CONTROL}, COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP, 'T', 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        f.postedCommands.clear();
        HeldKeys keys(c.held);
        const auto outcome = standin::pressKey(tab->controller.Get(), c.kind, c.key);
        ASSERT_TRUE(f.pump([&] { return outcome->done; }));
        f.settle();
        EXPECT_EQ(outcome->handled, c.command != 0);
        EXPECT_EQ(f.postedCommands, c.command != 0 ? std::vector<std::int32_t>{c.command} : std::vector<std::int32_t>{});
    }
}

}  // namespace
}  // namespace vesko
