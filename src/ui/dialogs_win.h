#pragma once
// The close warning and the page-information dialog, both task dialogs.

#include <windows.h>

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

}  // namespace vesko
