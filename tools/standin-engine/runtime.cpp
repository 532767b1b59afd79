// The stand-in's runtime: plumbing, the loader's entry points, the environment, the
// controller options and the responses a host creates.
#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "chromium/shared_chromium.h"
#include "objects.h"

namespace vesko::standin {
namespace {

constexpr UINT kRunTaskMessage = WM_APP + 1;
constexpr wchar_t kDispatcherClass[] = L"VeskoStandInDispatcher";

Settings& settingsStore() {
    static Settings settings;
    return settings;
}

std::vector<RecordedCall>& recordStore() {
    static std::vector<RecordedCall> calls;
    return calls;
}

std::set<const void*>& liveResponses() {
    static std::set<const void*> responses;
    return responses;
}

// Every live environment of this module, by its base interface, with what it shares.
std::map<const void*, std::weak_ptr<EngineContext>>& liveEnvironments() {
    static std::map<const void*, std::weak_ptr<EngineContext>> environments;
    return environments;
}

std::optional<HRESULT> parseResult(std::wstring_view text) {
    if (!text.starts_with(L"0x") || text.size() < 3 || text.size() > 10) return std::nullopt;
    std::uint32_t value = 0;
    for (const wchar_t c : text.substr(2)) {
        int digit = -1;
        if (c >= L'0' && c <= L'9') digit = c - L'0';
        if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
        if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<HRESULT>(value);
}

std::optional<int> parseVersionNumber(std::wstring_view text, int low, int high) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

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

class ControllerOptions final : public RefCounted<ICoreWebView2ControllerOptions> {
public:
    ControllerOptions() : name_("controllerOptions#" + std::to_string(nextObjectNumber())) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2ControllerOptions});
    }
    HRESULT STDMETHODCALLTYPE get_ProfileName(LPWSTR* value) override {
        record(name_, "get_ProfileName");
        return copyToTaskMemory(profileName_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ProfileName(LPCWSTR value) override {
        record(name_, "put_ProfileName", narrow(value != nullptr ? value : L""));
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

class Response final : public RefCounted<ICoreWebView2WebResourceResponse> {
public:
    Response(IStream* content, int statusCode, std::wstring reason, std::wstring headers)
        : name_("response#" + std::to_string(nextObjectNumber())),
          content_(content),
          statusCode_(statusCode),
          reason_(std::move(reason)),
          headers_(std::move(headers)) {
        liveResponses().insert(static_cast<const ICoreWebView2WebResourceResponse*>(this));
    }
    ~Response() override { liveResponses().erase(static_cast<const ICoreWebView2WebResourceResponse*>(this)); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return answerQuery(iid, out, {&IID_ICoreWebView2WebResourceResponse});
    }
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
        record(name_, "get_Content");
        if (content == nullptr) return E_POINTER;
        *content = content_.Get();
        if (*content != nullptr) (*content)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override {
        record(name_, "put_Content");
        content_ = content;
        return S_OK;
    }
    // The headers object belongs to an interface the program never uses.
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders**) override {
        record(name_, "get_Headers");
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* statusCode) override {
        record(name_, "get_StatusCode");
        if (statusCode == nullptr) return E_POINTER;
        *statusCode = statusCode_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_StatusCode(int statusCode) override {
        record(name_, "put_StatusCode", std::to_string(statusCode));
        statusCode_ = statusCode;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override {
        record(name_, "get_ReasonPhrase");
        return copyToTaskMemory(reason_, reason);
    }
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override {
        record(name_, "put_ReasonPhrase", narrow(reason != nullptr ? reason : L""));
        reason_ = reason != nullptr ? reason : L"";
        return S_OK;
    }

    ResponseSnapshot snapshot() const {
        ResponseSnapshot result;
        result.statusCode = statusCode_;
        result.reasonPhrase = reason_;
        std::size_t start = 0;
        while (start < headers_.size()) {
            std::size_t end = headers_.find(L'\n', start);
            if (end == std::wstring::npos) end = headers_.size();
            std::wstring line = headers_.substr(start, end - start);
            if (!line.empty() && line.back() == L'\r') line.pop_back();
            const std::size_t colon = line.find(L':');
            if (colon != std::wstring::npos) {
                std::wstring value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(L" \t"));
                result.headers.emplace_back(line.substr(0, colon), value);
            }
            start = end + 1;
        }
        if (content_) {
            // Read from the start, then put the stream back where the host left it.
            LARGE_INTEGER zero{};
            ULARGE_INTEGER position{};
            const bool seekable = SUCCEEDED(content_->Seek(zero, STREAM_SEEK_CUR, &position)) &&
                                  SUCCEEDED(content_->Seek(zero, STREAM_SEEK_SET, nullptr));
            char buffer[8192];
            ULONG got = 0;
            while (SUCCEEDED(content_->Read(buffer, sizeof(buffer), &got)) && got > 0) result.body.append(buffer, got);
            if (seekable) {
                LARGE_INTEGER back{};
                back.QuadPart = static_cast<LONGLONG>(position.QuadPart);
                content_->Seek(back, STREAM_SEEK_SET, nullptr);
            }
        }
        return result;
    }

private:
    std::string name_;
    ComPtr<IStream> content_;
    int statusCode_;
    std::wstring reason_;
    std::wstring headers_;
};

class Environment final : public RefCounted<ICoreWebView2Environment10> {
public:
    explicit Environment(std::shared_ptr<EngineContext> context) : context_(std::move(context)) {
        liveEnvironments()[static_cast<const ICoreWebView2Environment*>(this)] = context_;
    }
    ~Environment() override { liveEnvironments().erase(static_cast<const ICoreWebView2Environment*>(this)); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        static const IID* const kVersions[] = {
            &IID_ICoreWebView2Environment,  &IID_ICoreWebView2Environment2, &IID_ICoreWebView2Environment3,
            &IID_ICoreWebView2Environment4, &IID_ICoreWebView2Environment5, &IID_ICoreWebView2Environment6,
            &IID_ICoreWebView2Environment7, &IID_ICoreWebView2Environment8, &IID_ICoreWebView2Environment9,
            &IID_ICoreWebView2Environment10};
        // An older runtime simply does not know the newer interfaces.
        const int offered = std::clamp(context_->knobs.environmentVersion, 1, 10);
        for (int i = 0; i < offered; ++i) {
            if (IsEqualIID(iid, *kVersions[i])) return answerQuery(iid, out, {kVersions[i]});
        }
        return answerQuery(iid, out, {});
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
               std::to_string(statusCode) + " " + narrow(reasonPhrase != nullptr ? reasonPhrase : L""));
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
        *value = makeObject<ControllerOptions>().Detach();
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
               windowText(parentWindow) + " profile=" + narrow(profile));
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
    HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(ICoreWebView2BrowserProcessExitedEventHandler *, EventRegistrationToken *) override { return unsupported("add_BrowserProcessExited"); }
    HRESULT STDMETHODCALLTYPE remove_BrowserProcessExited(EventRegistrationToken) override { return unsupported("remove_BrowserProcessExited"); }
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
};

}  // namespace

HRESULT copyToTaskMemory(std::wstring_view text, LPWSTR* out) {
    if (out == nullptr) return E_POINTER;
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (copy == nullptr) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = L'\0';
    *out = copy;
    return S_OK;
}

std::string narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string hexResult(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
    return text;
}

bool& recordingOn() {
    static bool on = true;
    return on;
}

void setRecording(bool on) {
    recordingOn() = on;
}

bool isRecording() {
    return recordingOn();
}

std::function<void(const RecordedCall&)>& recordListener() {
    static std::function<void(const RecordedCall&)> listener;
    return listener;
}

void setRecordListener(std::function<void(const RecordedCall&)> listener) {
    recordListener() = std::move(listener);
}

void record(std::string object, std::string method, std::string detail) {
    if (!recordingOn()) return;
    auto& calls = recordStore();
    calls.push_back({calls.size() + 1, std::move(object), std::move(method), std::move(detail)});
    if (recordListener()) recordListener()(calls.back());
}

std::vector<RecordedCall> callRecord() {
    return recordStore();
}

void clearCallRecord() {
    recordStore().clear();
}

int nextObjectNumber() {
    static int next = 1;
    return next++;
}

HMODULE ownModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
    return module;
}

std::shared_ptr<Dispatcher> Dispatcher::forCurrentThread() {
    thread_local std::weak_ptr<Dispatcher> current;
    auto dispatcher = current.lock();
    if (!dispatcher) {
        dispatcher = std::shared_ptr<Dispatcher>(new Dispatcher());
        current = dispatcher;
    }
    return dispatcher;
}

Dispatcher::Dispatcher() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &Dispatcher::windowProc;
    windowClass.hInstance = ownModule();
    windowClass.lpszClassName = kDispatcherClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ownModule(), nullptr);
    if (window_ == nullptr) throw std::runtime_error("STANDIN_DISPATCHER_FAILED");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Dispatcher::~Dispatcher() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

void Dispatcher::post(std::function<void()> task) {
    tasks_.push_back(std::move(task));
    PostMessageW(window_, kRunTaskMessage, 0, 0);
}

void Dispatcher::runOne() {
    if (tasks_.empty()) return;
    auto task = std::move(tasks_.front());
    tasks_.pop_front();
    task();
}

LRESULT CALLBACK Dispatcher::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunTaskMessage) {
        auto* dispatcher = reinterpret_cast<Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (dispatcher != nullptr) {
            // A task may drop the last reference to the dispatcher itself; keep it alive
            // until the task has returned.
            const auto keep = forCurrentThread();
            dispatcher->runOne();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

namespace {

// Starts (or joins) the browser the environment's options describe. The engine reports a
// browser that cannot start as a failed creation, and options that differ from those of
// a browser already running on the same folder as ERROR_INVALID_STATE.
HRESULT startChromium(EngineContext& context) {
    try {
        const std::wstring arguments = withoutSwitch(context.browserArguments, context.knobs.droppedSwitch);
        ChromiumLaunch launch = chromiumLaunchFor(context.userDataFolder, context.language, arguments);
        launch.standInArguments = standInChromiumArguments(currentSettings().hostResolverRules);
        context.chromium = sharedChromium(launch);
        context.pump = std::make_shared<DevToolsPump>(context.chromium->port(), context.chromium->browserPath());
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

}  // namespace

std::optional<Knobs> parseKnobs(std::wstring_view text) {
    Knobs knobs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L',', start);
        if (end == std::wstring_view::npos) end = text.size();
        std::wstring_view item = text.substr(start, end - start);
        start = end + 1;
        while (!item.empty() && item.front() == L' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == L' ') item.remove_suffix(1);
        if (item.empty()) continue;
        const std::size_t equals = item.find(L'=');
        const std::wstring_view name = item.substr(0, equals);
        const std::wstring_view value = equals == std::wstring_view::npos ? std::wstring_view() : item.substr(equals + 1);
        const bool hasValue = equals != std::wstring_view::npos;
        const auto result = parseResult(value);
        const auto setResult = [&](HRESULT& field) {
            if (!result || SUCCEEDED(*result)) return false;
            field = *result;
            return true;
        };
        bool ok = false;
        if (name == L"no-runtime") ok = !hasValue && (knobs.runtimeMissing = true);
        else if (name == L"no-version-text") ok = !hasValue && (knobs.versionWithoutText = true);
        else if (name == L"no-environment") ok = !hasValue && (knobs.completionWithoutEnvironment = true);
        else if (name == L"hold-creation") ok = !hasValue && (knobs.holdCreation = true);
        else if (name == L"version") ok = !value.empty() && (knobs.version = value, true);
        else if (name == L"drop-switch") ok = value.starts_with(L"--") && (knobs.droppedSwitch = value, true);
        else if (name == L"refuse-creation") ok = setResult(knobs.creationRefused);
        else if (name == L"fail-creation") ok = setResult(knobs.creationFailed);
        else if (name == L"refuse-controller") ok = setResult(knobs.controllerRefused);
        else if (name == L"fail-controller") ok = setResult(knobs.controllerFailed);
        else if (name == L"refuse-zoom") ok = setResult(knobs.zoomRefused);
        else if (name == L"fail-script") ok = setResult(knobs.scriptFailed);
        else if (name == L"refuse-filter") ok = setResult(knobs.filterRefused);
        else if (name == L"refuse-download-path") ok = setResult(knobs.downloadPathRefused);
        else if (name == L"environment-version") {
            const auto n = parseVersionNumber(value, 1, 10);
            ok = n && (knobs.environmentVersion = *n, true);
        } else if (name == L"webview-version") {
            const auto n = parseVersionNumber(value, 1, 22);
            ok = n && (knobs.webviewVersion = *n, true);
        } else if (name == L"settings-version") {
            const auto n = parseVersionNumber(value, 1, 3);
            ok = n && (knobs.settingsVersion = *n, true);
        }
        if (!ok) return std::nullopt;
    }
    return knobs;
}

void configure(const Settings& settings) {
    settingsStore() = settings;
}

Settings currentSettings() {
    return settingsStore();
}

namespace {

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
           browserExecutableFolder != nullptr ? narrow(browserExecutableFolder) : "");
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
           narrow(userDataFolder != nullptr ? userDataFolder : L""));
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
    state["userDataFolder"] = narrow(context->userDataFolder);
    state["additionalBrowserArguments"] = narrow(context->browserArguments);
    state["language"] = narrow(context->language);
    state["targetCompatibleBrowserVersion"] = narrow(target);
    state["allowSingleSignOnUsingOSPrimaryAccount"] = singleSignOn != FALSE;
    state["runtimeVersion"] = narrow(context->version);
    nlohmann::ordered_json variables = nlohmann::ordered_json::object();
    for (const wchar_t* name : {L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                                L"WEBVIEW2_USER_DATA_FOLDER", L"WEBVIEW2_PIPE_FOR_SCRIPT_DEBUGGER",
                                L"WEBVIEW2_WAIT_FOR_SCRIPT_DEBUGGER", L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"}) {
        const std::wstring value = environmentVariable(name);
        if (!value.empty()) variables[narrow(name)] = narrow(value);
    }
    state["environmentVariables"] = variables;

    context->dispatcher = Dispatcher::forCurrentThread();
    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> completion(handler);
    auto complete = [context, completion, state]() {
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

std::shared_ptr<ChromiumProcess> chromiumOf(ICoreWebView2Environment* environment) {
    const auto found = liveEnvironments().find(environment);
    if (found == liveEnvironments().end()) return nullptr;
    const auto context = found->second.lock();
    return context ? context->chromium : nullptr;
}

std::optional<BackendKind> parseBackendKind(std::wstring_view text) {
    if (text.empty() || text == L"site") return BackendKind::siteFolder;
    if (text == L"chromium") return BackendKind::chromium;
    return std::nullopt;
}

int releaseHeldCreations() {
    auto held = std::move(heldCreations());
    heldCreations().clear();
    for (auto& [dispatcher, complete] : held) dispatcher->post(std::move(complete));
    return static_cast<int>(held.size());
}

ComPtr<ICoreWebView2Environment> makeEnvironment(std::shared_ptr<EngineContext> context) {
    auto environment = makeObject<Environment>(std::move(context));
    return ComPtr<ICoreWebView2Environment>(environment.Get());
}

ComPtr<ICoreWebView2WebResourceResponse> makeResponse(IStream* content, int statusCode, std::wstring reason,
                                                      const std::wstring& headers) {
    auto response = makeObject<Response>(content, statusCode, std::move(reason), headers);
    return ComPtr<ICoreWebView2WebResourceResponse>(response.Get());
}

std::optional<ResponseSnapshot> snapshotResponse(ICoreWebView2WebResourceResponse* response) {
    if (response == nullptr || liveResponses().count(response) == 0) return std::nullopt;
    return static_cast<Response*>(response)->snapshot();
}

std::optional<ResponseSnapshot> readResponse(ICoreWebView2WebResourceResponse* response) {
    return snapshotResponse(response);
}

}  // namespace vesko::standin
