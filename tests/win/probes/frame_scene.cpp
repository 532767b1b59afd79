// Opens the browser's main window with a ready engine but no engine views, animations
// off, for screenshot tests: tabs are put into the tab list directly. Arguments are name=value pairs:
//   tabs=N                                    N tabs titled "Skeda 1" ...
//   active=I                                  the selected tab (default the last)
//   dirty=I,J  loading=I,J  ajax=I,J  back=I,J  flags per tab index
// Closing the window never asks (the close warning is off) and ends with the message
// loop's exit code.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "browser_app_test_access.h"

int wmain(int argc, wchar_t** argv) {
    std::map<std::wstring, std::wstring> options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        const auto equals = argument.find(L'=');
        if (equals == std::wstring::npos) return 2;
        options[argument.substr(0, equals)] = argument.substr(equals + 1);
    }

    vesko::BrowserApp app(GetModuleHandleW(nullptr));
    vesko::BrowserAppTestAccess inside(app);
    app.startGraphics();
    if (!app.createWindow()) return 1;
    inside.setEngineReady(true);
    inside.warnOnClose() = false;
    // Still pictures: the spinner and the progress line as drawn without animations.
    inside.window().animationsEnabled = false;

    const int count = options.count(L"tabs") ? std::stoi(options[L"tabs"]) : 0;
    for (int i = 0; i < count; ++i) {
        auto tab = std::make_shared<vesko::TabView>(inside.nextTabId()++,
                                                    L"https://portal.kordis.example/skeda/" + std::to_wstring(i + 1),
                                                    vesko::PopupRequest{});
        tab->title = L"Skeda " + std::to_wstring(i + 1);
        tab->loading = false;
        inside.tabs().push_back(std::move(tab));
    }
    const auto each = [&](const wchar_t* name, const std::function<void(vesko::TabView&)>& set) {
        std::wstringstream list(options[name]);
        for (std::wstring item; std::getline(list, item, L',');) {
            const int index = item.empty() ? -1 : std::stoi(item);
            if (index >= 0 && index < count) set(*app.tabs()[static_cast<std::size_t>(index)]);
        }
    };
    const auto flag = [&](const wchar_t* name, bool vesko::TabView::*member) {
        each(name, [member](vesko::TabView& tab) { tab.*member = true; });
    };
    each(L"dirty", [](vesko::TabView& tab) { tab.unsaved.markTop(); });
    flag(L"loading", &vesko::TabView::loading);
    flag(L"ajax", &vesko::TabView::ajaxBusy);
    flag(L"back", &vesko::TabView::canGoBack);
    if (count > 0) app.selectTab(options.count(L"active") ? std::stoi(options[L"active"]) : count - 1);
    app.layoutChildren();

    ShowWindow(app.window(), SW_SHOWNORMAL);
    UpdateWindow(app.window());
    return app.runMessageLoop();
}
