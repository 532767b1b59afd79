// WebView2Loader.dll of the stand-in: the loader's two exports, with the stand-in's
// settings read from the environment at every call (the host removes only the engine's
// own WEBVIEW2_* variables):
//   VESKO_STANDIN_KNOBS  a knob list (see parseKnobs); malformed: every call fails
//   VESKO_STANDIN_SITE   the site folder, one subfolder per host name
//   VESKO_STANDIN_CONTROL_PORT  a port on 127.0.0.1 for the control channel; unset: none
//   VESKO_STANDIN_BACKEND  "site" (the default) or "chromium"; anything else: every call fails
//   VESKO_STANDIN_RESOLVE  Chromium's host mappings, e.g. "MAP portal.kordis.example 127.0.0.1:8443"
//   VESKO_STANDIN_TRUSTED_SPKI  the Chromium backend's trusted server keys: base64 SHA-256
//                          digests of their SubjectPublicKeyInfo, comma-separated
#include <windows.h>

#include <string>

#include "control_channel.h"
#include "standin.h"

namespace {

std::wstring variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

// The engine's objects live in this module. A host frees the loader when it is done with
// the environment, but views, windows and queued completions may still run code from
// here, so the module stays loaded for the life of the process, as a runtime would.
void pinModule() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&pinModule), &self);
}

// Reads the settings and opens the control channel when one is asked for (on the first
// call, the host's UI thread). A knob list or port that cannot be understood gives
// E_INVALIDARG, a port that cannot be opened its socket error: the host sees the failure.
HRESULT configureFromEnvironment() {
    const auto knobs = vesko::standin::parseKnobs(variable(L"VESKO_STANDIN_KNOBS"));
    if (!knobs) return E_INVALIDARG;
    const auto backend = vesko::standin::parseBackendKind(variable(L"VESKO_STANDIN_BACKEND"));
    if (!backend) return E_INVALIDARG;
    const std::wstring portText = variable(L"VESKO_STANDIN_CONTROL_PORT");
    if (!portText.empty()) {
        const auto port = vesko::standin::parseControlPort(portText);
        if (!port) return E_INVALIDARG;
        const HRESULT opened = vesko::standin::startControlChannel(*port);
        if (FAILED(opened)) return opened;
        // The channel's window and sockets run code from here until the process ends.
        pinModule();
    }
    vesko::standin::Settings settings;
    settings.knobs = *knobs;
    settings.backend = *backend;
    settings.siteFolder = variable(L"VESKO_STANDIN_SITE");
    settings.hostResolverRules = variable(L"VESKO_STANDIN_RESOLVE");
    settings.trustedKeys = variable(L"VESKO_STANDIN_TRUSTED_SPKI");
    vesko::standin::configure(settings);
    return S_OK;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                                               LPWSTR* versionInfo) {
    if (const HRESULT configured = configureFromEnvironment(); FAILED(configured)) return configured;
    return vesko::standin::getAvailableBrowserVersionString(browserExecutableFolder, versionInfo);
}

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    if (const HRESULT configured = configureFromEnvironment(); FAILED(configured)) return configured;
    pinModule();
    return vesko::standin::createEnvironmentWithOptions(browserExecutableFolder, userDataFolder, environmentOptions,
                                                        environmentCreatedHandler);
}
