// The environment a host creates its controllers from, and the controller options.
#include <map>

#include "objects.h"
#include "process_failure.h"

namespace vesko::standin {
namespace {

// Every live environment of this module, by its base interface, with what it shares.
std::map<const void*, std::weak_ptr<EngineContext>>& liveEnvironments() {
    static std::map<const void*, std::weak_ptr<EngineContext>> environments;
    return environments;
}

class ControllerOptions final : public ComObject<ICoreWebView2ControllerOptions, IID_ICoreWebView2ControllerOptions> {
public:
    ControllerOptions() : name_("controllerOptions#" + std::to_string(nextObjectNumber())) {}
    HRESULT STDMETHODCALLTYPE get_ProfileName(LPWSTR* value) override {
        record(name_, "get_ProfileName");
        return copyToTaskMemory(profileName_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ProfileName(LPCWSTR value) override {
        record(name_, "put_ProfileName", toUtf8(value != nullptr ? value : L""));
        profileName_ = value != nullptr ? value : L"";
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsInPrivateModeEnabled(BOOL* value) override {
        record(name_, "get_IsInPrivateModeEnabled");
        if (value == nullptr) return E_POINTER;
        *value = inPrivate_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_IsInPrivateModeEnabled(BOOL value) override {
        record(name_, "put_IsInPrivateModeEnabled", value ? "true" : "false");
        inPrivate_ = value;
        return S_OK;
    }
    const std::wstring& profileName() const { return profileName_; }

private:
    std::string name_;
    std::wstring profileName_;
    BOOL inPrivate_ = FALSE;
};

// It answers its interfaces up to the version the knobs name: an older runtime simply does
// not know the newer ones.
class Environment final
    : public ComObject<ICoreWebView2Environment10, IID_ICoreWebView2Environment, IID_ICoreWebView2Environment2,
                       IID_ICoreWebView2Environment3, IID_ICoreWebView2Environment4, IID_ICoreWebView2Environment5,
                       IID_ICoreWebView2Environment6, IID_ICoreWebView2Environment7, IID_ICoreWebView2Environment8,
                       IID_ICoreWebView2Environment9, IID_ICoreWebView2Environment10> {
public:
    explicit Environment(std::shared_ptr<EngineContext> context)
        : ComObject(context->knobs.environmentVersion), context_(std::move(context)) {
        liveEnvironments()[static_cast<const ICoreWebView2Environment*>(this)] = context_;
        context_->environment = this;
    }
    ~Environment() override {
        liveEnvironments().erase(static_cast<const ICoreWebView2Environment*>(this));
        context_->environment = nullptr;
    }

    void raiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind, UINT32 processId) {
        record("environment", "BrowserProcessExited", "kind=" + std::to_string(kind) + " pid=" + std::to_string(processId));
        const auto args = makeComObject<BrowserProcessExitedArgs>(kind, processId);
        for (const auto& handler : browserProcessExited_.handlers()) handler->Invoke(this, args.Get());
    }
    HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(ICoreWebView2BrowserProcessExitedEventHandler* handler,
                                                       EventRegistrationToken* token) override {
        record("environment", "add_BrowserProcessExited");
        return browserProcessExited_.add(handler, token);
    }
    HRESULT STDMETHODCALLTYPE remove_BrowserProcessExited(EventRegistrationToken token) override {
        record("environment", "remove_BrowserProcessExited", std::to_string(token.value));
        return browserProcessExited_.remove(token);
    }

    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
        record("environment", "CreateCoreWebView2Controller", windowText(parentWindow));
        return createController(parentWindow, L"", handler);
    }
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                        LPCWSTR headers,
                                                        ICoreWebView2WebResourceResponse** response) override {
        record("environment", "CreateWebResourceResponse",
               std::to_string(statusCode) + " " + toUtf8(reasonPhrase != nullptr ? reasonPhrase : L""));
        if (response == nullptr) return E_POINTER;
        *response = makeResponse(content, statusCode, reasonPhrase != nullptr ? reasonPhrase : L"",
                                 headers != nullptr ? headers : L"")
                        .Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) override {
        record("environment", "get_BrowserVersionString");
        return copyToTaskMemory(context_->version, versionInfo);
    }
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler*,
                                                             EventRegistrationToken* token) override {
        // The stand-in's runtime never updates, so the event never fires.
        record("environment", "add_NewBrowserVersionAvailable");
        if (token == nullptr) return E_POINTER;
        token->value = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken) override {
        record("environment", "remove_NewBrowserVersionAvailable");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_UserDataFolder(LPWSTR* value) override {
        record("environment", "get_UserDataFolder");
        return copyToTaskMemory(context_->userDataFolder, value);
    }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2ControllerOptions(ICoreWebView2ControllerOptions** value) override {
        record("environment", "CreateCoreWebView2ControllerOptions");
        if (value == nullptr) return E_POINTER;
        *value = makeComObject<ControllerOptions>().Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2ControllerWithOptions(
        HWND parentWindow, ICoreWebView2ControllerOptions* options,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
        std::wstring profile;
        if (options != nullptr) {
            LPWSTR raw = nullptr;
            if (SUCCEEDED(options->get_ProfileName(&raw)) && raw != nullptr) profile = raw;
            CoTaskMemFree(raw);
        }
        record("environment", "CreateCoreWebView2ControllerWithOptions",
               windowText(parentWindow) + " profile=" + toUtf8(profile));
        return createController(parentWindow, profile, handler);
    }

private:
    static std::string windowText(HWND window) {
        return "parent=" + std::to_string(reinterpret_cast<std::uintptr_t>(window));
    }
    HRESULT createController(HWND parent, const std::wstring& profile,
                             ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
        if (handler == nullptr) return E_POINTER;
        if (FAILED(context_->knobs.controllerRefused)) return context_->knobs.controllerRefused;
        // A view needs a real window to live in.
        if (parent == nullptr || !IsWindow(parent)) return E_INVALIDARG;
        startController(context_, this, parent, profile, handler);
        return S_OK;
    }

public:
    // Everything the program never calls.
    HRESULT STDMETHODCALLTYPE CreateWebResourceRequest(LPCWSTR, LPCWSTR, IStream *, LPCWSTR, ICoreWebView2WebResourceRequest **) override { return unsupported("CreateWebResourceRequest"); }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionController(HWND, ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler *) override { return unsupported("CreateCoreWebView2CompositionController"); }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2PointerInfo(ICoreWebView2PointerInfo **) override { return unsupported("CreateCoreWebView2PointerInfo"); }
    HRESULT STDMETHODCALLTYPE GetAutomationProviderForWindow(HWND, IUnknown **) override { return unsupported("GetAutomationProviderForWindow"); }
    HRESULT STDMETHODCALLTYPE CreatePrintSettings(ICoreWebView2PrintSettings **) override { return unsupported("CreatePrintSettings"); }
    HRESULT STDMETHODCALLTYPE add_ProcessInfosChanged(ICoreWebView2ProcessInfosChangedEventHandler *, EventRegistrationToken *) override { return unsupported("add_ProcessInfosChanged"); }
    HRESULT STDMETHODCALLTYPE remove_ProcessInfosChanged(EventRegistrationToken) override { return unsupported("remove_ProcessInfosChanged"); }
    HRESULT STDMETHODCALLTYPE GetProcessInfos(ICoreWebView2ProcessInfoCollection **) override { return unsupported("GetProcessInfos"); }
    HRESULT STDMETHODCALLTYPE CreateContextMenuItem(LPCWSTR, IStream *, COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND, ICoreWebView2ContextMenuItem **) override { return unsupported("CreateContextMenuItem"); }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionControllerWithOptions(HWND, ICoreWebView2ControllerOptions *, ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler *) override { return unsupported("CreateCoreWebView2CompositionControllerWithOptions"); }

private:
    HRESULT unsupported(const char* method) {
        record("environment", method, "unsupported");
        return E_NOTIMPL;
    }

    std::shared_ptr<EngineContext> context_;
    EventList<ICoreWebView2BrowserProcessExitedEventHandler> browserProcessExited_;
};

}  // namespace

std::size_t liveEnvironmentCount() { return liveEnvironments().size(); }

void raiseBrowserProcessExited(ICoreWebView2Environment* environment, COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind,
                               UINT32 processId) {
    if (liveEnvironments().count(environment) == 0) return;
    static_cast<Environment*>(environment)->raiseBrowserProcessExited(kind, processId);
}

std::shared_ptr<ChromiumProcess> chromiumOf(ICoreWebView2Environment* environment) {
    const auto found = liveEnvironments().find(environment);
    if (found == liveEnvironments().end()) return nullptr;
    const auto context = found->second.lock();
    return context ? context->chromium : nullptr;
}

ComPtr<ICoreWebView2Environment> makeEnvironment(std::shared_ptr<EngineContext> context) {
    auto environment = makeComObject<Environment>(std::move(context));
    return ComPtr<ICoreWebView2Environment>(environment.Get());
}

}  // namespace vesko::standin
