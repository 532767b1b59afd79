#pragma once
// The one way tests reach inside the application object: its window state, engine,
// probe, tabs and private steps, without making any of them public.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ui/browser_app_win.h"

namespace vesko {

class BrowserAppTestAccess {
public:
    explicit BrowserAppTestAccess(BrowserApp& app) : app_(app) {}

    WindowState& window() { return app_.window_; }
    FrameAccessibility& accessibility() { return app_.accessibility_; }
    const EngineRuntime& engine() const { return app_.engine_; }
    EngineRuntime::Sources& engineSources() { return app_.engine_.sources_; }
    std::wstring& runtimeVersion() { return app_.engine_.runtimeVersion_; }
    // An environment made by the test, taken as the engine's own; later ones come from
    // `create` on `userData`, as the loader's would.
    void adoptEnvironment(ICoreWebView2Environment* environment,
                          CreateCoreWebView2EnvironmentWithOptionsFunction create = nullptr,
                          std::filesystem::path userData = {}) {
        app_.engine_.adopt(S_OK, environment);
        app_.engine_.createEnvironment_ = create;
        app_.engine_.userDataFolder_ = std::move(userData);
    }
    // The window as with a ready engine (or not), without one.
    void setEngineReady(bool ready) { app_.engine_.ready_ = ready; }
    AssetPack& assetPack() { return app_.assetPack_; }
    void setProbePassed(bool passed) { app_.probe_.passed_ = passed; }
    std::vector<std::shared_ptr<TabView>>& tabs() { return app_.tabs_; }
    std::int32_t& activeIndex() { return app_.activeTab_; }
    std::uint32_t& nextTabId() { return app_.nextTabId_; }
    std::int64_t statusExpiresAt() const { return app_.statusExpiresAt_; }
    bool& warnOnClose() { return app_.warnOnClose_; }
    bool& closeWarningSuppressed() { return app_.closeWarningSuppressed_; }
    ClosedTabMemory& closedTabUrls() { return app_.closedTabUrls_; }
    auto& savePathPrompt() { return app_.savePathPrompt_; }

    void zoomActiveTab(std::int32_t command) { app_.zoomActiveTab(command); }
    void reloadOrStop() { app_.reloadOrStop(); }
    void saveDiagnostics() { app_.saveDiagnostics(); }
    void loadPreferences() { app_.loadPreferences(); }
    void savePreferences() { app_.savePreferences(); }

private:
    BrowserApp& app_;
};

}  // namespace vesko
