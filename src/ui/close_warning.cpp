#include "ui/close_warning.h"

namespace vesko {

bool closeWarningNeeded(CloseWarningState state) {
    return state.warnOnClose && !state.suppressed;
}

CloseWarningOutcome closeWarningOutcome(CloseWarningState state, bool dialogShown,
                                        std::int32_t pressedButton, bool checkBoxTicked) {
    CloseWarningOutcome outcome;
    outcome.state = state;
    if (!dialogShown) return outcome;
    if (checkBoxTicked) {
        outcome.state.warnOnClose = false;
        outcome.savePreferences = true;
    }
    if (pressedButton == kCloseWarningYesButton) {
        outcome.state.suppressed = true;
        outcome.close = true;
    }
    return outcome;
}

CloseWarningState toggledCloseWarning(CloseWarningState state) {
    return CloseWarningState{!state.warnOnClose, false};
}

const StatusMessage& closeWarningToggleStatus(const CloseWarningState& state) {
    return state.warnOnClose ? kCloseWarningOnStatus : kCloseWarningOffStatus;
}

std::string pageInfoContent(std::string_view portalHost) {
    std::string text = "Faqja e lejuar: ";
    text += portalHost;
    text += "\n\nLocal Assets \xC3\xABsht\xC3\xAB i integruar.\n"
            "Parametrat --disable-web-security dhe --allow-running-insecure-content jan\xC3\xAB "
            "aktiv\xC3\xAB p\xC3\xABr pajtueshm\xC3\xABrin\xC3\xAB me portalin.\n\n"
            "Zoom dhe paralajm\xC3\xABrimi i mbylljes ndryshohen nga menuja me tri pika.";
    return text;
}

}  // namespace vesko
