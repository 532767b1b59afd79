#pragma once

#include <cstdint>
#include <optional>

#include "base/user_text.h"

namespace vesko {

// Windows virtual-key codes used by the shortcuts (their documented values).
inline constexpr std::int32_t kVkTab = 0x09;
inline constexpr std::int32_t kVkShift = 0x10;
inline constexpr std::int32_t kVkControl = 0x11;
inline constexpr std::int32_t kVkMenu = 0x12;  // Alt
inline constexpr std::int32_t kVkPrior = 0x21;  // Page Up
inline constexpr std::int32_t kVkNext = 0x22;   // Page Down
inline constexpr std::int32_t kVkHome = 0x24;
inline constexpr std::int32_t kVkLeft = 0x25;
inline constexpr std::int32_t kVkRight = 0x27;
inline constexpr std::int32_t kVkNumpad0 = 0x60;
inline constexpr std::int32_t kVkAdd = 0x6B;
inline constexpr std::int32_t kVkSubtract = 0x6D;
inline constexpr std::int32_t kVkF5 = 0x74;
inline constexpr std::int32_t kVkOemPlus = 0xBB;
inline constexpr std::int32_t kVkOemMinus = 0xBD;
inline constexpr std::int32_t kWmKeyDown = 0x0100;
inline constexpr std::int32_t kWmSysKeyDown = 0x0104;

// The command of a browser shortcut, or 0. Ctrl shortcuts win over Alt ones (so
// Ctrl+Alt+Left still goes back); F5 reloads with any modifiers; Shift only matters with
// Tab and T. The same table serves keys in the window and keys inside a page.
std::int32_t keyToCommand(std::int32_t virtualKey, KeyModifiers modifiers);

// Ctrl with a digit selects a tab directly: '1' to '8' the first to eighth tab, '9' the
// last one. The result is the tab index to select (it may be past the last tab, which
// selects nothing, and is -1 for '9' without tabs); no value when the key is not such a
// shortcut. Only keys that reach the program's own windows take this path, never keys
// inside a page.
std::optional<int> ctrlDigitTabIndex(std::int32_t virtualKey, KeyModifiers modifiers, int tabCount);

// The engine's key event kinds that a shortcut acts on: key-down and system-key-down.
inline constexpr std::int32_t kKeyEventKeyDown = 0;
inline constexpr std::int32_t kKeyEventSystemKeyDown = 2;

// The window command a key pressed inside a page stands for, or 0 to leave it to the
// page: the window's own key table, on key-down events only. Ctrl with a digit is not in
// that table, so a page keeps it.
std::int32_t pageKeyCommand(std::int32_t eventKind, std::int32_t virtualKey, KeyModifiers modifiers);

// Whether a command runs again on a held key's auto-repeats: zoom and switching tabs do;
// a command that opens, closes or reopens tabs, prints, saves or loads runs once per press.
bool commandRepeats(std::int32_t command);

}  // namespace vesko
