#pragma once
// The stand-in's engine objects, as the environment and the views create them.

#include <functional>
#include <memory>
#include <string>

#include "chromium/devtools_pump.h"
#include "com_support.h"
#include "site_backend.h"
#include "standin.h"

namespace vesko::standin {

// What every object of one environment shares.
struct EngineContext {
    std::shared_ptr<Dispatcher> dispatcher;
    std::shared_ptr<Backend> backend;
    // The Chromium backend's browser; it lives while the environment or any view does.
    std::shared_ptr<ChromiumProcess> chromium;
    // Its DevTools traffic for this environment's pages; ends before the browser does.
    std::shared_ptr<DevToolsPump> pump;
    Knobs knobs;
    BackendKind backendKind = BackendKind::siteFolder;
    std::wstring userDataFolder;
    std::wstring browserArguments;
    std::wstring language;
    std::wstring version;

    // The environment's own object while it lives (not a reference), for its events.
    ICoreWebView2Environment* environment = nullptr;
    // Once the browser process has exited no view of this environment works again.
    bool browserExited = false;
    // The browser's process id as the environment reports it.
    UINT32 browserProcessId = 0;
};

ComPtr<ICoreWebView2Environment> makeEnvironment(std::shared_ptr<EngineContext> context);

// Creates a controller and its view for `parent` and reports it to `handler` later.
void startController(const std::shared_ptr<EngineContext>& context, ICoreWebView2Environment* environment,
                     HWND parent, const std::wstring& profileName,
                     ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler);

ComPtr<ICoreWebView2WebResourceResponse> makeResponse(IStream* content, int statusCode, std::wstring reason,
                                                      const std::wstring& headers);

// The response as the engine serves it: the stream read from its start, headers split.
// nullopt for an object this module did not make.
std::optional<ResponseSnapshot> snapshotResponse(ICoreWebView2WebResourceResponse* response);
std::optional<ViewState> snapshotController(ICoreWebView2Controller* controller);
// "200 OK" for a response this module made, without reading its content.
std::optional<std::string> responseStatus(ICoreWebView2WebResourceResponse* response);

// How many environments of this module are alive.
std::size_t liveEnvironmentCount();

// The next number for an object's name in the call record.
int nextObjectNumber();

}  // namespace vesko::standin
