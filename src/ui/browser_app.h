#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "assets/asset_pack.h"
#include "engine/engine_interface_win.h"

namespace vesko {

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

    // The status line's text; 0 seconds keeps it until the next call.
    void setStatus(const std::wstring& text, unsigned seconds);

    // Fields, in the order of the application object's description.
    HWND window = nullptr;
    HWND addressField = nullptr;
    HINSTANCE instance = nullptr;
    std::uintptr_t gdiplusToken = 0;
    struct ModuleFreer {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer> loaderModule;
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> uiFont;
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
    std::vector<std::wstring> closedTabUrls;

    EngineSources engineSources;
};

// "Veprimi nuk përfundoi: " and the error code, as the user sees a failed action.
std::wstring userErrorText(const std::string& code);

}  // namespace vesko
