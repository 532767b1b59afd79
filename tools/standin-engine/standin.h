#pragma once
// The stand-in engine: our own implementation of the engine interfaces the browser uses,
// for machines without the real runtime. Built as a static library (tests drive it in
// their own process) and as WebView2Loader.dll (the real program loads it like the real
// loader). It keeps the engine's contract: completions and events arrive later, on the
// thread that created the environment, through its message loop; returned strings are
// task memory; event arguments are read after the handlers return; deferrals hold a
// request until they are completed.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_interface_win.h"

namespace vesko::standin {

// What a real runtime can do to its host, reproduced on purpose.
struct Knobs {
    bool runtimeMissing = false;         // no runtime installed: version query and creation fail
    bool versionWithoutText = false;     // the version query succeeds but returns no text
    std::wstring version;                // the runtime's version; empty: the stand-in's own
    HRESULT creationRefused = S_OK;      // CreateCoreWebView2EnvironmentWithOptions answers this at once
    HRESULT creationFailed = S_OK;       // the completion reports this instead of an environment
    bool completionWithoutEnvironment = false;  // the completion reports S_OK and no environment
    int environmentVersion = 10;         // newest ICoreWebView2EnvironmentN offered (1 to 10)
    int webviewVersion = 22;             // newest ICoreWebView2_N offered (1 to 22)
    int settingsVersion = 3;             // newest ICoreWebView2SettingsN offered (1 to 3)
    HRESULT controllerRefused = S_OK;    // controller creation answers this at once
    HRESULT controllerFailed = S_OK;     // the controller completion reports this
    HRESULT zoomRefused = S_OK;          // put_ZoomFactor answers this and keeps the zoom
    HRESULT scriptFailed = S_OK;         // ExecuteScript completes with this
};

// Parses a knob list such as "no-runtime,environment-version=9,fail-creation=0x80004005".
// Names: no-runtime, no-version-text, version=TEXT, refuse-creation=HR, fail-creation=HR,
// no-environment, environment-version=N, webview-version=N, settings-version=N,
// refuse-controller=HR, fail-controller=HR, refuse-zoom=HR, fail-script=HR. Unknown names
// and malformed values give nullopt, so a typing error is never silently ignored.
std::optional<Knobs> parseKnobs(std::wstring_view text);

// The stand-in's own runtime version.
inline constexpr wchar_t kStandInVersion[] = L"120.0.2210.91";

struct Settings {
    Knobs knobs;
    // Pages come from here: one subfolder per host name ("portal.kordis.example/index.html").
    // Empty: no host resolves.
    std::filesystem::path siteFolder;
};

// The settings every later call of this module uses. The DLL reads them from the
// environment variables VESKO_STANDIN_KNOBS and VESKO_STANDIN_SITE at each loader call.
void configure(const Settings& settings);
Settings currentSettings();

// The loader's two entry points.
HRESULT getAvailableBrowserVersionString(PCWSTR browserExecutableFolder, LPWSTR* versionInfo);
HRESULT createEnvironmentWithOptions(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                     ICoreWebView2EnvironmentOptions* options,
                                     ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

// One call the host made on a stand-in object, in call order. `object` names the object
// ("environment", "controller#2", "view#2", "response#5", ...), `detail` the arguments.
struct RecordedCall {
    std::uint64_t sequence = 0;
    std::string object;
    std::string method;
    std::string detail;
};
std::vector<RecordedCall> callRecord();
void clearCallRecord();

// A response created by CreateWebResourceResponse, as the engine would serve it.
struct ResponseSnapshot {
    int statusCode = 0;
    std::wstring reasonPhrase;
    std::vector<std::pair<std::wstring, std::wstring>> headers;
    std::string body;
};
// Reads a response object made by this module's environment; nullopt for anything else.
std::optional<ResponseSnapshot> readResponse(ICoreWebView2WebResourceResponse* response);

// What the view of a stand-in controller shows now, for tests and the painting.
struct ViewState {
    std::wstring source;
    std::wstring title;
    std::vector<std::wstring> links;
    bool loading = false;
    double zoom = 1.0;
    bool visible = false;
    RECT bounds{};
    HWND window = nullptr;
};
std::optional<ViewState> readView(ICoreWebView2Controller* controller);

}  // namespace vesko::standin
