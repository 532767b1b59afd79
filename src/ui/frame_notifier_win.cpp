#include "ui/frame_notifier_win.h"

#include <oleauto.h>

#include <string>

#include "base/wide_text_win.h"
#include "ui/frame_provider_win.h"
#include "ui/uia_interface_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

class SystemAutomationEvents final : public AutomationEventSink {
public:
    void automationEvent(IRawElementProviderSimple* element, EVENTID event) override {
        if (const auto raise = uia::api().raiseAutomationEvent) raise(element, event);
    }
    void propertyChanged(IRawElementProviderSimple* element, PROPERTYID property, const VARIANT& before,
                         const VARIANT& after) override {
        if (const auto raise = uia::api().raisePropertyChangedEvent) raise(element, property, before, after);
    }
    void structureChanged(IRawElementProviderSimple* element, int change, std::vector<int> runtimeId) override {
        if (const auto raise = uia::api().raiseStructureChangedEvent) {
            raise(element, change, runtimeId.empty() ? nullptr : runtimeId.data(), static_cast<int>(runtimeId.size()));
        }
    }
};

// The MSAA child id of the part with `key`: its place in the description, from 1.
LONG childIdOf(const std::vector<FrameElement>& elements, std::uint32_t key) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (elements[i].key == key) return static_cast<LONG>(i) + 1;
    }
    return CHILDID_SELF;
}

// A text property value that frees itself.
struct TextVariant {
    explicit TextVariant(const std::string& utf8) {
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(toWide(utf8).c_str());
    }
    ~TextVariant() { VariantClear(&value); }
    TextVariant(const TextVariant&) = delete;
    TextVariant& operator=(const TextVariant&) = delete;
    VARIANT value;
};

}  // namespace

std::unique_ptr<AutomationEventSink> systemAutomationEvents() { return std::make_unique<SystemAutomationEvents>(); }

void FrameNotifier::announce(const std::vector<FrameChange>& changes, const std::vector<FrameElement>& before,
                             const std::vector<FrameElement>& after) const {
    for (const FrameChange& change : changes) announce(change, before, after);
}

void FrameNotifier::announce(const FrameChange& change, const std::vector<FrameElement>& before,
                             const std::vector<FrameElement>& after) const {
    const ComPtr<IRawElementProviderSimple> element = makeFrameProvider(model_, change.key);
    const LONG child = childIdOf(after, change.key);
    DWORD winEvent = 0;
    switch (change.kind) {
        case FrameChangeKind::Structure:
            sink_->structureChanged(element.Get(), uia::kChildrenInvalidated,
                                    change.key == 0 ? std::vector<int>{}
                                                    : std::vector<int>{uia::kAppendRuntimeId, static_cast<int>(change.key)});
            // MSAA knows the client's children only as a flat list: it is the client that
            // was reordered.
            NotifyWinEvent(EVENT_OBJECT_REORDER, model_->window(), OBJID_CLIENT, CHILDID_SELF);
            return;
        case FrameChangeKind::Name: {
            const FrameElement* old = findElement(before, change.key);
            const FrameElement* now = findElement(after, change.key);
            const TextVariant oldName(old != nullptr ? old->name : std::string());
            const TextVariant newName(now != nullptr ? now->name : std::string());
            sink_->propertyChanged(element.Get(), uia::kNameProperty, oldName.value, newName.value);
            winEvent = EVENT_OBJECT_NAMECHANGE;
            break;
        }
        case FrameChangeKind::Selection:
            sink_->automationEvent(element.Get(), uia::kElementSelectedEvent);
            winEvent = EVENT_OBJECT_SELECTION;
            break;
        case FrameChangeKind::Focus:
            sink_->automationEvent(element.Get(), uia::kFocusChangedEvent);
            winEvent = EVENT_OBJECT_FOCUS;
            break;
        case FrameChangeKind::LiveRegion:
            sink_->automationEvent(element.Get(), uia::kLiveRegionChangedEvent);
            winEvent = EVENT_OBJECT_LIVEREGIONCHANGED;
            break;
    }
    NotifyWinEvent(winEvent, model_->window(), OBJID_CLIENT, child);
}

}  // namespace vesko
