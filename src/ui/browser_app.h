#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "assets/asset_pack.h"
#include "base/scoped_handles_win.h"
#include "engine/engine_interface_win.h"
#include "ui/closed_tab_memory.h"

namespace vesko {

// Private messages of the main window: a command id in wParam, and the second step of a
// download with its record in lParam.
inline constexpr UINT WM_APP_COMMAND = WM_APP + 2;
inline constexpr UINT WM_APP_DOWNLOAD = WM_APP + 3;

// The application object: owns the main window, the engine loader and environment, the
// asset pack and the tabs. It lives on the entry's stack for the whole run and is used
// only on the UI thread.
class BrowserApp {
public:
    // One tab. Held by shared references in `tabs`; engine handlers keep only weak ones
    // and do nothing once the tab is gone or `closing`.
    struct Tab {
        std::uint32_t id = 0;
        std::uint32_t profileIndex = 0;
        std::wstring title = L"KORDIS";
        std::wstring url;
        bool canGoBack = false;
        bool canGoForward = false;
        double zoom = 1.0;
        bool ajaxBusy = false;
        bool dirty = false;
        bool loading = true;
        bool filterInstalled = false;
        bool closing = false;
        std::uint64_t localAssets = 0;
        nlohmann::ordered_json blockedRequests = nlohmann::ordered_json::array();
        // Released from the bottom up when the last owner goes: the pending request's
        // deferral first, the controller last.
        Microsoft::WRL::ComPtr<ICoreWebView2Controller> controller;
        Microsoft::WRL::ComPtr<ICoreWebView2> webview;
        Microsoft::WRL::ComPtr<ICoreWebView2NewWindowRequestedEventArgs> pendingNewWindowArgs;
        Microsoft::WRL::ComPtr<ICoreWebView2Deferral> pendingDeferral;

        Tab() = default;
        Tab(const Tab&) = delete;
        Tab& operator=(const Tab&) = delete;
        // A page's pop-up request that this tab was to serve is answered (handled, no
        // window) when the tab goes first, so the opener is never left waiting.
        ~Tab() {
            if (pendingNewWindowArgs) pendingNewWindowArgs->put_Handled(TRUE);
            if (pendingDeferral) pendingDeferral->Complete();
        }
    };

    // Where startEngine finds its inputs. The defaults are the installed program's (the
    // executable's folder, the per-user data folder, the compiled-in digest); tests point
    // them at folders and loader copies of their own.
    struct EngineSources {
        std::function<std::filesystem::path()> loaderFolder;
        std::function<std::filesystem::path()> dataFolder;
        std::string pinnedLoaderSha256;
    };

    static constexpr std::size_t kTabLimit = 80;
    // Timers of the main window: the status line's second, the probe's time-out, and the
    // 16 ms animation tick.
    static constexpr UINT_PTR kStatusTimer = 1;
    static constexpr UINT_PTR kProbeTimer = 2;
    static constexpr UINT_PTR kAnimationTimer = 3;
    // The main window's class; a second start finds the first browser by it.
    static constexpr wchar_t kWindowClassName[] = L"VESKOS_BROWSER_KIOSK_TEST_V1";

    explicit BrowserApp(HINSTANCE instance);
    // Closes every view, releases the environment, frees the loader, then the fonts.
    ~BrowserApp();
    BrowserApp(const BrowserApp&) = delete;
    BrowserApp& operator=(const BrowserApp&) = delete;

    // Loads the asset pack, clears the engine's environment variables, verifies and loads
    // the engine loader and asks it for the environment. Returns before the environment
    // exists: onEnvironmentCreated runs later from the message loop. Throws an error code;
    // engineStarting is false again after any failure. Call only while neither
    // engineStarting nor engineReady is set.
    void startEngine();
    // The environment's completion: on success the engine is ready and the first tab is
    // requested; failures end on the status line. Always S_OK to the engine.
    HRESULT onEnvironmentCreated(HRESULT result, ICoreWebView2Environment* createdEnvironment);

    // Requests a tab for `url`. Refused (status text, nothing created) before the engine is
    // ready, while the runtime probe runs, after the first tab until the probe passed, at
    // the tab limit, and for addresses a tab may not show. A page's new-window request is
    // marked handled and its deferral completed when refused.
    void openTab(const std::wstring& url, ICoreWebView2NewWindowRequestedEventArgs* newWindowArgs,
                 ICoreWebView2Deferral* deferral, bool background);
    void selectTab(int index);
    void layoutChildren();
    // The tab at activeTab, or null when the index is outside the list.
    std::shared_ptr<Tab> activeTabPointer() const;

    // The status line's text; 0 seconds keeps it until the next call.
    void setStatus(const std::wstring& text, unsigned seconds);

    // --- The window side: start-up, window procedure, tabs, commands, dialogs. ---

    // The browser's life: graphics, preferences, the window, the engine start, then the
    // message loop. Returns the WM_QUIT code, 1 when the window cannot be created; throws
    // GRAPHICS_INIT_FAILED.
    int run(HINSTANCE moduleInstance, int showCommand);
    // Steps of run, also used on their own by window tests.
    void startGraphics();
    bool createWindow();
    int runMessageLoop();
    // The loop's look at a key before it is dispatched, to whichever window of the thread:
    // Ctrl+1 to Ctrl+9 and the shortcut table, once the engine is ready. True when the key
    // was taken.
    bool preDispatchKey(const MSG& message);

    // One trampoline for the main window: attaches the object on WM_NCCREATE and runs
    // handleMessage under the error guard.
    static LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs `action`; an escaping error ends on the status line for 20 seconds instead.
    void runGuarded(const std::function<void()>& action) noexcept;
    // "Veprimi nuk përfundoi: " and the error code, as the user sees a failed action.
    static std::wstring userErrorText(std::string_view code);

    // Asks first when the tab holds unsaved input; remembers a portal address for reopening;
    // the last tab takes the window with it.
    void closeTab(int index);
    void executeCommand(std::int32_t id);
    void showMenu();
    // The close warning; true to go on closing.
    bool confirmClose(const std::wstring& question);
    void showPageInfo();
    // warnOnClose from preferences.json; a failed save is reported on the status line.
    void loadPreferences();
    void savePreferences();

    // --- Engine-facing operations, carried out by the engine side of the program. ---
    // executeCommand calls them only after the command's gate passed: the engine is ready,
    // the active tab has its view, and for navigation the engine check has passed.
    void navigateActiveTab(std::wstring text);
    void goBack();
    void goForward();
    void reloadOrStop();
    // Zoom in, out, reset and the presets (commands 130 to 132 and 300 to 308).
    void zoomActiveTab(std::int32_t command);
    void showDownloads();
    void printActiveTab();
    // Works at any time, also without tabs.
    void saveDiagnostics();
    // WM_APP_DOWNLOAD: the posted second step of a download; lParam carries its record.
    void onDownloadMessage(LPARAM record);
    // Timer 2 ran out while the probe was running: the verdict without answers.
    void completeRuntimeProbe(const std::shared_ptr<Tab>& tab, bool cors, bool mixed);

    // --- Tab views, on the engine side. ---
    // The engine's view for a tab that has just joined the list (the end of openTab).
    // Throws PROFILE_OPTIONS_FAILED or PROFILE_NAME_FAILED; a refused creation ends on the
    // status line.
    void createTabView(const std::shared_ptr<Tab>& tab);
    HRESULT onControllerCreated(const std::weak_ptr<Tab>& tab, HRESULT result, ICoreWebView2Controller* controller);
    // Settings, handlers and the document script, in that order; throws an error code.
    void configureTab(const std::shared_ptr<Tab>& tab);
    HRESULT onScriptAdded(const std::weak_ptr<Tab>& tab, HRESULT result);
    // The save dialog of the diagnostics report and of downloads: owner, proposed name,
    // filter; the chosen path or empty. promptSavePath unless a test puts another here.
    std::function<std::wstring(HWND, const std::wstring&, const std::wstring&)> savePathPrompt;

    // Fields, in the order of the application object's description.
    HWND window = nullptr;
    HWND addressField = nullptr;
    HINSTANCE instance = nullptr;
    std::uintptr_t gdiplusToken = 0;
    ModuleOwner loaderModule;
    FontOwner uiFont;
    double dpiScale = 1.0;
    std::int32_t hoveredToolbarItem = -1;
    std::int32_t hoveredTab = -1;
    std::int32_t hoveredCaptionButton = -1;
    std::int32_t pressedToolbarButton = -1;
    std::uint64_t pressedUntil = 0;
    bool newTabHovered = false;
    float newTabHoverLevel = 0.0f;
    bool tabCloseHovered = false;
    bool addressFocused = false;
    bool warnOnClose = true;
    bool closeWarningSuppressed = false;
    bool animationsEnabled = true;
    std::int32_t activeTab = -1;
    std::int32_t nextTabId = 1;
    std::int32_t firstVisibleTab = 0;
    bool engineStarting = false;
    bool engineReady = false;
    bool probeRunning = false;
    bool probePassed = false;
    std::string probeNonce;
    std::wstring runtimeVersion;
    std::wstring statusText;
    std::int64_t statusExpiresAt = 0;
    Microsoft::WRL::ComPtr<ICoreWebView2Environment> environment;
    Microsoft::WRL::ComPtr<ICoreWebView2Environment10> environment10;
    AssetPack assetPack;
    std::vector<std::shared_ptr<Tab>> tabs;
    ClosedTabMemory closedTabUrls;

    EngineSources engineSources;
};

}  // namespace vesko
