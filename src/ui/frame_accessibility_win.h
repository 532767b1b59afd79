#pragma once
// The main window's accessibility: answers WM_GETOBJECT with the UI Automation root or the
// MSAA client object, keeps their copy of the frame current and tells clients what changed.

#include <windows.h>
#include <uiautomationcore.h>
#include <wrl/client.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/frame_description.h"
#include "ui/frame_model_win.h"
#include "ui/frame_notifier_win.h"

namespace vesko {

class FrameAccessibility {
public:
    FrameAccessibility() = default;
    FrameAccessibility(const FrameAccessibility&) = delete;
    FrameAccessibility& operator=(const FrameAccessibility&) = delete;
    ~FrameAccessibility() { detach(); }

    // WM_GETOBJECT with the frame as it is now; nothing for an object id that is not ours.
    std::optional<LRESULT> getObject(HWND window, HWND addressField, std::vector<FrameElement> now, WPARAM wParam,
                                     LPARAM lParam);
    // The frame as it is now: the providers' copy follows, and clients hear what changed
    // since the last call (nothing on the first: a new window is announced by the system).
    void frameChanged(HWND window, HWND addressField, std::vector<FrameElement> now);
    // The window is being destroyed: providers still held by clients answer that their
    // elements are gone.
    void detach();
    // The address text a client set, once.
    std::optional<std::wstring> takeAddressText();

    // Tests record UI Automation events here instead of raising them.
    void setEventSink(std::shared_ptr<AutomationEventSink> sink);
    const std::shared_ptr<FrameModel>& model() const { return model_; }

private:
    void attach(HWND window, HWND addressField);

    std::shared_ptr<FrameModel> model_;
    Microsoft::WRL::ComPtr<IRawElementProviderSimple> root_;
    std::shared_ptr<AutomationEventSink> sink_ = systemAutomationEvents();
    std::unique_ptr<FrameNotifier> notifier_;
    std::vector<FrameElement> announced_;
};

}  // namespace vesko
