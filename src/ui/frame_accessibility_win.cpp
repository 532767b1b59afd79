#include "ui/frame_accessibility_win.h"

#include <oleacc.h>

#include <utility>

#include "ui/frame_changes.h"
#include "ui/frame_msaa_win.h"
#include "ui/frame_provider_win.h"
#include "ui/uia_interface_win.h"

namespace vesko {

void FrameAccessibility::attach(HWND window, HWND addressField) {
    if (model_ && model_->window() == window && model_->addressField() == addressField) return;
    detach();
    model_ = std::make_shared<FrameModel>(window, addressField);
    notifier_ = std::make_unique<FrameNotifier>(model_, sink_);
    announced_.clear();
}

std::optional<LRESULT> FrameAccessibility::getObject(HWND window, HWND addressField, std::vector<FrameElement> now,
                                                    WPARAM wParam, LPARAM lParam) {
    // Object ids are 32-bit values, whatever the width of lParam.
    const LONG id = static_cast<LONG>(lParam);
    if (id != uia::kRootObjectId && id != OBJID_CLIENT) return std::nullopt;
    attach(window, addressField);
    model_->update(std::move(now));
    if (id == OBJID_CLIENT) {
        // The documented way for an MSAA server to live beside a UI Automation provider:
        // each answers its own object id. Wine bridges no UI Automation root to MSAA
        // clients, so without this object they would see an empty client there.
        const auto accessible = makeFrameAccessible(model_);
        return LresultFromObject(IID_IAccessible, wParam, accessible.Get());
    }
    const auto returnProvider = uia::api().returnRawElementProvider;
    if (returnProvider == nullptr) return std::nullopt;
    if (!root_) root_ = makeFrameProvider(model_, 0);
    return returnProvider(window, wParam, lParam, root_.Get());
}

void FrameAccessibility::frameChanged(HWND window, HWND addressField, std::vector<FrameElement> now) {
    attach(window, addressField);
    model_->update(now);
    if (!announced_.empty()) notifier_->announce(frameChanges(announced_, now), announced_, now);
    announced_ = std::move(now);
}

void FrameAccessibility::detach() {
    if (!model_) return;
    if (root_) {
        if (const auto disconnect = uia::api().disconnectProvider) disconnect(root_.Get());
    }
    // Tells UI Automation that the window's providers are gone.
    if (const auto returnProvider = uia::api().returnRawElementProvider) {
        returnProvider(model_->window(), 0, 0, nullptr);
    }
    model_->disconnect();
    root_.Reset();
    model_.reset();
}

std::optional<std::wstring> FrameAccessibility::takeAddressText() {
    return model_ ? model_->takeAddressText() : std::nullopt;
}

void FrameAccessibility::setEventSink(std::shared_ptr<AutomationEventSink> sink) {
    sink_ = std::move(sink);
    if (model_) notifier_ = std::make_unique<FrameNotifier>(model_, sink_);
}

}  // namespace vesko
