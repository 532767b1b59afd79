// The application object's side of the frame's accessibility: when clients hear of changes,
// what answers WM_GETOBJECT, and what a client's request does.
#include "ui/browser_app_win.h"

#include "ui/frame_description.h"
#include "ui/main_window_win.h"

namespace vesko {

void BrowserApp::frameChanged() {
    if (window_.window == nullptr || frameChangePending_) return;
    frameChangePending_ = PostMessageW(window_.window, WM_APP_FRAME_CHANGED, 0, 0) != FALSE;
}

void BrowserApp::onFrameChanged() {
    frameChangePending_ = false;
    if (window_.window == nullptr) return;
    accessibility_.frameChanged(window_.window, window_.addressField, describeFrame(frameSnapshot()));
}

LRESULT BrowserApp::onGetObject(WPARAM wParam, LPARAM lParam) {
    const auto answer =
        accessibility_.getObject(window_.window, window_.addressField, describeFrame(frameSnapshot()), wParam, lParam);
    return answer ? *answer : DefWindowProcW(window_.window, WM_GETOBJECT, wParam, lParam);
}

void BrowserApp::onFrameAction(WPARAM request, LPARAM key) {
    if (static_cast<FrameRequest>(request) == FrameRequest::SetAddressText) {
        const auto text = accessibility_.takeAddressText();
        if (text && window_.addressField != nullptr) SetWindowTextW(window_.addressField, text->c_str());
        return;
    }
    // The part as it is now: the tab a request named may have moved since.
    const std::vector<FrameElement> elements = describeFrame(frameSnapshot());
    const FrameElement* element = findElement(elements, static_cast<std::uint32_t>(key));
    if (element != nullptr && element->enabled) performFrameClick(*this, window_, element->click);
}

void BrowserApp::releaseAccessibility() {
    accessibility_.detach();
}

}  // namespace vesko
