#pragma once
// Shared by the Wine-side tests: the message pump, a scratch folder, file and text
// helpers, keys held for the thread, and the stand-in engine in this process, either as
// a bare environment and controller or wired to a whole browser application.

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/wide_text_win.h"
#include "assets/asset_pack.h"
#include "engine/com_callback_win.h"
#include "engine/environment_options_win.h"
#include "policy/compiled_config.h"
#include "standin.h"
#include "support/test_packs.h"
#include "browser_app_test_access.h"

namespace vesko {

using Microsoft::WRL::ComPtr;

inline void dispatch(const MSG& message) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// Runs the thread's message loop until `done` answers true or the time is up. One message
// at a time, so a test can stop right after the step it waits for.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000,
                      const std::function<void(const MSG&)>& deliver = dispatch) {
    const auto deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!done()) {
        if (GetTickCount64() > deadline) return false;
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            deliver(message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    return true;
}

// Delivers everything queued now and whatever that queues in turn.
inline void settle(const std::function<void(const MSG&)>& deliver = dispatch) {
    MSG message;
    for (int round = 0; round < 10000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++round) deliver(message);
}

// A fresh folder under the temporary directory, removed with everything in it.
struct TestFolder {
    // The time as well: Wine reuses process ids from run to run, and what a killed run left
    // behind (a browser profile's links to sockets that are gone) is never touched.
    const std::filesystem::path path = [] {
        static int counter = 0;
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        const std::wstring name = L"vesko-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
        std::filesystem::create_directories(std::filesystem::path(base) / name);
        return std::filesystem::path(base) / name;
    }();
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

inline void writeText(const std::filesystem::path& path, std::string_view text) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}
inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    const std::string text = readText(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}
// A string the engine handed out, freed.
inline std::wstring takeText(LPWSTR raw) {
    std::wstring text = raw != nullptr ? raw : L"";
    CoTaskMemFree(raw);
    return text;
}
// The error code an action throws, or "no error".
inline std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

// Keys held down for the thread while the object lives, as GetKeyState sees them.
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> keys) {
        GetKeyboardState(previous_);
        BYTE state[256] = {};
        for (const int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    ~HeldKeys() { SetKeyboardState(previous_); }

private:
    BYTE previous_[256] = {};
};

// Answers every task dialog titled "Vesko Browser" that this thread shows while the
// object lives: ticks the check box if asked, then presses the button. A thread timer
// does it from inside the dialog's own message loop.
class DialogAnswerer {
public:
    DialogAnswerer(int button, bool tickCheckBox) {
        button_ = button;
        tick_ = tickCheckBox;
        shown_ = 0;
        timer_ = SetTimer(nullptr, 0, 30, &DialogAnswerer::onTimer);
    }
    ~DialogAnswerer() { KillTimer(nullptr, timer_); }
    static int shown() { return shown_; }

private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = FindWindowW(L"#32770", L"Vesko Browser");
        if (dialog == nullptr || !IsWindowVisible(dialog)) return;
        ++shown_;
        if (tick_) SendMessageW(dialog, TDM_CLICK_VERIFICATION, TRUE, FALSE);
        SendMessageW(dialog, TDM_CLICK_BUTTON, static_cast<WPARAM>(button_), 0);
    }
    UINT_PTR timer_ = 0;
    static inline int button_ = 0;
    static inline bool tick_ = false;
    static inline int shown_ = 0;
};

// A hidden top-level window that engine views can live in.
struct HostWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"engine test host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ~HostWindow() { DestroyWindow(window); }
};

// An environment of the stand-in as configured, with the program's options and, when
// given, other switches; null when the creation fails.
inline ComPtr<ICoreWebView2Environment> createEnvironment(const std::filesystem::path& userData,
                                                          const wchar_t* arguments = nullptr) {
    const auto options = createEnvironmentOptions();
    if (arguments != nullptr) options->put_AdditionalBrowserArguments(arguments);
    auto created = std::make_shared<std::optional<ComPtr<ICoreWebView2Environment>>>();
    const auto done = makeCallback<EnvironmentCompletedCallback>([created](HRESULT, ICoreWebView2Environment* e) {
        *created = e;
        return S_OK;
    });
    if (FAILED(standin::createEnvironmentWithOptions(nullptr, userData.c_str(), options.Get(), done.Get()))) return {};
    pumpUntil([&] { return created->has_value(); }, 30000);
    return created->value_or(nullptr);
}

inline ComPtr<ICoreWebView2Controller> createController(ICoreWebView2Environment* environment, HWND parent) {
    auto created = std::make_shared<std::optional<ComPtr<ICoreWebView2Controller>>>();
    const auto done = makeCallback<ControllerCompletedCallback>([created](HRESULT, ICoreWebView2Controller* c) {
        *created = c;
        return S_OK;
    });
    if (environment == nullptr || FAILED(environment->CreateCoreWebView2Controller(parent, done.Get()))) return {};
    pumpUntil([&] { return created->has_value(); }, 20000);
    return created->value_or(nullptr);
}

// The host answers every request under https://page.test/ with the HTML `page` gives for
// its address, so a test's page needs neither a site folder nor a server.
inline void servePages(ICoreWebView2* view, ICoreWebView2Environment* environment,
                       std::function<std::string(const std::wstring& uri)> page) {
    ComPtr<ICoreWebView2Environment> keep(environment);
    EventRegistrationToken token{};
    view->AddWebResourceRequestedFilter(L"https://page.test/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    view->add_WebResourceRequested(
        makeCallback<WebResourceRequestedCallback>([keep, page](ICoreWebView2*,
                                                                ICoreWebView2WebResourceRequestedEventArgs* a) {
            ComPtr<ICoreWebView2WebResourceRequest> request;
            a->get_Request(&request);
            LPWSTR raw = nullptr;
            request->get_Uri(&raw);
            const std::string text = page(takeText(raw));
            ComPtr<IStream> body;
            body.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(text.data()), static_cast<UINT>(text.size())));
            ComPtr<ICoreWebView2WebResourceResponse> response;
            keep->CreateWebResourceResponse(body.Get(), 200, L"OK", L"Content-Type: text/html", &response);
            a->put_Response(response.Get());
            return S_OK;
        }).Get(),
        &token);
}

// Details of the stand-in's recorded calls of `method`.
inline std::vector<std::string> recorded(const std::string& method) {
    std::vector<std::string> details;
    for (const auto& call : standin::callRecord()) {
        if (call.method == method) details.push_back(call.detail);
    }
    return details;
}

inline const std::wstring kPortalHost = toWide(config::kPortalHost);
inline const std::wstring kPortal = L"https://" + kPortalHost + L"/";
// A file the built pack answers by an exact rule.
inline const std::wstring kPackScript = L"https://code.jquery.com/jquery-3.7.1.min.js";

// A browser application wired to the stand-in in this process: a hidden window for the
// views, a site folder served under the portal and CDN hosts, and a pump that hands the
// main window's private messages to the application the way its window procedure does.
// The engine gets the program's switches unless `arguments` names others; the pack is the
// built one, or without `packWithHook` one that lacks the diagnostic hook.
class TabFixture {
public:
    explicit TabFixture(const std::wstring& knobs = L"", const wchar_t* arguments = nullptr, bool packWithHook = true) {
        const auto site = folder.path / L"site";
        const auto portal = site / kPortalHost;
        writeText(portal / L"index.html",
                  "<html><head><title>Ballina</title>"
                  "<script src=\"https://code.jquery.com/jquery-3.7.1.min.js\"></script>"
                  "<link rel=\"stylesheet\" href=\"https://cdnjs.cloudflare.com/ajax/libs/x/1.0/x.css\">"
                  "<script src=\"https://tracker.example/t.js\"></script></head><body>"
                  "<iframe src=\"https://maps.example/harta\"></iframe><iframe src=\"/korniza.html\"></iframe>"
                  "</body></html>");
        writeText(portal / L"faqe.html", "<title>Faqe</title><p>faqe</p>");
        writeText(portal / L"titull-bosh.html", "<title></title><p>empty title</p>");
        writeText(portal / L"korniza.html", "<title>Korniza</title>");
        writeText(portal / L"raporti.csv", "zona;rreshta\n1;2\n");
        writeText(site / L"cdnjs.cloudflare.com/ajax/libs/x/1.0/x.css", "body{}");
        writeText(site / L"maps.example/harta", "<title>Harta</title>");

        standin::Settings settings;
        settings.knobs = *standin::parseKnobs(knobs);
        settings.siteFolder = site;
        standin::configure(settings);
        standin::clearCallRecord();

        inside.window().window = host.window;
        inside.window().addressField = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, host.window,
                                                       nullptr, GetModuleHandleW(nullptr), nullptr);
        inside.assetPack() =
            parseAssetPack(packWithHook ? readBytes(VESKO_ASSET_PACK_PATH) : vesko::testing::minimalPack());
        inside.runtimeVersion() = standin::kStandInVersion;
        inside.savePathPrompt() = [this](HWND owner, const std::wstring& name, const std::wstring& filter) {
            prompts.push_back({owner, name, filter});
            return chosenPath;
        };
        if (const auto environment = createEnvironment(folder.path / L"UserData", arguments)) {
            inside.adoptEnvironment(environment.Get(), &standin::createEnvironmentWithOptions, folder.path / L"UserData");
        }
    }

    // What the program did that the engine documents as wrong (a message loop inside one of
    // its event handlers, a response stream that does not hold) fails the test.
    ~TabFixture() {
        EXPECT_EQ(standin::faults(), std::vector<std::string>{});
        standin::clearFaults();
    }

    bool pump(const std::function<bool()>& done, int timeoutMs = 5000) {
        return pumpUntil(done, timeoutMs, [this](const MSG& m) { deliver(m); });
    }
    void settle() {
        vesko::settle([this](const MSG& m) { deliver(m); });
    }
    // Downloads' second step and the engine's restart go to the application, commands
    // posted from page keys are collected, the window's timers are left alone.
    void deliver(const MSG& message) {
        if (message.hwnd != app.window()) return dispatch(message);
        if (message.message == WM_APP_DOWNLOAD) {
            try {
                app.onDownloadMessage(message.lParam);
            } catch (const std::exception& error) {
                guardErrors.push_back(error.what());
            }
        } else if (message.message == WM_APP_RESTART) {
            app.restartEngine();
        } else if (message.message == WM_APP_CLOSE_TAB) {
            app.closeTabForPage(static_cast<std::uint32_t>(message.wParam));
        } else if (message.message == WM_APP_COMMAND) {
            postedCommands.push_back(static_cast<std::int32_t>(message.wParam));
        } else if (message.message != WM_TIMER) {
            dispatch(message);
        }
    }

    // A tab with the probe already passed, showing `url` once loaded.
    std::shared_ptr<TabView> openPortal(const std::wstring& url = kPortal) {
        inside.setProbePassed(true);
        app.openTab(url, {}, false);
        if (app.tabs().empty()) return nullptr;
        auto tab = app.tabs().back();
        pump([&] { return tab->webview() && !tab->loading; });
        settle();
        return tab;
    }
    // Navigates the tab's view and waits for the navigation to start and to complete.
    bool navigateAndWait(const std::shared_ptr<TabView>& tab, const std::wstring& url) {
        tab->navigate(url);
        return pump([&] { return tab->loading; }) && pump([&] { return !tab->loading; });
    }
    std::wstring source(const std::shared_ptr<TabView>& tab) const {
        const auto view = standin::readView(tab->controller());
        return view ? view->source : L"<no view>";
    }
    std::wstring addressField() const {
        wchar_t text[256] = {};
        GetWindowTextW(inside.window().addressField, text, 256);
        return text;
    }

    struct Prompt {
        HWND owner;
        std::wstring name;
        std::wstring filter;
    };

    TestFolder folder;
    HostWindow host;
    BrowserApp app{nullptr};
    mutable BrowserAppTestAccess inside{app};
    std::wstring chosenPath;
    std::vector<Prompt> prompts;
    std::vector<std::int32_t> postedCommands;
    std::vector<std::string> guardErrors;
};

}  // namespace vesko
