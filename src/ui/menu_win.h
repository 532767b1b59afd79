#pragma once

#include <windows.h>

#include "ui/menu_model.h"

namespace vesko {

// Shows the three-dots menu under its button and waits for the choice: the chosen
// command, or 0. Opened from the keyboard, its first item starts selected.
int trackMainMenu(HWND window, double dpiScale, const MenuInput& input, bool fromKeyboard);

}  // namespace vesko
