#pragma once

#include <cstdint>

#include "ui/status_line.h"

namespace vesko {

// Every user action is one of these numbers, whether it comes from the toolbar, the
// tab strip, the three-dots menu, a key in the window or a key inside a page.
namespace commands {

inline constexpr std::int32_t None = 0;
inline constexpr std::int32_t NewTab = 100;
inline constexpr std::int32_t CloseTab = 101;
inline constexpr std::int32_t Back = 102;
inline constexpr std::int32_t Forward = 103;
inline constexpr std::int32_t ReloadOrStop = 104;
inline constexpr std::int32_t Home = 105;
inline constexpr std::int32_t Downloads = 106;
inline constexpr std::int32_t SaveDiagnostics = 107;
inline constexpr std::int32_t Print = 109;
inline constexpr std::int32_t FocusAddress = 110;
inline constexpr std::int32_t NextTab = 111;
inline constexpr std::int32_t PreviousTab = 112;
inline constexpr std::int32_t ReopenClosedTab = 113;
inline constexpr std::int32_t ZoomIn = 130;
inline constexpr std::int32_t ZoomOut = 131;
inline constexpr std::int32_t ZoomReset = 132;
inline constexpr std::int32_t ToggleCloseWarning = 140;
inline constexpr std::int32_t PageInfo = 141;
// ZoomPreset + i selects zoom preset i, for i = 0 to 8.
inline constexpr std::int32_t ZoomPreset = 300;
inline constexpr std::int32_t ZoomPresetLast = 308;

}  // namespace commands

constexpr bool isZoomPresetCommand(std::int32_t id) {
    return id >= commands::ZoomPreset && id <= commands::ZoomPresetLast;
}

// Zoom steps, reset and presets: the commands that go through the zoom rule.
constexpr bool isZoomCommand(std::int32_t id) {
    return id == commands::ZoomIn || id == commands::ZoomOut || id == commands::ZoomReset ||
           isZoomPresetCommand(id);
}

// Status texts of the commands.
inline constexpr StatusMessage kLoadingStoppedStatus{"Ngarkimi u ndal.", 7};
inline constexpr StatusMessage kReloadingStatus{"Po rifreskohet faqja\xE2\x80\xA6", 0};
inline constexpr StatusMessage kNothingToReopenStatus{
    "Nuk ka skeda t\xC3\xAB mbyllura p\xC3\xABr t\xE2\x80\x99u rihapur.", 3};
// A navigation command before the engine check has passed.
inline constexpr StatusMessage kAwaitProbeStatus{"Prit kontrollin e motorit.", 3};

// What the dispatcher may do with a command in the window's present state.
enum class CommandGate {
    Run,
    // Nothing happens: the engine is not ready, there is no page to act on, or the
    // number is not a command.
    Ignore,
    // A navigation command before the engine check has passed: not carried out.
    AwaitProbe,
};

struct CommandContext {
    bool engineReady = false;
    // The active tab exists and has its view.
    bool hasView = false;
    bool probePassed = false;
};

// The information dialog, the close-warning toggle and the diagnostics report work at
// any time; the tab commands need a ready engine; page commands also need the active
// tab's view, and navigation commands the passed engine check.
CommandGate commandGate(std::int32_t id, CommandContext context);

}  // namespace vesko
