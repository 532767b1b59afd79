#pragma once
// The engine as a whole for this process: the verified loader module, the runtime's
// version and the environment (with the interface that makes profiled views). Released in
// reverse: the environment before the module whose code it runs on.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/scoped_handles_win.h"
#include "engine/engine_interface_win.h"

namespace vesko {

class BrowserAppTestAccess;

class EngineRuntime {
public:
    // Where start finds its inputs. The defaults are the installed program's (the
    // executable's folder, the per-user data folder, the compiled-in digest); tests point
    // them at folders and loader copies of their own.
    struct Sources {
        std::function<std::filesystem::path()> loaderFolder;
        std::function<std::filesystem::path()> dataFolder;
        std::string pinnedLoaderSha256;
    };

    EngineRuntime();
    ~EngineRuntime() { release(); }
    EngineRuntime(const EngineRuntime&) = delete;
    EngineRuntime& operator=(const EngineRuntime&) = delete;

    // Clears the engine's environment variables, verifies and loads the loader, reads the
    // runtime's version and asks for the environment; `created` runs later from the message
    // loop with the engine's answer. Throws an error code; starting() is false again after
    // any failure. Call only while neither starting() nor ready().
    void start(std::function<HRESULT(HRESULT, ICoreWebView2Environment*)> created);
    // Takes the environment the engine created: none and the failure's status text when it
    // cannot serve (creation failed, or the runtime is too old for profiled views).
    std::optional<std::wstring> adopt(HRESULT result, ICoreWebView2Environment* environment);
    // Every environment pointer let go, then the loader module.
    void release();

    // Runs with the exit's kind (true: failed) whenever the current environment reports
    // its browser process and every process it started gone. The report is listened for
    // from the environment's adoption on, so an exit raised before or after the views'
    // own reports is never missed.
    void onBrowserExit(std::function<void(bool failed)> exited) { onBrowserExit_ = std::move(exited); }
    // The current environment has reported its browser's exit (the user data folder is
    // free again), or cannot report it at all: nothing is left to wait for.
    bool browserExitSettled() const { return browserExited_ || !exitToken_; }
    // Lets go of the old environment and asks the loaded loader for a new one on the same
    // user data folder with the same options; `created` runs later like start's. Throws
    // WEBVIEW_ENVIRONMENT_FAILED with the loader's answer.
    void recreate(std::function<HRESULT(HRESULT, ICoreWebView2Environment*)> created);
    // An environment can be made again only once start has loaded the loader.
    bool canRecreate() const { return createEnvironment_ != nullptr; }

    bool starting() const { return starting_; }
    bool ready() const { return ready_; }
    ICoreWebView2Environment* environment() const { return environment_.Get(); }
    ICoreWebView2Environment10* environment10() const { return environment10_.Get(); }
    const std::wstring& runtimeVersion() const { return runtimeVersion_; }
    Sources& sources() { return sources_; }

private:
    friend class BrowserAppTestAccess;
    Sources sources_;
    bool starting_ = false;
    bool ready_ = false;
    std::wstring runtimeVersion_;
    ModuleOwner loaderModule_;
    CreateCoreWebView2EnvironmentWithOptionsFunction createEnvironment_ = nullptr;
    std::filesystem::path userDataFolder_;
    // The exit report's registration on the current environment, removed before it goes.
    void watchBrowserExit();
    void stopWatchingBrowserExit();
    std::optional<EventRegistrationToken> exitToken_;
    bool browserExited_ = false;
    std::function<void(bool failed)> onBrowserExit_;
    Microsoft::WRL::ComPtr<ICoreWebView2Environment> environment_;
    Microsoft::WRL::ComPtr<ICoreWebView2Environment10> environment10_;
};

}  // namespace vesko
