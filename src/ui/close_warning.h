#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/status_line.h"

namespace vesko {

// Whether closing a tab or the window with unsaved page input asks first. `warnOnClose`
// is the saved preference; `suppressed` lasts for this run, after the user once answered
// "Po".
struct CloseWarningState {
    bool warnOnClose = true;
    bool suppressed = false;

    friend bool operator==(const CloseWarningState&, const CloseWarningState&) = default;
};

inline constexpr std::int32_t kCloseWarningYesButton = 1001;
inline constexpr std::int32_t kCloseWarningNoButton = 1002;
inline constexpr std::int32_t kPageInfoCloseButton = 1001;
// TDF_ALLOW_DIALOG_CANCELLATION | TDF_SIZE_TO_CONTENT.
inline constexpr std::uint32_t kTaskDialogFlags = 0x1000008;

inline constexpr std::string_view kDialogTitle = "Vesko Browser";
inline constexpr std::string_view kCloseWarningInstruction = "Pun\xC3\xAB e paruajtur";
inline constexpr std::string_view kCloseWarningYes = "Po";
inline constexpr std::string_view kCloseWarningNo = "Jo";
inline constexpr std::string_view kCloseWarningCheckBox = "Mos e shfaq m\xC3\xAB";
inline constexpr std::string_view kCloseWarningExplanation =
    "Pas zgjedhjes Po, ky paralajm\xC3\xABrim nuk p\xC3\xABrs\xC3\xABritet deri n\xC3\xAB hapjen "
    "tjet\xC3\xABr t\xC3\xAB browserit. Zgjedhja Jo e anulon mbylljen.";
inline constexpr std::string_view kCloseWarningExpand = "Shfaq shpjegimin";
inline constexpr std::string_view kCloseWarningCollapse = "Fshih shpjegimin";
inline constexpr std::string_view kCloseTabQuestion =
    "Kjo sked\xC3\xAB p\xC3\xABrmban ndryshime. Mbyllja mund t\xC3\xAB humbas\xC3\xAB pun\xC3\xABn "
    "e paruajtur. T\xC3\xAB mbyllet?";
inline constexpr std::string_view kCloseWindowQuestion =
    "Ka skeda me ndryshime. T\xC3\xAB mbyllet Vesko Browser? Puna e paruajtur mund t\xC3\xAB "
    "humbas\xC3\xAB.";

inline constexpr std::string_view kPageInfoInstruction = "Informacion p\xC3\xABr faqen";
inline constexpr std::string_view kPageInfoClose = "Mbyll";

inline constexpr StatusMessage kCloseWarningOnStatus{
    "Paralajm\xC3\xABrimi i mbylljes u aktivizua.", 7};
inline constexpr StatusMessage kCloseWarningOffStatus{
    "Paralajm\xC3\xABrimi i mbylljes u \xC3\xA7""aktivizua.", 7};

// No dialog while the warning is off or was already answered "Po" in this run.
bool closeWarningNeeded(CloseWarningState state);

struct CloseWarningOutcome {
    bool close = false;
    CloseWarningState state;
    // The preference changed and must be saved.
    bool savePreferences = false;
};

// The answer of the close-warning dialog. Only "Po" closes, and it silences the warning
// for this run; a ticked "Mos e shfaq më" turns the warning off for good whatever the
// button; a dialog that could not be shown keeps everything open and changes nothing.
CloseWarningOutcome closeWarningOutcome(CloseWarningState state, bool dialogShown,
                                        std::int32_t pressedButton, bool checkBoxTicked);

// The close-warning switch of the menu: flips the preference and always re-arms the
// warning, even if "Po" silenced it in this run.
CloseWarningState toggledCloseWarning(CloseWarningState state);
const StatusMessage& closeWarningToggleStatus(const CloseWarningState& state);

// The information dialog's content for the portal host.
std::string pageInfoContent(std::string_view portalHost);

}  // namespace vesko
