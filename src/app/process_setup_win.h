#pragma once

namespace vesko {

// Loads only from System32 and directories added explicitly, so a planted DLL in the
// current or program folder is never picked up implicitly.
void restrictDllSearchPath();

// Per-monitor (v2) DPI awareness when the system offers it; older systems keep their default.
void requestPerMonitorDpiAwareness();

// A single-threaded COM apartment for the UI thread; released when the scope ends.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool initialized() const { return initialized_; }

private:
    bool initialized_ = false;
};

}  // namespace vesko
