#pragma once
// The frame as assistive technology sees it: a copy of the frame description that the UI
// thread refreshes and that UI Automation and MSAA read from whichever thread they call on.

#include <windows.h>
#include <uiautomationcore.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/frame_description.h"

namespace vesko {

// What a provider asks the window to do, in WM_APP_FRAME_ACTION's wParam; lParam holds the
// element's key. The window looks the element up again when the message arrives, so a
// request for a tab that has since moved reaches the same tab, and one for a part that is
// gone does nothing.
enum class FrameRequest : WPARAM { Click = 0, SetAddressText = 1 };

class FrameModel {
public:
    FrameModel(HWND window, HWND addressField) : window_(window), addressField_(addressField) {}

    // UI thread: the frame as it is now.
    void update(std::vector<FrameElement> elements);
    // UI thread: the window is going; every element answers as no longer available.
    void disconnect();

    std::vector<FrameElement> elements() const;
    std::optional<FrameElement> element(std::uint32_t key) const;
    // The key of the part next to `key` (0 is the root: the window's client) in `direction`.
    std::optional<std::uint32_t> navigate(std::uint32_t key, NavigateDirection direction) const;
    // The innermost part at a point in client coordinates.
    std::optional<std::uint32_t> elementAt(Point client) const;
    std::optional<std::uint32_t> focusedElement() const;
    std::optional<std::uint32_t> selectedTab() const;

    HWND window() const { return window_; }
    HWND addressField() const { return addressField_; }
    // Client bounds on the screen; empty bounds stay empty.
    RECT toScreen(const Rect& bounds) const;

    // Posted, never sent: a provider call must not re-enter the UI thread.
    bool request(FrameRequest request, std::uint32_t key) const;
    void setAddressText(std::wstring text);
    std::optional<std::wstring> takeAddressText();

private:
    mutable std::mutex mutex_;
    std::vector<FrameElement> elements_;
    const HWND window_;
    const HWND addressField_;
    bool connected_ = true;
    std::optional<std::wstring> addressText_;
};

}  // namespace vesko
