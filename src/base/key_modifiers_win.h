#pragma once

#include <windows.h>

#include "base/user_text.h"

namespace vesko {

// The modifier keys as the thread's keyboard state has them for the key message being
// handled.
inline KeyModifiers heldKeyModifiers() {
    return KeyModifiers{GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0};
}

}  // namespace vesko
