#pragma once
// What the page-event handlers make of the engine's reports: the tab's title, the
// completion texts and the shortcuts taken away from a page.

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/key_table.h"
#include "ui/status_line.h"

namespace vesko {

inline constexpr std::string_view kDefaultTabTitle = "KORDIS";

// The engine's key event kinds that a shortcut acts on: key-down and system-key-down.
inline constexpr std::int32_t kKeyEventKeyDown = 0;
inline constexpr std::int32_t kKeyEventSystemKeyDown = 2;

inline constexpr StatusMessage kPageLoadedStatus{"Faqja u ngarkua.", 3};
inline constexpr StatusMessage kPageFailedStatus{
    "Faqja nuk u ngarkua. Kontrollo lidhjen ose provo rifreskimin.", 7};

// The document's title, or "KORDIS" for a page without one.
std::string tabTitle(std::string_view documentTitle);

// The window command a key pressed inside a page stands for, or 0 to leave it to the
// page: the window's own key table, on key-down events only. Ctrl with a digit is not in
// that table, so a page keeps it.
std::int32_t pageKeyCommand(std::int32_t eventKind, std::int32_t virtualKey, KeyModifiers modifiers);

}  // namespace vesko
