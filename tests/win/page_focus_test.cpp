// The keyboard leaving a page for the frame: the stand-in raises MoveFocusRequested when Tab
// walks off either end of a page (outlined or in Chromium) or on the channel's command and
// moves the focus itself when no handler took it; the program's handler hands the focus
// to its host and says so.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <stdexcept>

#include "control_channel_commands.h"
#include "engine/page_events_win.h"
#include "win_test_support.h"

namespace vesko {
namespace {

// A host that only takes (or leaves) the focus when a page lets the keyboard go.
class FocusHost final : public TabHost {
public:
    explicit FocusHost(HWND frame) : frame_(frame) {}
    bool takes = true;
    std::vector<bool> leaving;  // forward, per call

    void pageFocusLeaving(TabView&, bool forward) override {
        leaving.push_back(forward);
        if (takes) SetFocus(frame_);
    }
    HWND window() const override { return frame_; }

    void setStatus(const std::wstring&, unsigned) override {}
    const std::wstring& statusText() const override { return text_; }
    void showProgress(const std::wstring&, unsigned) override {}
    void openTab(const std::wstring&, PopupRequest, bool) override {}
    void closeTab(const TabView&) override {}
    bool isActive(const TabView&) const override { return true; }
    void repaint() override {}
    void addressChanged(const TabView&) override {}
    bool takePageKey(std::int32_t, std::int32_t, KeyModifiers, bool) override { return false; }
    void layoutViews() override {}
    void viewReady(TabView&) override {}
    void processFailed(TabView&, const ProcessFailureReport&) override {}
    void completeProbe(TabView&, ProbeFindings) override {}
    const RuntimeProbe& probe() const override { throw std::logic_error("unused"); }
    const AssetPack& assetPack() const override { throw std::logic_error("unused"); }
    DownloadQueue& downloads() override { throw std::logic_error("unused"); }
    WorkerRequestDesk& workerRequests() override { throw std::logic_error("unused"); }

private:
    HWND frame_;
    std::wstring text_;
};

// The reasons a view's MoveFocusRequested carried; Handled set when `handle` says so.
struct FocusRequests {
    std::vector<int> reasons;
    bool handle = false;
    void listen(ICoreWebView2Controller* controller) {
        EventRegistrationToken token{};
        controller->add_MoveFocusRequested(
            makeCallback<MoveFocusRequestedCallback>(
                [this](ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs* args) {
                    COREWEBVIEW2_MOVE_FOCUS_REASON reason{};
                    args->get_Reason(&reason);
                    reasons.push_back(reason);
                    if (handle) args->put_Handled(TRUE);
                    return S_OK;
                }).Get(),
            &token);
    }
};

HWND viewWindow(ICoreWebView2Controller* controller) {
    const auto state = standin::readView(controller);
    return state ? state->window : nullptr;
}

struct FocusView {
    explicit FocusView(const std::filesystem::path& folder) {
        writeText(folder / L"site/portal.kordis.example/index.html", "<title>Ballina</title><a href=\"/a\">a</a>");
        standin::Settings settings;
        settings.siteFolder = folder / L"site";
        standin::configure(settings);
        controller = createController(createEnvironment(folder / L"UserData").Get(), host.window);
        ShowWindow(host.window, SW_SHOWNA);
    }
    ~FocusView() {
        if (controller) controller->Close();
    }
    HostWindow host;
    ComPtr<ICoreWebView2Controller> controller;
};

std::shared_ptr<standin::MoveFocusOutcome> raised(ICoreWebView2Controller* controller,
                                                  COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    auto outcome = standin::raiseMoveFocusRequested(controller, reason);
    EXPECT_TRUE(outcome && pumpUntil([&] { return outcome->done; }));
    return outcome;
}

TEST(PageFocus, TheHandlerHandsTheKeyboardToTheHostOnlyWhenItLeavesThePage) {
    struct Case {
        const char* name;
        COREWEBVIEW2_MOVE_FOCUS_REASON reason;
        bool hostTakes;
        std::vector<bool> leaving;
        bool handled;
    };
    const Case cases[] = {
        {"Tab past the last element", COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT, true, {true}, true},
        {"Shift+Tab before the first", COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS, true, {false}, true},
        {"the host keeps out of it", COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT, false, {true}, false},
        {"programmatic", COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC, true, {}, false},
    };
    TestFolder folder;
    FocusView view(folder.path);
    ASSERT_TRUE(view.controller);
    FocusHost host(view.host.window);
    const auto tab = std::make_shared<TabView>(1, kPortal, PopupRequest{});
    EventRegistrationToken token{};
    view.controller->add_MoveFocusRequested(makeMoveFocusHandler(host, tab).Get(), &token);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.leaving.clear();
        host.takes = c.hostTakes;
        view.controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
        ASSERT_EQ(GetFocus(), viewWindow(view.controller.Get()));
        const auto outcome = raised(view.controller.Get(), c.reason);
        EXPECT_EQ(host.leaving, c.leaving);
        EXPECT_EQ(outcome->handled, c.handled);
    }
}

// The view's window takes the keyboard: Tab leaves an outlined page at once, and without a
// handler that took the focus the engine moves it to the host's next tab stop, or keeps
// it in the page when there is none.
TEST(StandInFocus, TabLeavesAnOutlinedPageAndTheEngineMovesTheFocusItself) {
    struct Case {
        const char* name;
        bool shift, handle, tabStop;
        int reason;
        const char* defaultMove;  // nullptr: none
        bool focusInView;
    };
    const Case cases[] = {
        {"handled", false, true, false, 1, nullptr, true},
        {"Shift+Tab, no other tab stop", true, false, false, 2, "cycled", true},
        {"Tab, the host's address field", false, false, true, 1, "window", false},
    };
    TestFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FocusView view(folder.path);
        ASSERT_TRUE(view.controller);
        const HWND field = c.tabStop ? CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 50, 20,
                                                       view.host.window, nullptr, GetModuleHandleW(nullptr), nullptr)
                                     : nullptr;
        FocusRequests requests;
        requests.handle = c.handle;
        requests.listen(view.controller.Get());
        const HWND page = viewWindow(view.controller.Get());
        SendMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ASSERT_EQ(GetFocus(), page);
        EXPECT_EQ(SendMessageW(page, WM_GETDLGCODE, VK_TAB, 0), DLGC_WANTALLKEYS);
        standin::clearCallRecord();
        {
            HeldKeys keys = c.shift ? HeldKeys({VK_SHIFT}) : HeldKeys({});
            SendMessageW(page, WM_KEYDOWN, VK_TAB, 1);
        }
        ASSERT_TRUE(pumpUntil([&] { return !requests.reasons.empty(); }));
        settle();
        EXPECT_EQ(requests.reasons, std::vector<int>{c.reason});
        const auto moves = recorded("MoveFocusDefault");
        EXPECT_EQ(moves, c.defaultMove ? std::vector<std::string>{c.defaultMove} : std::vector<std::string>{});
        EXPECT_EQ(GetFocus() == page, c.focusInView);
        if (field != nullptr) EXPECT_EQ(GetFocus(), field);
    }
}

class ChannelLines final : public standin::ChannelClient {
public:
    void sendLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

TEST(StandInFocus, TheChannelRaisesItWithTheReasonAsked) {
    TestFolder folder;
    FocusView view(folder.path);
    ASSERT_TRUE(view.controller);
    FocusRequests requests;
    requests.handle = true;
    requests.listen(view.controller.Get());
    std::string name;
    for (const auto& live : standin::liveViews()) {
        if (live.controller == view.controller.Get()) name = live.viewName;
    }
    standin::ControlCommands commands;
    const auto client = std::make_shared<ChannelLines>();
    commands.handleLine(client, R"({"id": 1, "cmd": "moveFocusRequested", "view": ")" + name + R"(", "reason": "previous"})");
    ASSERT_TRUE(pumpUntil([&] {
        commands.poll();
        return !client->lines.empty();
    }));
    EXPECT_EQ(client->lines[0], R"({"id":1,"ok":true,"result":{"handled":true,"focusInView":false}})");
    EXPECT_EQ(requests.reasons, std::vector<int>{2});
    commands.handleLine(client, R"({"id": 2, "cmd": "moveFocusRequested", "view": ")" + name + R"(", "reason": "up"})");
    ASSERT_EQ(client->lines.size(), 2u);
    EXPECT_NE(client->lines[1].find("BAD_REQUEST"), std::string::npos);
}

// A key or a focus move raised from the loop after the host closed the controller reaches
// no handler: the channel says the view has gone rather than never answering.
TEST(StandInFocus, TheChannelRefusesAKeyForAViewThatClosedFirst) {
    TestFolder folder;
    FocusView view(folder.path);
    ASSERT_TRUE(view.controller);
    std::string name;
    for (const auto& live : standin::liveViews()) {
        if (live.controller == view.controller.Get()) name = live.viewName;
    }
    standin::ControlCommands commands;
    const auto client = std::make_shared<ChannelLines>();
    const auto answers = [&](std::size_t count) {
        return pumpUntil([&] {
            commands.poll();
            return client->lines.size() >= count;
        });
    };
    commands.handleLine(client, R"({"id": 1, "cmd": "key", "view": ")" + name + R"(", "key": "Left"})");
    ASSERT_TRUE(answers(1));
    EXPECT_EQ(client->lines[0], R"({"id":1,"ok":true,"result":{"handled":false}})");

    commands.handleLine(client, R"({"id": 2, "cmd": "key", "view": ")" + name + R"(", "key": "Left"})");
    commands.handleLine(client, R"({"id": 3, "cmd": "moveFocusRequested", "view": ")" + name + R"("})");
    view.controller->Close();
    ASSERT_TRUE(answers(3));
    EXPECT_TRUE(client->lines[1].starts_with(R"({"id":2,"ok":false,"error":"NO_SUCH_VIEW")")) << client->lines[1];
    EXPECT_TRUE(client->lines[2].starts_with(R"({"id":3,"ok":false,"error":"NO_SUCH_VIEW")")) << client->lines[2];
}

// The program's view: its handler from the start, the frame window taking the keyboard,
// and the keyboard going back in at either end of the page.
TEST(PageFocus, ATabsViewLetsTheKeyboardOutToTheFrameAndBackIn) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->controller());
    tab->focus();
    const auto outcome = raised(tab->controller(), COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT);
    EXPECT_TRUE(outcome->handled);
    EXPECT_EQ(GetFocus(), f.host.window);
    standin::clearCallRecord();
    tab->moveFocusInto(false);
    tab->moveFocusInto(true);
    EXPECT_EQ(recorded("MoveFocus"), (std::vector<std::string>{"2", "1"}));
}

class ChromiumFocus : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Settings settings;
        settings.backend = standin::BackendKind::chromium;
        standin::configure(settings);
    }
    void TearDown() override { standin::configure({}); }
    TestFolder folder;
};

// A real page: the Tab that leaves its last link raises NEXT, the engine's own move goes
// round to the first, and Shift+Tab from there raises PREVIOUS; the host's MoveFocus
// enters at the last link.
TEST_F(ChromiumFocus, TabPastTheLastLinkAndShiftTabBeforeTheFirstLeaveThePage) {
    HostWindow host;
    ShowWindow(host.window, SW_SHOWNA);
    const auto environment = createEnvironment(folder.path / L"UserData", L"--log-level=3");
    const auto controller = createController(environment.Get(), host.window);
    ASSERT_TRUE(controller);
    controller->put_Bounds(RECT{0, 0, 400, 300});
    ComPtr<ICoreWebView2> view;
    controller->get_CoreWebView2(&view);
    EventRegistrationToken token{};
    servePages(view.Get(), environment.Get(),
               [](const std::wstring&) { return "<!doctype html><a href='#1'>nje</a> <input> <a href='#3'>tre</a>"; });
    bool loaded = false;
    view->add_NavigationCompleted(makeCallback<NavigationCompletedCallback>([&](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*) {
        loaded = true;
        return S_OK;
    }).Get(), &token);
    FocusRequests requests;
    requests.listen(controller.Get());
    view->Navigate(L"https://page.test/");
    ASSERT_TRUE(pumpUntil([&] { return loaded; }, 15000));
    controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    const HWND page = viewWindow(controller.Get());
    const auto press = [&](bool shift) {
        HeldKeys keys = shift ? HeldKeys({VK_SHIFT}) : HeldKeys({});
        SendMessageW(page, WM_KEYDOWN, VK_TAB, 1);
    };
    const auto focused = [&] {
        std::wstring text;
        view->ExecuteScript(L"document.activeElement.textContent",
                            makeCallback<ExecuteScriptCompletedCallback>([&](HRESULT, LPCWSTR json) {
                                text = json != nullptr ? json : L"?";
                                return S_OK;
                            }).Get());
        pumpUntil([&] { return !text.empty(); }, 10000);
        return text;
    };
    // Three elements: the fourth Tab leaves; unhandled, the focus goes round to the first,
    // from which Shift+Tab leaves backwards.
    for (int i = 0; i < 4; ++i) press(false);
    ASSERT_TRUE(pumpUntil([&] { return requests.reasons.size() == 1; }, 10000));
    EXPECT_EQ(requests.reasons, std::vector<int>{1});
    EXPECT_EQ(focused(), L"\"nje\"");
    requests.handle = true;
    press(true);
    ASSERT_TRUE(pumpUntil([&] { return requests.reasons.size() == 2; }, 10000));
    EXPECT_EQ(requests.reasons, (std::vector<int>{1, 2}));

    controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS);
    EXPECT_EQ(focused(), L"\"tre\"");
    controller->Close();
}

}  // namespace
}  // namespace vesko
