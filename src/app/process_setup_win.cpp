#include "app/process_setup_win.h"

#include <windows.h>
#include <objbase.h>

namespace vesko {

void restrictDllSearchPath() {
    // A failure leaves the default search order; nothing better can be done this early.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
}

void requestPerMonitorDpiAwareness() {
    using SetAwarenessFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return;
    // Looked up at run time: the function is missing before Windows 10 1703.
    auto setAwareness = reinterpret_cast<SetAwarenessFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    if (setAwareness != nullptr) setAwareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

ComApartment::ComApartment()
    : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComApartment::~ComApartment() {
    if (initialized_) CoUninitialize();
}

}  // namespace vesko
