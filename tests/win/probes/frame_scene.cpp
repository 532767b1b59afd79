// Opens the browser's main window in a state given on the command line, without an
// engine, for screenshot and input tests: tabs are put into the tab list directly.
// Arguments are name=value pairs:
//   ready=0|1          engine ready (default 1)
//   tabs=N             N tabs titled "Skeda 1" ... (default 0)
//   active=I           selected tab (default the last)
//   title.I=TEXT       title of tab I
//   dirty=I,J  loading=I,J  ajax=I,J  back=I,J  forward=I,J   flags per tab index
//   zoom=F             zoom factor of the selected tab
//   status=TEXT        a status text kept until replaced
//   show=max           start maximised
//   warn=0             no close warning (tabs with unsaved input close without asking)
// Exits with the code of the message loop when the window is closed.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ui/browser_app.h"

namespace {

std::vector<int> indices(const std::wstring& list) {
    std::vector<int> result;
    std::wstringstream in(list);
    std::wstring item;
    while (std::getline(in, item, L',')) {
        if (!item.empty()) result.push_back(std::stoi(item));
    }
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::map<std::wstring, std::wstring> options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        const auto equals = argument.find(L'=');
        if (equals == std::wstring::npos) return 2;
        options[argument.substr(0, equals)] = argument.substr(equals + 1);
    }
    const auto option = [&](const wchar_t* name, const wchar_t* fallback) {
        const auto found = options.find(name);
        return found != options.end() ? found->second : std::wstring(fallback);
    };

    vesko::BrowserApp app(GetModuleHandleW(nullptr));
    app.startGraphics();
    if (!app.createWindow()) return 1;
    app.engineReady = option(L"ready", L"1") == L"1";
    app.warnOnClose = option(L"warn", L"1") == L"1";

    const int count = std::stoi(option(L"tabs", L"0"));
    for (int i = 0; i < count; ++i) {
        auto tab = std::make_shared<vesko::BrowserApp::Tab>();
        tab->id = static_cast<std::uint32_t>(app.nextTabId++);
        tab->title = option((L"title." + std::to_wstring(i)).c_str(), (L"Skeda " + std::to_wstring(i + 1)).c_str());
        tab->url = L"https://portal.kordis.example/skeda/" + std::to_wstring(i + 1);
        tab->loading = false;
        app.tabs.push_back(std::move(tab));
    }
    const auto flag = [&](const wchar_t* name, bool vesko::BrowserApp::Tab::*member) {
        for (const int index : indices(option(name, L""))) {
            if (index >= 0 && index < count) (*app.tabs[static_cast<std::size_t>(index)]).*member = true;
        }
    };
    flag(L"dirty", &vesko::BrowserApp::Tab::dirty);
    flag(L"loading", &vesko::BrowserApp::Tab::loading);
    flag(L"ajax", &vesko::BrowserApp::Tab::ajaxBusy);
    flag(L"back", &vesko::BrowserApp::Tab::canGoBack);
    flag(L"forward", &vesko::BrowserApp::Tab::canGoForward);

    if (count > 0) {
        const int active = std::stoi(option(L"active", std::to_wstring(count - 1).c_str()));
        if (options.count(L"zoom") != 0 && active >= 0 && active < count) {
            app.tabs[static_cast<std::size_t>(active)]->zoom = std::wcstod(options[L"zoom"].c_str(), nullptr);
        }
        app.selectTab(active);
    }
    if (options.count(L"status") != 0) app.setStatus(options[L"status"], 0);
    app.layoutChildren();

    ShowWindow(app.window, option(L"show", L"") == L"max" ? SW_MAXIMIZE : SW_SHOWNORMAL);
    UpdateWindow(app.window);
    return app.runMessageLoop();
}
