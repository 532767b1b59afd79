// The Chromium backend's browser process as environments see it: their options become
// its command line, environments on one folder share it, other options on that folder
// are refused, and it ends with the last reference.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "chromium/chromium_process.h"
#include "chromium/websocket_client.h"
#include "chromium/wine_paths.h"
#include "engine/com_callback_win.h"
#include "engine/environment_options_win.h"
#include "engine_test_support_win.h"
#include "standin.h"
#include "test_folder_win.h"

namespace vesko::standin {
namespace {

using Microsoft::WRL::ComPtr;

// The portal's two switches, plus what lets the test read the command line back and
// keeps Chromium's own logging quiet.
constexpr wchar_t kArguments[] =
    L"--disable-web-security --allow-running-insecure-content --enable-automation --log-level=3";

struct Creation {
    HRESULT result = E_PENDING;
    ComPtr<ICoreWebView2Environment> environment;
};

Creation createEnvironment(const std::filesystem::path& userData, const wchar_t* arguments) {
    const auto options = createEnvironmentOptions();
    options->put_AdditionalBrowserArguments(arguments);
    auto creation = std::make_shared<Creation>();
    const auto done = makeCallback<EnvironmentCompletedCallback>([creation](HRESULT result, ICoreWebView2Environment* e) {
        creation->result = result;
        creation->environment = e;
        return S_OK;
    });
    const HRESULT started = createEnvironmentWithOptions(nullptr, userData.c_str(), options.Get(), done.Get());
    if (FAILED(started)) return {started, nullptr};
    pumpUntil([&] { return creation->result != E_PENDING; }, 30000);
    return *creation;
}

class ChromiumEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        Settings settings;
        settings.backend = BackendKind::chromium;
        configure(settings);
    }
    void TearDown() override { configure({}); }
    TestFolder folder;
};

TEST_F(ChromiumEnvironment, OptionsBecomeTheCommandLineAndTheLastReferenceEndsTheBrowser) {
    const auto userData = folder.path() / L"UserData";
    Creation first = createEnvironment(userData, kArguments);
    ASSERT_EQ(first.result, S_OK);
    auto browser = chromiumOf(first.environment.Get());
    ASSERT_NE(browser, nullptr);
    const std::uint16_t port = browser->port();

    const auto switches = browser->devTools().call("Browser.getBrowserCommandLine")["arguments"];
    const auto has = [&](const std::string& wanted) {
        for (const auto& argument : switches) {
            if (argument == wanted) return true;
        }
        return false;
    };
    for (const std::string wanted : {"--user-data-dir=" + linuxPathOf(userData / L"ChromiumProfile"),
                                     std::string("--lang=sq-AL"), std::string("--disable-web-security"),
                                     std::string("--allow-running-insecure-content")}) {
        EXPECT_TRUE(has(wanted)) << wanted << " missing from " << switches.dump();
    }

    // A second environment on the same folder with the same options joins the browser;
    // other options there are refused, as the engine refuses them.
    Creation second = createEnvironment(userData, kArguments);
    ASSERT_EQ(second.result, S_OK);
    EXPECT_EQ(chromiumOf(second.environment.Get()), browser);
    Creation other = createEnvironment(userData, L"--disable-web-security --enable-automation --log-level=3");
    EXPECT_EQ(other.result, HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    EXPECT_EQ(other.environment, nullptr);

    first.environment.Reset();
    EXPECT_TRUE(loopbackPortAccepts(port)) << "one environment still holds the browser";
    second.environment.Reset();
    EXPECT_TRUE(loopbackPortAccepts(port)) << "the test's own reference still holds it";
    const std::weak_ptr<ChromiumProcess> watched = browser;
    browser.reset();
    EXPECT_TRUE(watched.expired());
    EXPECT_FALSE(loopbackPortAccepts(port)) << "the browser ended with the last reference";
}

TEST_F(ChromiumEnvironment, ABrowserThatCannotStartFailsTheCreation) {
    SetEnvironmentVariableW(L"VESKO_STANDIN_CHROMIUM", L"/nonexistent/chromium");
    const Creation creation = createEnvironment(folder.path() / L"UserData", kArguments);
    SetEnvironmentVariableW(L"VESKO_STANDIN_CHROMIUM", nullptr);
    EXPECT_EQ(creation.result, E_FAIL);
    EXPECT_EQ(creation.environment, nullptr);
}

TEST(StandInBackend, NamesAndTheSiteFolderDefault) {
    EXPECT_EQ(parseBackendKind(L""), BackendKind::siteFolder);
    EXPECT_EQ(parseBackendKind(L"site"), BackendKind::siteFolder);
    EXPECT_EQ(parseBackendKind(L"chromium"), BackendKind::chromium);
    for (const wchar_t* bad : {L"Chromium", L"chrome", L" chromium", L"site,chromium"}) {
        EXPECT_FALSE(parseBackendKind(bad)) << testing::PrintToString(std::wstring(bad));
    }
    // Environments of the site-folder backend run on no browser.
    TestFolder folder;
    configure({});
    const Creation creation = createEnvironment(folder.path() / L"UserData", kArguments);
    ASSERT_EQ(creation.result, S_OK);
    EXPECT_EQ(chromiumOf(creation.environment.Get()), nullptr);
}

}  // namespace
}  // namespace vesko::standin
