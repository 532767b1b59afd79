#pragma once

#include <windows.h>

#include "ui/menu_model.h"

namespace vesko {

// Shows the three-dots menu under its button and waits for the choice: the chosen
// command, or 0.
int trackMainMenu(HWND window, double dpiScale, const MenuInput& input);

}  // namespace vesko
