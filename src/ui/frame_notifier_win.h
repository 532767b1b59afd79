#pragma once
// Tells assistive technology what changed in the frame: for each change, the UI Automation
// event and the WinEvent together, so UI Automation and MSAA clients hear the same thing.

#include <windows.h>
#include <uiautomationcore.h>

#include <memory>
#include <vector>

#include "ui/frame_changes.h"
#include "ui/frame_model_win.h"

namespace vesko {

// Where UI Automation events go: the system's provider functions, or a test's recorder.
class AutomationEventSink {
public:
    virtual ~AutomationEventSink() = default;
    virtual void automationEvent(IRawElementProviderSimple* element, EVENTID event) = 0;
    virtual void propertyChanged(IRawElementProviderSimple* element, PROPERTYID property, const VARIANT& before,
                                 const VARIANT& after) = 0;
    // `runtimeId` is the changed element's own, empty for the root.
    virtual void structureChanged(IRawElementProviderSimple* element, int change, std::vector<int> runtimeId) = 0;
};

std::unique_ptr<AutomationEventSink> systemAutomationEvents();

class FrameNotifier {
public:
    FrameNotifier(std::shared_ptr<FrameModel> model, std::shared_ptr<AutomationEventSink> sink)
        : model_(std::move(model)), sink_(std::move(sink)) {}

    // The model already shows `after`: clients that ask back on hearing an event see it.
    void announce(const std::vector<FrameChange>& changes, const std::vector<FrameElement>& before,
                  const std::vector<FrameElement>& after) const;

private:
    void announce(const FrameChange& change, const std::vector<FrameElement>& before,
                  const std::vector<FrameElement>& after) const;

    std::shared_ptr<FrameModel> model_;
    std::shared_ptr<AutomationEventSink> sink_;
};

}  // namespace vesko
