// The close warning and the page-information dialog, both task dialogs owned by the main
// window.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "base/wide_text_win.h"
#include "policy/compiled_config.h"
#include "ui/dialogs_win.h"
#include "engine/process_recovery.h"
#include "ui/close_warning.h"

namespace vesko {
namespace {

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Task dialogs exist only in version 6 of the common controls. Looked up at run time so a
// process without that version (no manifest) loads all the same and simply gets no dialog.
TaskDialogIndirectFn taskDialogIndirect() {
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    if (controls == nullptr) return nullptr;
    return reinterpret_cast<TaskDialogIndirectFn>(
        reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")));
}

DialogAnswer showTaskDialog(const TASKDIALOGCONFIG& config) {
    DialogAnswer answer;
    const TaskDialogIndirectFn show = taskDialogIndirect();
    if (show == nullptr) return answer;
    BOOL ticked = FALSE;
    const HRESULT result = show(&config, &answer.button, nullptr, config.pszVerificationText ? &ticked : nullptr);
    answer.shown = SUCCEEDED(result);
    answer.checkBoxTicked = ticked != FALSE;
    return answer;
}

}  // namespace

DialogAnswer showCloseWarning(HWND owner, HINSTANCE instance, const std::wstring& question) {
    const std::wstring title = toWide(kDialogTitle);
    const std::wstring instruction = toWide(kCloseWarningInstruction);
    const std::wstring yes = toWide(kCloseWarningYes);
    const std::wstring no = toWide(kCloseWarningNo);
    const std::wstring checkBox = toWide(kCloseWarningCheckBox);
    const std::wstring explanation = toWide(kCloseWarningExplanation);
    const std::wstring expand = toWide(kCloseWarningExpand);
    const std::wstring collapse = toWide(kCloseWarningCollapse);
    const TASKDIALOG_BUTTON buttons[] = {{kCloseWarningYesButton, yes.c_str()}, {kCloseWarningNoButton, no.c_str()}};

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.hInstance = instance;
    config.dwFlags = kTaskDialogFlags;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszMainInstruction = instruction.c_str();
    config.pszContent = question.c_str();
    config.cButtons = static_cast<UINT>(std::size(buttons));
    config.pButtons = buttons;
    config.nDefaultButton = kCloseWarningNoButton;
    config.pszVerificationText = checkBox.c_str();
    config.pszExpandedInformation = explanation.c_str();
    config.pszCollapsedControlText = expand.c_str();
    config.pszExpandedControlText = collapse.c_str();

    return showTaskDialog(config);
}

void showPageInfoDialog(HWND owner, HINSTANCE instance) {
    const std::wstring title = toWide(kDialogTitle);
    const std::wstring instruction = toWide(kPageInfoInstruction);
    const std::wstring content = toWide(pageInfoContent(config::kPortalHost));
    const std::wstring close = toWide(kPageInfoClose);
    const TASKDIALOG_BUTTON buttons[] = {{kPageInfoCloseButton, close.c_str()}};

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.hInstance = instance;
    config.dwFlags = kTaskDialogFlags;
    config.pszWindowTitle = title.c_str();
    config.pszMainInstruction = instruction.c_str();
    config.pszContent = content.c_str();
    config.cButtons = static_cast<UINT>(std::size(buttons));
    config.pButtons = buttons;
    config.nDefaultButton = kPageInfoCloseButton;
    showTaskDialog(config);
}

int askHangQuestion(HWND owner, HINSTANCE instance, const std::function<bool()>& stillHanging) {
    const std::wstring title = toWide(kDialogTitle);
    const std::wstring instruction = toWide(kHangInstruction);
    const std::wstring content = toWide(kHangContent);
    const std::wstring wait = toWide(kHangWait);
    const std::wstring reload = toWide(kHangReload);
    const TASKDIALOG_BUTTON buttons[] = {{kHangWaitButton, wait.c_str()}, {kHangReloadButton, reload.c_str()}};

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.hInstance = instance;
    config.dwFlags = kTaskDialogFlags | TDF_CALLBACK_TIMER;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszMainInstruction = instruction.c_str();
    config.pszContent = content.c_str();
    config.cButtons = static_cast<UINT>(std::size(buttons));
    config.pButtons = buttons;
    config.nDefaultButton = kHangWaitButton;
    // About every 200 ms the dialog looks whether the page answers again and then closes
    // itself, as if the user had chosen to wait.
    config.pfCallback = [](HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR data) -> HRESULT {
        const auto& hanging = *reinterpret_cast<const std::function<bool()>*>(data);
        if (notification == TDN_TIMER && !hanging()) SendMessageW(dialog, TDM_CLICK_BUTTON, kHangWaitButton, 0);
        return S_OK;
    };
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&stillHanging);
    return showTaskDialog(config).button;
}

}  // namespace vesko
