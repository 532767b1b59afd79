#include "app/single_instance_win.h"

#include "ui/window_state_win.h"

namespace vesko {

SingleInstance::SingleInstance(const wchar_t* name) {
    mutex_ = CreateMutexW(nullptr, FALSE, name);
    anotherIsRunning_ = GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool raiseRunningBrowser() {
    HWND window = FindWindowW(kMainWindowClassName, nullptr);
    if (window == nullptr) return false;
    // SW_RESTORE would also take a maximised window out of its maximised state.
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}

}  // namespace vesko
