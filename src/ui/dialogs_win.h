#pragma once
// The close warning, the page-information dialog and the hung-page question, all task
// dialogs.

#include <windows.h>

#include <functional>
#include <string>

namespace vesko {

// What the user did with a task dialog; not shown when the system has no task dialogs.
struct DialogAnswer {
    bool shown = false;
    int button = 0;
    bool checkBoxTicked = false;
};

// The close warning owned by `owner`, asking `question`, with its check box.
DialogAnswer showCloseWarning(HWND owner, HINSTANCE instance, const std::wstring& question);
void showPageInfoDialog(HWND owner, HINSTANCE instance);
// Whether to wait for a hung page or reload it: the button chosen (kHangWaitButton or
// kHangReloadButton), 0 without a dialog. Closes by itself, as a wait, once
// `stillHanging` answers false.
int askHangQuestion(HWND owner, HINSTANCE instance, const std::function<bool()>& stillHanging);

}  // namespace vesko
