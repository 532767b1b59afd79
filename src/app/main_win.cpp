// Process entry of VeskoBrowser.exe.
#include <windows.h>

#include "app/process_setup_win.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE, PWSTR, int /*showCommand*/) {
    vesko::restrictDllSearchPath();
    vesko::requestPerMonitorDpiAwareness();
    const vesko::ComApartment apartment;
    if (!apartment.initialized()) return 1;
    int exitCode = 0;
    return exitCode;
}
