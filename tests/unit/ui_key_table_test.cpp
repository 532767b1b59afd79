#include "ui/key_table.h"

#include <gtest/gtest.h>

#include "ui/commands.h"

namespace vesko {
namespace {

constexpr KeyModifiers kNone{};
constexpr KeyModifiers kCtrl{true, false, false};
constexpr KeyModifiers kCtrlShift{true, true, false};
constexpr KeyModifiers kAlt{false, false, true};
constexpr KeyModifiers kCtrlAlt{true, false, true};
constexpr KeyModifiers kShift{false, true, false};

struct Case {
    const char* name;
    std::int32_t key;
    KeyModifiers modifiers;
    std::int32_t command;
};

static constexpr Case kCases[] = {
    // Ctrl rows.
    {"Ctrl+Tab", 0x09, kCtrl, commands::NextTab},
    {"Ctrl+Shift+Tab", 0x09, kCtrlShift, commands::PreviousTab},
    {"Ctrl+PageUp", 0x21, kCtrl, commands::PreviousTab},
    {"Ctrl+PageDown", 0x22, kCtrl, commands::NextTab},
    {"Ctrl+0", 0x30, kCtrl, commands::ZoomReset},
    {"Ctrl+Numpad0", 0x60, kCtrl, commands::ZoomReset},
    {"Ctrl+L", 0x4C, kCtrl, commands::FocusAddress},
    {"Ctrl+P", 0x50, kCtrl, commands::Print},
    {"Ctrl+R", 0x52, kCtrl, commands::ReloadOrStop},
    {"Ctrl+T", 0x54, kCtrl, commands::NewTab},
    {"Ctrl+Shift+T", 0x54, kCtrlShift, commands::ReopenClosedTab},
    {"Ctrl+W", 0x57, kCtrl, commands::CloseTab},
    {"Ctrl+Add", 0x6B, kCtrl, commands::ZoomIn},
    {"Ctrl+OemPlus", 0xBB, kCtrl, commands::ZoomIn},
    {"Ctrl+Subtract", 0x6D, kCtrl, commands::ZoomOut},
    {"Ctrl+OemMinus", 0xBD, kCtrl, commands::ZoomOut},
    {"Ctrl+Shift+W", 0x57, kCtrlShift, commands::CloseTab},  // Shift matters only for Tab and T
    // Alt rows; a Ctrl miss falls through to them, a Ctrl hit wins.
    {"Alt+Left", 0x25, kAlt, commands::Back},
    {"Alt+Right", 0x27, kAlt, commands::Forward},
    {"Alt+Home", 0x24, kAlt, commands::Home},
    {"Ctrl+Alt+Left", 0x25, kCtrlAlt, commands::Back},
    {"Ctrl+Alt+T", 0x54, kCtrlAlt, commands::NewTab},
    // F5 with any modifiers.
    {"F5", 0x74, kNone, commands::ReloadOrStop},
    {"Ctrl+F5", 0x74, kCtrl, commands::ReloadOrStop},
    {"Alt+F5", 0x74, kAlt, commands::ReloadOrStop},
    // Keys without their modifier, or outside the table.
    {"T", 0x54, kNone, commands::None},
    {"Shift+T", 0x54, kShift, commands::None},
    {"Alt+T", 0x54, kAlt, commands::None},
    {"Left", 0x25, kNone, commands::None},
    {"Ctrl+Left", 0x25, kCtrl, commands::None},
    {"Ctrl+1", 0x31, kCtrl, commands::None},  // tab selection is not in this table
    {"Ctrl+Backspace", 0x08, kCtrl, commands::None},
    {"Ctrl+OemPeriod", 0xBE, kCtrl, commands::None},
};

TEST(KeyTable, KeyToCommand) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keyToCommand(c.key, c.modifiers), c.command);
    }
}

TEST(KeyTable, CtrlDigitSelectsTab) {
    EXPECT_EQ(ctrlDigitTabIndex('1', kCtrl, 3), 0);
    EXPECT_EQ(ctrlDigitTabIndex('5', kCtrl, 3), 4);  // beyond the last tab: selects nothing
    EXPECT_EQ(ctrlDigitTabIndex('9', kCtrl, 3), 2);  // always the last tab
    EXPECT_EQ(ctrlDigitTabIndex('9', kCtrl, 0), -1);
    EXPECT_EQ(ctrlDigitTabIndex('0', kCtrl, 3), std::nullopt);  // zoom reset instead
    EXPECT_EQ(ctrlDigitTabIndex('5', kAlt, 3), std::nullopt);
    EXPECT_EQ(ctrlDigitTabIndex(0x61, kCtrl, 3), std::nullopt);  // numeric pad 1
}

}  // namespace
}  // namespace vesko
