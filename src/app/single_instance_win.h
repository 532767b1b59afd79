#pragma once

#include <windows.h>

namespace vesko {

inline constexpr wchar_t kSingleInstanceMutexName[] = L"Local\\VESKOSBrowser.KioskTest.SingleInstance.v1";

// One browser per logon session: the first start holds a named mutex for its whole life;
// a later start sees that the mutex already exists. A mutex that cannot be created at all
// counts as no other browser, so a failure here never keeps the browser from starting.
class SingleInstance {
public:
    explicit SingleInstance(const wchar_t* name = kSingleInstanceMutexName);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool anotherIsRunning() const { return anotherIsRunning_; }

private:
    HANDLE mutex_ = nullptr;
    bool anotherIsRunning_ = false;
};

// Brings the running browser's main window to the front, restoring it first when it is
// minimised. A maximised or normal window keeps its size. False when the other browser
// has no window yet.
bool raiseRunningBrowser();

}  // namespace vesko
