// Process entry of VeskoBrowser-Kiosk.exe: prepares the process, then either runs the offline
// self-test or starts the browser, one per logon session. Fatal start-up errors end in a
// message box and exit 1.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/process_setup_win.h"
#include "app/single_instance_win.h"
#include "base/resource_report_win.h"
#include "base/wide_text_win.h"
#include "selftest/self_test_win.h"
#include "ui/browser_app_win.h"

namespace {

std::vector<std::wstring> commandLineArguments() {
    int count = 0;
    LPWSTR* raw = CommandLineToArgvW(GetCommandLineW(), &count);
    if (raw == nullptr) return {};
    std::vector<std::wstring> arguments(raw, raw + count);
    LocalFree(raw);
    return arguments;
}

void showFatalError(const char* message) {
    const std::wstring text = L"Vesko Browser: " + vesko::toWide(message);
    MessageBoxW(nullptr, text.c_str(), L"VESKO Browser", MB_ICONERROR);
}

}  // namespace

// Lets a module loaded into this process (the engine's, when it is the stand-in) read what
// the program holds: its own counts live in this executable's copy of the base layer.
extern "C" __declspec(dllexport) int VeskoReportResources(VeskoResourceReport* report) {
    return report != nullptr && vesko::fillResourceReport(*report) ? 1 : 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    vesko::restrictDllSearchPath();
    vesko::requestPerMonitorDpiAwareness();
    const vesko::ComApartment apartment;
    if (!apartment.initialized()) return 1;
    // Outlives the browser and the error box: a start during the box still finds it held.
    std::optional<vesko::SingleInstance> singleInstance;
    try {
        if (vesko::isSelfTestCommandLine(commandLineArguments())) return vesko::runSelfTest();
        singleInstance.emplace();
        if (singleInstance->anotherIsRunning()) {
            vesko::raiseRunningBrowser();
            return 0;
        }
        vesko::BrowserApp app(instance);
        return app.run(showCommand);
    } catch (const std::exception& error) {
        showFatalError(error.what());
        return 1;
    }
}
