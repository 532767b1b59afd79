// A real headless Chromium started from this process and driven over DevTools: one
// browser shared by the page tests, one more for closing, and the ways a start fails.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "chromium/chromium_process.h"
#include "chromium/linux_processes.h"
#include "chromium/websocket_client.h"
#include "chromium/wine_paths.h"
#include "engine_test_support_win.h"
#include "test_folder_win.h"

namespace vesko::standin {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

// The event `method` of `sessionId`, waiting up to timeout; earlier events are dropped.
std::optional<DevToolsEvent> waitForEvent(DevToolsConnection& devTools, const std::string& method,
                                          const std::string& sessionId, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        auto event = devTools.nextEvent(left);
        if (event && event->method == method && event->sessionId == sessionId) return event;
    }
    return std::nullopt;
}

class ChromiumSession : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TestFolder;
        // A port file left by an earlier run must not be mistaken for this one's.
        std::filesystem::create_directories(folder_->path() / L"profile");
        std::ofstream(folder_->path() / L"profile" / L"DevToolsActivePort") << "1\n/devtools/browser/stale";
        try {
            // Fatal-only logging keeps Chromium's D-Bus complaints out of the test output;
            // automation mode lets the test read the command line back.
            chromium_ = new ChromiumProcess(
                {folder_->path() / L"profile", "sq", "--log-level=3 --enable-automation --user-agent=VeskoProbe/1.0", 20s});
        } catch (const std::exception& error) {
            *launchError_ = error.what();
        }
    }
    static void TearDownTestSuite() {
        delete chromium_;
        chromium_ = nullptr;
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(chromium_, nullptr) << *launchError_; }

    DevToolsConnection& devTools() { return chromium_->devTools(); }

    // A new blank page with a flattened session attached to it.
    std::string newPageSession() {
        const Json created = devTools().call("Target.createTarget", {{"url", "about:blank"}});
        return devTools().attachToTarget(created.at("targetId").get<std::string>());
    }

    Json evaluate(const std::string& session, const std::string& expression) {
        return devTools().call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}}, session);
    }

    static inline TestFolder* folder_ = nullptr;
    static inline ChromiumProcess* chromium_ = nullptr;
    static inline std::unique_ptr<std::string> launchError_ = std::make_unique<std::string>("not started");
};

TEST_F(ChromiumSession, EvaluatesInAnAttachedPage) {
    const std::string session = newPageSession();
    EXPECT_FALSE(session.empty());
    EXPECT_EQ(evaluate(session, "6*7")["result"]["value"], 42);
    // The browser itself has no Runtime domain: the session id is what routes the call.
    EXPECT_THROW(evaluate("", "6*7"), DevToolsError);
}

TEST_F(ChromiumSession, CommandLineCarriesTheProfileLanguageAndExtraArguments) {
    const Json switches = devTools().call("Browser.getBrowserCommandLine")["arguments"];
    const auto has = [&](const std::string& wanted) {
        for (const auto& argument : switches) {
            if (argument == wanted) return true;
        }
        return false;
    };
    // Chromium is a Linux program: the profile goes to it as a Linux path.
    const std::string profile = linuxPathOf(folder_->path() / L"profile");
    EXPECT_EQ(profile.front(), '/');
    EXPECT_TRUE(has("--user-data-dir=" + profile)) << switches.dump();
    for (const char* wanted : {"--headless=new", "--lang=sq", "--no-sandbox", "--remote-debugging-port=0",
                               "--enable-automation", "about:blank"}) {
        EXPECT_TRUE(has(wanted)) << wanted << " missing from " << switches.dump();
    }
    const std::string session = newPageSession();
    EXPECT_EQ(evaluate(session, "navigator.userAgent")["result"]["value"], "VeskoProbe/1.0");
}

TEST_F(ChromiumSession, NavigatesAndReportsTheLoad) {
    const std::string session = newPageSession();
    devTools().call("Page.enable", Json::object(), session);
    const Json navigated =
        devTools().call("Page.navigate", {{"url", "data:text/html,<title>Ballina</title>"}}, session);
    EXPECT_FALSE(navigated.contains("errorText")) << navigated.dump();
    EXPECT_TRUE(waitForEvent(devTools(), "Page.loadEventFired", session, 5s).has_value());
    EXPECT_EQ(evaluate(session, "document.title")["result"]["value"], "Ballina");
}

TEST_F(ChromiumSession, EventsThatArriveDuringACallAreKept) {
    const std::string session = newPageSession();
    devTools().call("Page.enable", Json::object(), session);
    devTools().takeEvents();
    devTools().call("Page.navigate", {{"url", "data:text/html,<p>one</p>"}}, session);
    // Waiting on a slow call lets the load's events pile up unread.
    devTools().call("Runtime.evaluate", {{"expression", "new Promise(r => setTimeout(r, 500))"}, {"awaitPromise", true}},
                    session);
    const auto events = devTools().takeEvents();
    std::optional<std::size_t> navigatedAt, loadedAt;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].sessionId != session) continue;
        if (events[i].method == "Page.frameNavigated" && !navigatedAt) navigatedAt = i;
        if (events[i].method == "Page.loadEventFired" && !loadedAt) loadedAt = i;
    }
    ASSERT_TRUE(navigatedAt && loadedAt);
    EXPECT_LT(*navigatedAt, *loadedAt);
}

TEST_F(ChromiumSession, UnknownMethodCarriesTheProtocolsMessage) {
    try {
        devTools().call("Vesko.noSuchMethod");
        ADD_FAILURE() << "no error";
    } catch (const DevToolsError& error) {
        EXPECT_EQ(error.method(), "Vesko.noSuchMethod");
        EXPECT_NE(error.protocolMessage().find("Vesko.noSuchMethod"), std::string::npos) << error.protocolMessage();
        EXPECT_NE(std::string(error.what()).find(error.protocolMessage()), std::string::npos);
    }
    // The connection stays usable after an error answer.
    EXPECT_TRUE(devTools().call("Browser.getVersion").contains("product"));
}

TEST(ChromiumProcessLifetime, BrowserCloseEndsItAndThePortRefuses) {
    TestFolder folder;
    const auto profile = folder.path() / L"profile";
    ChromiumProcess chromium({profile, "en-US", "--log-level=3", 20s});
    const std::uint16_t port = chromium.port();
    ASSERT_TRUE(loopbackPortAccepts(port));
    long browserId = 0;
    const Json processes = chromium.devTools().call("SystemInfo.getProcessInfo")["processInfo"];
    for (const auto& process : processes) {
        if (process["type"] == "browser") browserId = process["id"].get<long>();
    }
    ASSERT_NE(browserId, 0) << processes.dump();
    EXPECT_TRUE(linuxProcessRunning(browserId));

    chromium.close(10s);
    EXPECT_FALSE(loopbackPortAccepts(port));
    EXPECT_FALSE(linuxProcessRunning(browserId));
    // Nothing may still be writing the profile: it can be removed at once.
    const auto entries = [&] {
        std::size_t count = 0;
        for (auto it = std::filesystem::recursive_directory_iterator(profile); it != decltype(it)(); ++it) ++count;
        return count;
    };
    const std::size_t before = entries();
    Sleep(300);
    EXPECT_EQ(entries(), before);
    std::error_code removeError;
    std::filesystem::remove_all(profile, removeError);
    EXPECT_FALSE(removeError) << removeError.message();
}

TEST(ChromiumProcessLifetime, StartFailuresSayWhatWentWrong) {
    TestFolder folder;
    struct Case {
        const wchar_t* executable;
        const char* reason;
    };
    // /bin/true starts and ends without ever writing the port file.
    for (const Case& c : {Case{L"/nonexistent/chromium", "not found: /nonexistent/chromium"},
                          Case{L"/bin/true", "no DevToolsActivePort within 1500 ms"}}) {
        ScopedVariable executable(L"VESKO_STANDIN_CHROMIUM", c.executable);
        try {
            ChromiumProcess chromium({folder.path() / L"profile", "en-US", "--log-level=3", 1500ms});
            ADD_FAILURE() << "started";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
    }
}

TEST(ChromiumProcessLifetime, ABrowserThatMissesItsStartTimeIsEnded) {
    TestFolder folder;
    const auto profile = folder.path() / L"slow";
    const std::string profileArgument = "--user-data-dir=" + linuxPathOf(profile);
    try {
        // No browser writes its port file within a millisecond.
        ChromiumProcess chromium({profile, "en-US", "--log-level=3", 1ms});
        ADD_FAILURE() << "started";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("no DevToolsActivePort"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(linuxProcessesWithArgument(profileArgument).empty()) << "a browser on the profile still runs";
    // And the browser really got as far as its profile before it was ended, or there
    // was nothing to prove: a running Chromium with that argument would be counted.
    ChromiumProcess chromium({profile, "en-US", "--log-level=3", 20s});
    EXPECT_FALSE(linuxProcessesWithArgument(profileArgument).empty());
    chromium.close();
    EXPECT_TRUE(linuxProcessesWithArgument(profileArgument).empty());
}

TEST(ChromiumEndpointFile, OnlyACompleteFileNamesAnEndpoint) {
    const auto endpoint = parseDevToolsActivePort("40123\n/devtools/browser/9f1c\n");
    ASSERT_TRUE(endpoint.has_value());
    EXPECT_EQ(endpoint->port, 40123);
    EXPECT_EQ(endpoint->path, "/devtools/browser/9f1c");
    EXPECT_EQ(parseDevToolsActivePort("40123\r\n/devtools/browser/9f1c")->path, "/devtools/browser/9f1c");
    for (const char* incomplete : {"", "40123", "40123\n", "0\n/x", "65536\n/x", "40a23\n/x", "40123\nx", "-1\n/x"}) {
        EXPECT_FALSE(parseDevToolsActivePort(incomplete).has_value()) << incomplete;
    }
}

}  // namespace
}  // namespace vesko::standin
