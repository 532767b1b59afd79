#pragma once
// A browser application wired to the stand-in engine in this process: a window for the
// views, a site folder served under the portal and CDN hosts, the built asset pack, and
// a message pump that hands the main window's private messages to the application the
// way its window procedure does.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/wide_text_win.h"
#include "assets/asset_pack.h"
#include "engine/com_callback_win.h"
#include "engine/environment_options_win.h"
#include "engine_test_support_win.h"
#include "policy/compiled_config.h"
#include "standin.h"
#include "test_folder_win.h"
#include "ui/browser_app.h"

namespace vesko::tabtest {

inline const std::wstring kPortalHost = toWide(config::kPortalHost);
inline const std::wstring kPortal = L"https://" + kPortalHost + L"/";
// A file the built pack answers by an exact rule.
inline const std::wstring kPackScript = L"https://code.jquery.com/jquery-3.7.1.min.js";

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct Options {
    std::wstring knobs;
    // The engine switches the environment is given; the program's own by default.
    std::optional<std::wstring> arguments;
    bool packWithHook = true;
};

class TabFixture {
public:
    explicit TabFixture(const Options& options = {}) {
        const auto site = folder.path() / L"site";
        const auto portal = site / kPortalHost;
        writeText(portal / L"index.html",
                  "<html><head><title>Ballina</title>"
                  "<script src=\"https://code.jquery.com/jquery-3.7.1.min.js\"></script>"
                  "<link rel=\"stylesheet\" href=\"https://cdnjs.cloudflare.com/ajax/libs/x/1.0/x.css\">"
                  "<script src=\"https://tracker.example/t.js\"></script>"
                  "<img src=\"/logo.png\"></head><body>"
                  "<iframe src=\"https://maps.example/harta\"></iframe><iframe src=\"/korniza.html\"></iframe>"
                  "<a href=\"/faqe.html\">Faqe</a></body></html>");
        writeText(portal / L"faqe.html", "<title>Faqe</title><p>faqe</p>");
        writeText(portal / L"titull-bosh.html", "<title></title><p>empty title</p>");
        writeText(portal / L"korniza.html", "<title>Korniza</title>");
        writeText(portal / L"logo.png", "PNG");
        writeText(portal / L"raporti.csv", "zona;rreshta\n1;2\n");
        writeText(site / L"cdnjs.cloudflare.com" / L"ajax" / L"libs" / L"x" / L"1.0" / L"x.css", "body{}");
        writeText(site / L"maps.example" / L"harta", "<title>Harta</title>");

        standin::Settings settings;
        settings.knobs = *standin::parseKnobs(options.knobs);
        settings.siteFolder = site;
        standin::configure(settings);
        standin::clearCallRecord();

        app.window = host.get();
        app.addressField = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, host.get(), nullptr,
                                           GetModuleHandleW(nullptr), nullptr);
        app.assetPack = parseAssetPack(options.packWithHook ? readBytes(VESKO_ASSET_PACK_PATH) : minimalAssetPack());
        app.runtimeVersion = standin::kStandInVersion;
        app.savePathPrompt = [this](HWND owner, const std::wstring& name, const std::wstring& filter) {
            prompts.push_back({owner, name, filter});
            return chosenPath;
        };

        const auto environmentOptions = createEnvironmentOptions();
        if (options.arguments) environmentOptions->put_AdditionalBrowserArguments(options.arguments->c_str());
        ComPtr<ICoreWebView2Environment> created;
        const auto handler = makeCallback<EnvironmentCompletedCallback>([&](HRESULT, ICoreWebView2Environment* e) {
            created = e;
            return S_OK;
        });
        if (FAILED(standin::createEnvironmentWithOptions(nullptr, (folder.path() / L"UserData").c_str(),
                                                         environmentOptions.Get(), handler.Get())) ||
            !pumpUntil([&] { return created != nullptr; })) {
            return;
        }
        app.environment = created;
        queryEngineInterface(created.Get(), app.environment10);
        app.engineReady = true;
    }

    template <typename Interface>
    using ComPtr = Microsoft::WRL::ComPtr<Interface>;

    // Runs the loop like the main window does: private messages of the main window go to
    // the application, commands posted from page keys are collected.
    bool pump(const std::function<bool()>& done, int timeoutMs = 5000) {
        const auto deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
        while (!done()) {
            if (GetTickCount64() > deadline) return false;
            // One message at a time, so a test can stop right after the step it waits for.
            MSG message;
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                deliver(message);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            }
        }
        return true;
    }
    // Everything queued now and whatever it queues in turn.
    void settle() {
        for (int round = 0; round < 200; ++round) {
            MSG message;
            bool any = false;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                any = true;
                deliver(message);
            }
            if (!any) return;
        }
    }

    void deliver(const MSG& message) {
        if (message.hwnd == app.window && message.message == WM_APP_DOWNLOAD) {
            try {
                app.onDownloadMessage(message.lParam);
            } catch (const std::exception& error) {
                guardErrors.push_back(error.what());
            }
            return;
        }
        if (message.hwnd == app.window && message.message == WM_APP_COMMAND) {
            postedCommands.push_back(static_cast<std::int32_t>(message.wParam));
            return;
        }
        if (message.hwnd == app.window && message.message == WM_TIMER) return;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    // The first tab with the probe already passed, showing the portal's start page.
    std::shared_ptr<BrowserApp::Tab> openPortal(const std::wstring& url = kPortal) {
        app.probePassed = true;
        app.openTab(url, nullptr, nullptr, false);
        if (app.tabs.empty()) return nullptr;
        auto tab = app.tabs.back();
        pump([&] { return tab->webview && !tab->loading; });
        settle();
        return tab;
    }

    // Navigates the tab's view and waits for the navigation to start and to complete.
    bool navigateAndWait(const std::shared_ptr<BrowserApp::Tab>& tab, const std::wstring& url) {
        tab->webview->Navigate(url.c_str());
        return pump([&] { return tab->loading; }) && pump([&] { return !tab->loading; });
    }

    std::optional<standin::ViewState> view(const std::shared_ptr<BrowserApp::Tab>& tab) const {
        return standin::readView(tab->controller.Get());
    }

    struct Prompt {
        HWND owner;
        std::wstring name;
        std::wstring filter;
    };

    TestFolder folder;
    HostWindow host;
    BrowserApp app{nullptr};
    std::wstring chosenPath;
    std::vector<Prompt> prompts;
    std::vector<std::int32_t> postedCommands;
    std::vector<std::string> guardErrors;
};

// Calls of one method in the stand-in's record, with their details.
inline std::vector<std::string> recorded(const std::string& method) {
    std::vector<std::string> details;
    for (const auto& call : standin::callRecord()) {
        if (call.method == method) details.push_back(call.detail);
    }
    return details;
}

// Index of the first recorded call of `method` on an object whose name starts with
// `object`; -1 when none.
inline int firstCall(const std::string& object, const std::string& method) {
    const auto calls = standin::callRecord();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].object.rfind(object, 0) == 0 && calls[i].method == method) return static_cast<int>(i);
    }
    return -1;
}

// Holds the keys as the keyboard state of this thread, released afterwards.
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> keys) {
        GetKeyboardState(previous_);
        BYTE state[256];
        std::copy(std::begin(previous_), std::end(previous_), std::begin(state));
        for (const int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    ~HeldKeys() { SetKeyboardState(previous_); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

private:
    BYTE previous_[256]{};
};

}  // namespace vesko::tabtest
