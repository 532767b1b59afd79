// BrowserApp::startEngine and the environment's completion against copies of the
// stand-in loader in test folders; the file holding and hashing that protect the loader;
// and the COM objects the program hands to the engine.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/files.h"
#include "base/resource_counts.h"
#include "engine/engine_switches.h"
#include "engine/held_file_win.h"
#include "engine/loader_digest.h"
#include "engine/sha256_win.h"
#include "engine/standin_loader_sha256.h"
#include "win_test_support.h"

namespace vesko {
namespace {

std::filesystem::path standInLoader() {
    return exeDirectory() / L"WebView2Loader.dll";
}

std::string digestOf(const std::vector<std::uint8_t>& bytes) {
    return toHexLower(sha256(bytes));
}

// Sets an environment variable for the life of the object, then restores the old state.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
        std::wstring buffer(32768, L'\0');
        const DWORD length = GetEnvironmentVariableW(name, buffer.data(), 32768);
        if (length > 0) previous_ = buffer.substr(0, length);
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr); }

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

// The program's executable as a data module: its resources hold the built asset pack.
HINSTANCE programResources() {
    static const HMODULE module = LoadLibraryExW((exeDirectory() / VESKO_EXE_NAME).c_str(), nullptr,
                                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

// One start-up under test: its own loader folder and data folder.
struct StartFixture {
    TestFolder folder;
    std::filesystem::path loaderFolder = folder.path / L"program";
    HostWindow host;
    BrowserApp app{programResources()};
    BrowserAppTestAccess inside{app};
    ScopedVariable knobs{L"VESKO_STANDIN_KNOBS", nullptr};

    StartFixture() {
        inside.window().window = host.window;
        std::filesystem::create_directories(loaderFolder);
        std::filesystem::copy_file(standInLoader(), loaderPath());
        inside.engineSources().loaderFolder = [this] { return loaderFolder; };
        inside.engineSources().dataFolder = [this] { return folder.path / L"data"; };
        inside.engineSources().pinnedLoaderSha256 = std::string(generated::kStandInLoaderSha256);
    }
    std::filesystem::path loaderPath() const { return loaderFolder / L"WebView2Loader.dll"; }
    bool loaderIsLoaded() const { return GetModuleHandleW(loaderPath().c_str()) != nullptr; }
    nlohmann::json seenByTheEngine() const {
        return nlohmann::json::parse(readText(folder.path / L"data/UserData/standin-environment.json"));
    }
};

TEST(EngineStart, ClearsTheEngineVariablesAndBecomesReadyFromTheLoop) {
    StartFixture f;
    const wchar_t* const kVariables[] = {
        L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
        L"WEBVIEW2_USER_DATA_FOLDER",             L"WEBVIEW2_PIPE_FOR_SCRIPT_DEBUGGER",
        L"WEBVIEW2_WAIT_FOR_SCRIPT_DEBUGGER",     L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE",
    };
    std::vector<std::unique_ptr<ScopedVariable>> set;
    for (const wchar_t* name : kVariables) set.push_back(std::make_unique<ScopedVariable>(name, L"C:\\elsewhere"));
    f.app.startEngine();
    for (const wchar_t* name : kVariables) {
        EXPECT_EQ(GetEnvironmentVariableW(name, nullptr, 0), 0u) << toUtf8(name);
    }
    // Nothing is delivered inside the call.
    EXPECT_TRUE(f.inside.engine().starting());
    EXPECT_FALSE(f.inside.engine().environment());
    EXPECT_EQ(f.inside.runtimeVersion(), L"120.0.2210.91");

    ASSERT_TRUE(pumpUntil([&] { return !f.inside.engine().starting(); }));
    EXPECT_TRUE(f.app.engineReady());
    EXPECT_TRUE(f.inside.engine().environment10());
    // The first tab follows from the same loop.
    ASSERT_EQ(f.app.tabs().size(), 1u);
    EXPECT_EQ(f.app.tabs()[0]->url, kPortal);
    EXPECT_TRUE(pumpUntil([&] { return f.app.tabs()[0]->filterInstalled(); }));

    const auto seen = f.seenByTheEngine();
    EXPECT_TRUE(std::filesystem::equivalent(toWide(seen["userDataFolder"].get<std::string>()),
                                            f.folder.path / L"data/UserData"));
    EXPECT_EQ(seen["additionalBrowserArguments"], engineSwitches());
    EXPECT_EQ(seen["language"], "sq-AL");
    EXPECT_EQ(seen["targetCompatibleBrowserVersion"], "120.0.0.0");
    EXPECT_EQ(seen["allowSingleSignOnUsingOSPrimaryAccount"], false);
    EXPECT_TRUE(seen["environmentVariables"].empty());
}

TEST(EngineStart, ATabRemovesEveryRegistrationItMadeWhenItGoes) {
    const auto count = [](HeldKind kind) { return heldCounts()[static_cast<std::size_t>(kind)]; };
    const std::int64_t registrations = count(HeldKind::engineRegistrations);
    const std::int64_t tabs = count(HeldKind::liveTabs);
    {
        StartFixture f;
        f.app.startEngine();
        ASSERT_TRUE(pumpUntil([&] { return f.app.tabs().size() == 1 && f.app.tabs()[0]->filterInstalled(); }));
        EXPECT_EQ(count(HeldKind::liveTabs), tabs + 1);
        EXPECT_GT(count(HeldKind::engineRegistrations), registrations + 10);
    }
    EXPECT_EQ(count(HeldKind::liveTabs), tabs);
    EXPECT_EQ(count(HeldKind::engineRegistrations), registrations);
}

TEST(EngineStart, FailuresBeforeTheEngineRuns) {
    struct Case {
        const char* name;
        std::function<void(StartFixture&)> arrange;
        std::string expected;
        bool loaderLoaded;
    };
    const auto pinFile = [](StartFixture& f, const std::string& bytes) {
        writeText(f.loaderPath(), bytes);
        f.inside.engineSources().pinnedLoaderSha256 = digestOf(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    };
    const auto knobs = [](const wchar_t* value) {
        return [value](StartFixture&) { SetEnvironmentVariableW(L"VESKO_STANDIN_KNOBS", value); };
    };
    const Case cases[] = {
        {"missing loader", [](StartFixture& f) { std::filesystem::remove(f.loaderPath()); }, "FILE_NOT_FOUND", false},
        {"one changed byte",
         [](StartFixture& f) {
             std::string bytes = readText(f.loaderPath());
             bytes[bytes.size() / 2] ^= 0x01;
             writeText(f.loaderPath(), bytes);
         },
         "WEBVIEW_LOADER_CHANGED", false},
        // Read whole up to 4 MiB and hashed; beyond that not even read.
        {"one byte more than 4 MiB", [&](StartFixture& f) { pinFile(f, std::string(4194305, 'Z')); }, "FILE_TOO_LARGE",
         false},
        {"a module without the exports",
         [&](StartFixture& f) { pinFile(f, readText(exeDirectory() / L"exe_directory_probe.exe")); },
         "WEBVIEW_LOADER_INVALID", true},
        {"no runtime", knobs(L"no-runtime"), "WEBVIEW_RUNTIME_MISSING", true},
        {"creation refused", knobs(L"refuse-creation=0x80070005"), "WEBVIEW_ENVIRONMENT_FAILED 0x80070005", true},
        {"no asset pack", [](StartFixture& f) { f.inside.window().instance = GetModuleHandleW(nullptr); }, "ASSET_RESOURCE_MISSING",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartFixture f;
        c.arrange(f);
        EXPECT_EQ(errorOf([&] { f.app.startEngine(); }), c.expected);
        EXPECT_FALSE(f.inside.engine().starting());
        EXPECT_FALSE(f.app.engineReady());
        EXPECT_EQ(f.loaderIsLoaded(), c.loaderLoaded);
    }
}

TEST(EngineStart, FailuresReportedByTheCompletion) {
    struct Case {
        const wchar_t* knobs;
        std::wstring status;
        bool environmentKept;
    };
    const Case cases[] = {
        {L"fail-creation=0x80004005", L"Motori WebView2 nuk u nis: 0x80004005", false},
        {L"no-environment", L"Motori WebView2 nuk u nis: 0x0", false},
        {L"environment-version=9",
         L"P\u00EBrdit\u00EBso Microsoft Edge WebView2 Runtime. K\u00EBrkohet mb\u00EBshtetja e profileve.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.knobs));
        StartFixture f;
        SetEnvironmentVariableW(L"VESKO_STANDIN_KNOBS", c.knobs);
        f.app.startEngine();
        ASSERT_TRUE(pumpUntil([&] { return !f.inside.engine().starting(); }));
        EXPECT_EQ(f.app.statusText(), c.status);
        EXPECT_EQ(f.inside.statusExpiresAt(), 0);  // shown until replaced
        EXPECT_FALSE(f.app.engineReady());
        EXPECT_EQ(static_cast<bool>(f.inside.engine().environment()), c.environmentKept);
        EXPECT_TRUE(f.app.tabs().empty());
    }
}

TEST(EngineStart, RunsAgainAfterAFailureAndWithoutAVersionText) {
    StartFixture f;
    SetEnvironmentVariableW(L"VESKO_STANDIN_KNOBS", L"no-runtime");
    EXPECT_EQ(errorOf([&] { f.app.startEngine(); }), "WEBVIEW_RUNTIME_MISSING");
    SetEnvironmentVariableW(L"VESKO_STANDIN_KNOBS", L"no-version-text");
    f.inside.runtimeVersion() = L"stale";
    f.app.startEngine();
    EXPECT_EQ(f.inside.runtimeVersion(), L"");
    ASSERT_TRUE(pumpUntil([&] { return !f.inside.engine().starting(); }));
    EXPECT_TRUE(f.app.engineReady());
}

// The program as built: the loader beside the executable and the compiled-in pin.
TEST(EngineStart, BuildPinsTheLoaderItShipsBesideTheProgram) {
    if (config::kPinnedLoaderSha256 != generated::kStandInLoaderSha256) GTEST_SKIP() << "another loader is pinned";
    TestFolder folder;
    BrowserApp app(programResources());
    BrowserAppTestAccess inside(app);
    inside.engineSources().dataFolder = [&] { return folder.path / L"data"; };
    app.startEngine();
    ASSERT_TRUE(pumpUntil([&] { return !inside.engine().starting(); }));
    EXPECT_TRUE(app.engineReady());
}

TEST(Sha256, KnownDigests) {
    const std::string abc = "abc";
    EXPECT_EQ(digestOf({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf(std::vector<std::uint8_t>(abc.begin(), abc.end())),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(digestOf(std::vector<std::uint8_t>(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// The loader stays as it was read from the check through the load.
TEST(HeldFile, NothingCanChangeTheFileWhileItIsHeld) {
    TestFolder folder;
    const auto path = folder.path / L"WebView2Loader.dll";
    std::filesystem::copy_file(standInLoader(), path);
    const auto original = readBytes(path);
    {
        const HeldFile held(path);
        EXPECT_EQ(held.readAll(4194304), original);
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        writeText(folder.path / L"other.dll", "MZ");
        EXPECT_FALSE(MoveFileExW((folder.path / L"other.dll").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_FALSE(DeleteFileW(path.c_str()));
        EXPECT_EQ(readBytes(path), original);  // reading alongside stays possible
        // And the holding does not keep the system loader out.
        const HMODULE module =
            LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
        EXPECT_NE(module, nullptr);
    }
    EXPECT_EQ(readBytes(path), original);
}

TEST(HeldFile, ErrorCodes) {
    TestFolder folder;
    EXPECT_EQ(errorOf([&] { HeldFile(folder.path / L"absent.dll"); }), "FILE_NOT_FOUND");
    EXPECT_EQ(errorOf([&] { HeldFile{folder.path}; }), "FILE_READ_FAILED");
    const auto busy = folder.path / L"busy.dll";
    writeText(busy, "abc");
    // A file someone is writing cannot be held, so it is never checked half-written.
    HANDLE writer = CreateFileW(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(errorOf([&] { HeldFile{busy}; }), "FILE_READ_FAILED");
    CloseHandle(writer);
    EXPECT_EQ(errorOf([&] { HeldFile{busy}.readAll(2); }), "FILE_TOO_LARGE");
    EXPECT_EQ(HeldFile{busy}.readAll(3).size(), 3u);
}

// Counts its live copies, so a test sees when the adapter destroys its callable.
struct LifeProbe {
    explicit LifeProbe(std::shared_ptr<int> counter) : counter_(std::move(counter)) { ++*counter_; }
    LifeProbe(const LifeProbe& other) : counter_(other.counter_) { ++*counter_; }
    ~LifeProbe() { --*counter_; }
    std::shared_ptr<int> counter_;
};

TEST(ComCallback, InterfacesArgumentsFailuresAndLastRelease) {
    auto live = std::make_shared<int>(0);
    std::wstring seen;
    auto handler = makeCallback<ExecuteScriptCompletedCallback>(
        [&seen, probe = LifeProbe(live)](HRESULT result, LPCWSTR text) -> HRESULT {
            if (FAILED(result)) throw std::runtime_error("VIEW_FAILED");
            seen = text;
            return S_FALSE;
        });
    EXPECT_EQ(handler->Invoke(S_OK, L"{\"a\":1}"), S_FALSE);
    EXPECT_EQ(seen, L"{\"a\":1}");
    EXPECT_EQ(handler->Invoke(E_ACCESSDENIED, L""), E_FAIL);  // nothing escapes into the engine
    EXPECT_EQ(makeCallback<ScriptAddedCallback>(ScriptAddedCallback::Callable())->Invoke(S_OK, L"id"), E_FAIL);

    void* out = nullptr;
    EXPECT_EQ(handler->QueryInterface(IID_ICoreWebView2ExecuteScriptCompletedHandler, &out), S_OK);
    static_cast<IUnknown*>(out)->Release();
    out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(handler->QueryInterface(IID_ICoreWebView2DocumentTitleChangedEventHandler, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(handler->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    IUnknown* raw = handler.Detach();
    EXPECT_EQ(raw->AddRef(), 2u);
    EXPECT_EQ(raw->Release(), 1u);
    EXPECT_GE(*live, 1);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_EQ(*live, 0);
}

TEST(EnvironmentOptions, SlotsKeepCopiesAndRefuseNullOutputs) {
    const auto options = createEnvironmentOptions();
    wchar_t buffer[] = L"sh\u00EBnim";
    EXPECT_EQ(options->put_Language(buffer), S_OK);
    buffer[0] = L'X';
    LPWSTR raw = nullptr;
    EXPECT_EQ(options->get_Language(&raw), S_OK);
    EXPECT_EQ(takeText(raw), L"sh\u00EBnim");
    EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(nullptr), E_POINTER);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2ControllerOptions, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace vesko
