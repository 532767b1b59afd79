// The loader's two entry points: the runtime's version, and the creation of an
// environment with every option read during the call and the engine's variables winning.
#include <algorithm>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "chromium/shared_chromium.h"
#include "resolver_rules.h"
#include "objects.h"
#include "process_failure.h"

namespace vesko::standin {
namespace {

// Dotted version texts compared part by part as numbers; a missing part counts as 0.
// Anything that is not digits and dots is older than every real version.
int compareVersions(std::wstring_view a, std::wstring_view b) {
    const auto parts = [](std::wstring_view text) {
        std::vector<long long> numbers;
        long long current = 0;
        bool any = false;
        for (const wchar_t c : text) {
            if (c == L'.') {
                numbers.push_back(any ? current : -1);
                current = 0;
                any = false;
            } else if (c >= L'0' && c <= L'9' && current < 100000000) {
                current = current * 10 + (c - L'0');
                any = true;
            } else {
                return std::vector<long long>{-1};
            }
        }
        numbers.push_back(any ? current : -1);
        return numbers;
    };
    const auto left = parts(a);
    const auto right = parts(b);
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const long long l = i < left.size() ? left[i] : 0;
        const long long r = i < right.size() ? right[i] : 0;
        if (l != r) return l < r ? -1 : 1;
    }
    return 0;
}

std::wstring environmentVariable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length);
    return value;
}

std::wstring readOption(ICoreWebView2EnvironmentOptions* options,
                        HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*getter)(LPWSTR*)) {
    LPWSTR raw = nullptr;
    if (options == nullptr || FAILED((options->*getter)(&raw))) return {};
    std::wstring value = raw != nullptr ? raw : L"";
    CoTaskMemFree(raw);
    return value;
}

// Starts (or joins) the browser the environment's options describe. The engine reports a
// browser that cannot start as a failed creation, and options that differ from those of
// a browser already running on the same folder as ERROR_INVALID_STATE.
HRESULT startChromium(EngineContext& context) {
    try {
        const std::wstring arguments = withoutSwitch(context.browserArguments, context.knobs.droppedSwitch);
        ChromiumLaunch launch = chromiumLaunchFor(context.userDataFolder, context.language,
                                                  withoutSwitch(arguments, kResolverRulesSwitch));
        launch.standInArguments = standInChromiumArguments(currentSettings().hostResolverRules,
                                                           switchValue(arguments, kResolverRulesSwitch).value_or(L""),
                                                           currentSettings().trustedKeys);
        context.chromium = sharedChromium(launch);
        context.pump = std::make_shared<DevToolsPump>(context.chromium->port(), context.chromium->browserPath());
        if (const long id = context.chromium->browserProcessId(); id > 0) context.browserProcessId = static_cast<UINT32>(id);
        record("environment", "ChromiumStarted", std::to_string(context.chromium->port()));
        return S_OK;
    } catch (const ChromiumOptionsMismatch& e) {
        record("environment", "ChromiumRefused", e.what());
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    } catch (const std::exception& e) {
        record("environment", "ChromiumFailed", e.what());
        return E_FAIL;
    }
}

// Creations waiting for releaseHeldCreations; only ever touched on the UI thread.
std::vector<std::pair<std::shared_ptr<Dispatcher>, std::function<void()>>>& heldCreations() {
    static std::vector<std::pair<std::shared_ptr<Dispatcher>, std::function<void()>>> held;
    return held;
}

// A runtime lives in the folder the host or WEBVIEW2_BROWSER_EXECUTABLE_FOLDER names, or
// is the installed one. The stand-in is only ever "installed": a named folder holds none.
bool runtimeAvailable(PCWSTR browserExecutableFolder, const Knobs& knobs) {
    if (knobs.runtimeMissing) return false;
    if (browserExecutableFolder != nullptr && browserExecutableFolder[0] != L'\0') return false;
    return environmentVariable(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER").empty();
}

std::wstring runtimeVersion(const Knobs& knobs) {
    return knobs.version.empty() ? std::wstring(kStandInVersion) : knobs.version;
}

}  // namespace

HRESULT getAvailableBrowserVersionString(PCWSTR browserExecutableFolder, LPWSTR* versionInfo) {
    const Settings settings = currentSettings();
    record("loader", "GetAvailableCoreWebView2BrowserVersionString",
           browserExecutableFolder != nullptr ? toUtf8(browserExecutableFolder) : "");
    if (versionInfo == nullptr) return E_POINTER;
    *versionInfo = nullptr;
    if (!runtimeAvailable(browserExecutableFolder, settings.knobs)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (settings.knobs.versionWithoutText) return S_OK;
    return copyToTaskMemory(runtimeVersion(settings.knobs), versionInfo);
}

HRESULT createEnvironmentWithOptions(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                     ICoreWebView2EnvironmentOptions* options,
                                     ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    const Settings settings = currentSettings();
    record("loader", "CreateCoreWebView2EnvironmentWithOptions",
           toUtf8(userDataFolder != nullptr ? userDataFolder : L""));
    if (handler == nullptr) return E_POINTER;
    if (FAILED(settings.knobs.creationRefused)) return settings.knobs.creationRefused;
    if (!runtimeAvailable(browserExecutableFolder, settings.knobs)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

    // Every option is read now, through the interface, like the real engine does; the
    // host may release the options object as soon as this call returns.
    auto context = std::make_shared<EngineContext>();
    context->knobs = settings.knobs;
    context->backendKind = settings.backend;
    context->version = runtimeVersion(settings.knobs);
    context->browserArguments = readOption(options, &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments);
    context->language = readOption(options, &ICoreWebView2EnvironmentOptions::get_Language);
    const std::wstring target = readOption(options, &ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion);
    BOOL singleSignOn = FALSE;
    if (options != nullptr) options->get_AllowSingleSignOnUsingOSPrimaryAccount(&singleSignOn);
    if (!target.empty() && compareVersions(context->version, target) < 0) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

    // The engine's own variables win over the host's choices, as with the real engine.
    const std::wstring argumentsVariable = environmentVariable(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS");
    if (!argumentsVariable.empty()) context->browserArguments = argumentsVariable;
    const std::wstring folderVariable = environmentVariable(L"WEBVIEW2_USER_DATA_FOLDER");
    context->userDataFolder = !folderVariable.empty() ? folderVariable
                              : userDataFolder != nullptr ? std::wstring(userDataFolder)
                                                          : std::wstring();
    context->backend = makeSiteFolderBackend(settings.siteFolder);

    nlohmann::ordered_json state;
    state["userDataFolder"] = toUtf8(context->userDataFolder);
    state["additionalBrowserArguments"] = toUtf8(context->browserArguments);
    state["language"] = toUtf8(context->language);
    state["targetCompatibleBrowserVersion"] = toUtf8(target);
    state["allowSingleSignOnUsingOSPrimaryAccount"] = singleSignOn != FALSE;
    state["runtimeVersion"] = toUtf8(context->version);
    nlohmann::ordered_json variables = nlohmann::ordered_json::object();
    for (const wchar_t* name : {L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                                L"WEBVIEW2_USER_DATA_FOLDER", L"WEBVIEW2_PIPE_FOR_SCRIPT_DEBUGGER",
                                L"WEBVIEW2_WAIT_FOR_SCRIPT_DEBUGGER", L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"}) {
        const std::wstring value = environmentVariable(name);
        if (!value.empty()) variables[toUtf8(name)] = toUtf8(value);
    }
    state["environmentVariables"] = variables;

    // A restart after the browser's exit that fails as well: the first creation works.
    if (++environmentCreations() > 1 && FAILED(settings.knobs.recreationFailed)) {
        context->knobs.creationFailed = settings.knobs.recreationFailed;
    }
    // The site backend's pages run in this process; Chromium's browser reports its own.
    context->browserProcessId = GetCurrentProcessId();
    context->dispatcher = Dispatcher::forCurrentThread();
    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> completion(handler);
    auto complete = [context, completion, state, pending = holdCompletion()]() {
        HRESULT result = context->knobs.creationFailed;
        if (SUCCEEDED(result)) {
            // The engine keeps its profile data in the folder: it must exist and be writable.
            std::error_code error;
            const std::filesystem::path folder(context->userDataFolder);
            std::filesystem::create_directories(folder, error);
            std::ofstream out(folder / L"standin-environment.json", std::ios::binary | std::ios::trunc);
            out << state.dump(2) << "\n";
            if (context->userDataFolder.empty() || error || !out) result = E_ACCESSDENIED;
        }
        if (SUCCEEDED(result) && context->backendKind == BackendKind::chromium) result = startChromium(*context);
        if (FAILED(result) || context->knobs.completionWithoutEnvironment) {
            completion->Invoke(result, nullptr);
            return;
        }
        if (context->pump) {
            // The browser went without being asked to (killed, crashed): every view hears it.
            context->pump->onConnectionEnded([weak = std::weak_ptr<EngineContext>(context)](const std::string& reason) {
                const auto lost = weak.lock();
                if (!lost) return;
                record("environment", "BrowserConnectionLost", reason);
                browserProcessGone(*lost, COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED);
            });
        }
        const auto environment = makeEnvironment(context);
        completion->Invoke(S_OK, environment.Get());
    };
    if (settings.knobs.holdCreation) {
        record("loader", "HoldCreation", "");
        heldCreations().push_back({context->dispatcher, std::move(complete)});
    } else {
        context->dispatcher->post(std::move(complete));
    }
    return S_OK;
}

int releaseHeldCreations() {
    auto held = std::move(heldCreations());
    heldCreations().clear();
    for (auto& [dispatcher, complete] : held) dispatcher->post(std::move(complete));
    return static_cast<int>(held.size());
}

}  // namespace vesko::standin
