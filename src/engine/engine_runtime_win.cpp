// Bringing the engine up: a verified loader, the runtime's version and the environment.
#include "engine/engine_runtime_win.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "base/files.h"
#include "base/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/engine_settings.h"
#include "engine/engine_process_interface_win.h"
#include "engine/environment_options_win.h"
#include "engine/process_failures_win.h"
#include "engine/held_file_win.h"
#include "engine/hresult_text.h"
#include "engine/hresult_win.h"
#include "engine/loader_digest.h"
#include "engine/sha256_win.h"
#include "policy/compiled_config.h"

namespace vesko {
namespace {

void removeEngineEnvironmentVariables() {
    for (const std::string_view name : kEngineEnvironmentVariables) {
        SetEnvironmentVariableW(toWide(name).c_str(), nullptr);
    }
}

// Reads and checks the loader while holding it against change, and loads it before
// letting go, so the bytes that were hashed are the bytes that get mapped.
HMODULE loadVerifiedLoader(const std::filesystem::path& path, const std::string& pinnedSha256) {
    const HeldFile held(path);
    {
        const std::vector<std::uint8_t> content = held.readAll(kLoaderReadLimit);
        if (!matchesPinnedDigest(toHexLower(sha256(content)), pinnedSha256)) {
            throw std::runtime_error("WEBVIEW_LOADER_CHANGED");
        }
    }
    const HMODULE module =
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) throw std::runtime_error("WEBVIEW_LOADER_MISSING");
    return module;
}

}  // namespace

EngineRuntime::EngineRuntime() {
    sources_.loaderFolder = [] { return exeDirectory(); };
    sources_.dataFolder = [] { return dataDirectory(); };
    sources_.pinnedLoaderSha256 = std::string(config::kPinnedLoaderSha256);
}

void EngineRuntime::start(std::function<HRESULT(HRESULT, ICoreWebView2Environment*)> created) {
    starting_ = true;
    try {
        removeEngineEnvironmentVariables();

        const std::filesystem::path loaderPath = sources_.loaderFolder() / toWide(kLoaderFileName);
        loaderModule_.reset(loadVerifiedLoader(loaderPath, sources_.pinnedLoaderSha256));

        const auto getVersion = reinterpret_cast<GetAvailableCoreWebView2BrowserVersionStringFunction>(
            reinterpret_cast<void*>(GetProcAddress(loaderModule_.get(), kBrowserVersionExport)));
        const auto createEnvironment = reinterpret_cast<CreateCoreWebView2EnvironmentWithOptionsFunction>(
            reinterpret_cast<void*>(GetProcAddress(loaderModule_.get(), kCreateEnvironmentExport)));
        if (getVersion == nullptr || createEnvironment == nullptr) throw std::runtime_error("WEBVIEW_LOADER_INVALID");

        wchar_t* rawVersion = nullptr;
        const HRESULT versionResult = getVersion(nullptr, &rawVersion);
        const TaskMemText version(rawVersion);
        if (FAILED(versionResult)) throw std::runtime_error("WEBVIEW_RUNTIME_MISSING");
        runtimeVersion_ = version ? std::wstring(version.get()) : std::wstring();

        userDataFolder_ = sources_.dataFolder() / toWide(kUserDataFolderName);
        std::filesystem::create_directories(userDataFolder_);
        createEnvironment_ = createEnvironment;
        recreate(std::move(created));
    } catch (...) {
        starting_ = false;
        throw;
    }
}

std::optional<std::wstring> EngineRuntime::adopt(HRESULT result, ICoreWebView2Environment* environment) {
    if (FAILED(result) || environment == nullptr) return toWide(kEngineFailedStatus) + formatHresult(result);
    stopWatchingBrowserExit();
    environment_ = environment;
    watchBrowserExit();
    environment10_.Reset();
    if (FAILED(queryEngineInterface(environment, environment10_)) || !environment10_) {
        environment10_.Reset();
        return toWide(kEngineTooOldStatus);
    }
    ready_ = true;
    return std::nullopt;
}

void EngineRuntime::recreate(std::function<HRESULT(HRESULT, ICoreWebView2Environment*)> created) {
    ready_ = false;
    stopWatchingBrowserExit();
    environment10_.Reset();
    environment_.Reset();
    starting_ = true;
    const auto options = createEnvironmentOptions();
    const auto handler = makeCallback<EnvironmentCompletedCallback>(
        [this, created = std::move(created)](HRESULT result, ICoreWebView2Environment* environment) {
            starting_ = false;
            return created(result, environment);
        });
    const HRESULT asked = createEnvironment_(nullptr, userDataFolder_.c_str(), options.Get(), handler.Get());
    if (FAILED(asked)) starting_ = false;
    ThrowIfFailed(asked, "WEBVIEW_ENVIRONMENT_FAILED");
}

void EngineRuntime::watchBrowserExit() {
    browserExited_ = false;
    Microsoft::WRL::ComPtr<ICoreWebView2Environment5> environment5;
    if (FAILED(queryEngineInterface(environment_.Get(), environment5)) || !environment5) return;
    const auto handler = makeCallback<BrowserProcessExitedCallback>(
        [this](ICoreWebView2Environment*, ICoreWebView2BrowserProcessExitedEventArgs* args) {
            COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind = COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED;
            if (args == nullptr || FAILED(args->get_BrowserProcessExitKind(&kind))) {
                kind = COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED;
            }
            browserExited_ = true;
            if (onBrowserExit_) onBrowserExit_(kind == COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
            return S_OK;
        });
    EventRegistrationToken token{};
    if (SUCCEEDED(environment5->add_BrowserProcessExited(handler.Get(), &token))) exitToken_ = token;
}

void EngineRuntime::stopWatchingBrowserExit() {
    if (!exitToken_) return;
    Microsoft::WRL::ComPtr<ICoreWebView2Environment5> environment5;
    if (SUCCEEDED(queryEngineInterface(environment_.Get(), environment5)) && environment5) {
        environment5->remove_BrowserProcessExited(*exitToken_);
    }
    exitToken_.reset();
}

void EngineRuntime::release() {
    ready_ = false;
    // The handler reaches this object: it goes before the environment can raise it again.
    stopWatchingBrowserExit();
    environment10_.Reset();
    environment_.Reset();
    loaderModule_.reset();
}

}  // namespace vesko
