// WebView2Loader.dll of the stand-in: the loader's two exports, with the stand-in's
// settings read from the environment at every call (the host removes only the engine's
// own WEBVIEW2_* variables):
//   VESKO_STANDIN_KNOBS  a knob list (see parseKnobs); malformed: every call fails
//   VESKO_STANDIN_SITE   the site folder, one subfolder per host name
#include <windows.h>

#include <string>

#include "standin.h"

namespace {

std::wstring variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

// Reads the settings; false when the knob list cannot be understood.
bool configureFromEnvironment() {
    const auto knobs = vesko::standin::parseKnobs(variable(L"VESKO_STANDIN_KNOBS"));
    if (!knobs) return false;
    vesko::standin::Settings settings;
    settings.knobs = *knobs;
    settings.siteFolder = variable(L"VESKO_STANDIN_SITE");
    vesko::standin::configure(settings);
    return true;
}

// The engine's objects live in this module. A host frees the loader when it is done with
// the environment, but views, windows and queued completions may still run code from
// here, so the module stays loaded for the life of the process, as a runtime would.
void pinModule() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&pinModule), &self);
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                                               LPWSTR* versionInfo) {
    if (!configureFromEnvironment()) return E_INVALIDARG;
    return vesko::standin::getAvailableBrowserVersionString(browserExecutableFolder, versionInfo);
}

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    if (!configureFromEnvironment()) return E_INVALIDARG;
    pinModule();
    return vesko::standin::createEnvironmentWithOptions(browserExecutableFolder, userDataFolder, environmentOptions,
                                                        environmentCreatedHandler);
}
