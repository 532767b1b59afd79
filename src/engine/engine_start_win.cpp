// Bringing the engine up: the asset pack, a verified loader, the runtime's version and
// the environment, whose completion makes the browser ready and asks for the first tab.
#include <windows.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/scoped_handles_win.h"
#include "base/wide_text_win.h"
#include "assets/asset_pack.h"
#include "assets/asset_resource_win.h"
#include "engine/com_callback_win.h"
#include "engine/engine_settings.h"
#include "engine/environment_options_win.h"
#include "engine/held_file_win.h"
#include "engine/hresult_win.h"
#include "engine/loader_digest.h"
#include "engine/sha256_win.h"
#include "policy/portal_policy.h"
#include "ui/browser_app.h"

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

void BrowserApp::startEngine() {
    engineStarting = true;
    try {
        assetPack = parseAssetPack(loadAssetResource(instance));
        removeEngineEnvironmentVariables();

        const std::filesystem::path loaderPath = engineSources.loaderFolder() / toWide(kLoaderFileName);
        loaderModule.reset(loadVerifiedLoader(loaderPath, engineSources.pinnedLoaderSha256));

        const auto getVersion = reinterpret_cast<GetAvailableCoreWebView2BrowserVersionStringFunction>(
            reinterpret_cast<void*>(GetProcAddress(loaderModule.get(), kBrowserVersionExport)));
        const auto createEnvironment = reinterpret_cast<CreateCoreWebView2EnvironmentWithOptionsFunction>(
            reinterpret_cast<void*>(GetProcAddress(loaderModule.get(), kCreateEnvironmentExport)));
        if (getVersion == nullptr || createEnvironment == nullptr) throw std::runtime_error("WEBVIEW_LOADER_INVALID");

        wchar_t* rawVersion = nullptr;
        const HRESULT versionResult = getVersion(nullptr, &rawVersion);
        const TaskMemText version(rawVersion);
        if (FAILED(versionResult)) throw std::runtime_error("WEBVIEW_RUNTIME_MISSING");
        runtimeVersion = version ? std::wstring(version.get()) : std::wstring();

        const std::filesystem::path userDataFolder = engineSources.dataFolder() / toWide(kUserDataFolderName);
        std::filesystem::create_directories(userDataFolder);

        const auto options = createEnvironmentOptions();
        BrowserApp* const app = this;
        const auto handler = makeCallback<EnvironmentCompletedCallback>(
            [app](HRESULT result, ICoreWebView2Environment* created) { return app->onEnvironmentCreated(result, created); });
        ThrowIfFailed(createEnvironment(nullptr, userDataFolder.c_str(), options.Get(), handler.Get()),
                      "WEBVIEW_ENVIRONMENT_FAILED");
    } catch (...) {
        engineStarting = false;
        throw;
    }
}

HRESULT BrowserApp::onEnvironmentCreated(HRESULT result, ICoreWebView2Environment* createdEnvironment) {
    engineStarting = false;
    if (FAILED(result) || createdEnvironment == nullptr) {
        setStatus(toWide(kEngineFailedStatus) + formatHresult(result), 0);
        return S_OK;
    }
    environment = createdEnvironment;
    environment10.Reset();
    if (FAILED(queryEngineInterface(createdEnvironment, environment10)) || !environment10) {
        environment10.Reset();
        setStatus(toWide(kEngineTooOldStatus), 0);
        return S_OK;
    }
    engineReady = true;
    layoutChildren();
    openTab(toWide(PortalPolicy::portalStartUrl()), nullptr, nullptr, false);
    return S_OK;
}

}  // namespace vesko
