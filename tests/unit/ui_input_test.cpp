// What the user's input means: keys, the command gate, the three-dots menu, and the
// pointer over the frame (hit test, hover and clicks).
#include <gtest/gtest.h>

#include "ui/commands.h"
#include "ui/dpi_scale.h"
#include "ui/hit_testing.h"
#include "ui/key_table.h"
#include "ui/menu_model.h"
#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

constexpr KeyModifiers kNone{}, kCtrl{true, false, false}, kCtrlShift{true, true, false}, kAlt{false, false, true},
    kCtrlAlt{true, false, true}, kShift{false, true, false};

TEST(KeyTable, KeyToCommand) {
    using namespace commands;
    static constexpr struct { std::int32_t key; KeyModifiers modifiers; std::int32_t command; } kCases[] = {
        // Ctrl rows; Shift matters only for Tab and T.
        {0x09, kCtrl, NextTab}, {0x09, kCtrlShift, PreviousTab}, {0x21, kCtrl, PreviousTab}, {0x22, kCtrl, NextTab},
        {'0', kCtrl, ZoomReset}, {0x60, kCtrl, ZoomReset}, {'L', kCtrl, FocusAddress}, {'P', kCtrl, Print},
        {'R', kCtrl, ReloadOrStop}, {'T', kCtrl, NewTab}, {'T', kCtrlShift, ReopenClosedTab}, {'W', kCtrl, CloseTab},
        {'W', kCtrlShift, CloseTab}, {0x6B, kCtrl, ZoomIn}, {0xBB, kCtrl, ZoomIn}, {0x6D, kCtrl, ZoomOut},
        {0xBD, kCtrl, ZoomOut},
        // Alt rows; a Ctrl miss falls through to them.
        {0x25, kAlt, Back}, {0x27, kAlt, Forward}, {0x24, kAlt, Home}, {0x25, kCtrlAlt, Back},
        // F5 with any modifiers.
        {0x74, kNone, ReloadOrStop}, {0x74, kCtrl, ReloadOrStop},
        // Keys without their modifier, or outside the table.
        {'T', kNone, None}, {'T', kShift, None}, {'T', kAlt, None}, {0x25, kCtrl, None}, {'1', kCtrl, None},
        {0x08, kCtrl, None}, {0xBE, kCtrl, None},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(keyToCommand(c.key, c.modifiers), c.command)
            << "key " << c.key << " ctrl " << c.modifiers.ctrl << " shift " << c.modifiers.shift << " alt "
            << c.modifiers.alt;
    }
    // Ctrl with a digit selects a tab, Ctrl+9 always the last one.
    EXPECT_EQ(ctrlDigitTabIndex('1', kCtrl, 3), 0);
    EXPECT_EQ(ctrlDigitTabIndex('8', kCtrl, 3), 7);  // beyond the last tab: selects nothing
    EXPECT_EQ(ctrlDigitTabIndex('9', kCtrl, 3), 2);
    EXPECT_EQ(ctrlDigitTabIndex('9', kCtrl, 0), -1);
    EXPECT_EQ(ctrlDigitTabIndex('0', kCtrl, 3), std::nullopt);  // zoom reset instead
    EXPECT_EQ(ctrlDigitTabIndex('5', kAlt, 3), std::nullopt);
    // A held key repeats only zooming and switching tabs.
    for (const std::int32_t command : {ZoomIn, ZoomOut, ZoomReset, NextTab, PreviousTab}) {
        EXPECT_TRUE(commandRepeats(command)) << command;
    }
    for (const std::int32_t command : {NewTab, CloseTab, ReopenClosedTab, Print, SaveDiagnostics, ReloadOrStop,
                                       Back, Forward, Home, FocusAddress}) {
        EXPECT_FALSE(commandRepeats(command)) << command;
    }
}

constexpr CommandGate R = CommandGate::Run, I = CommandGate::Ignore, P = CommandGate::AwaitProbe;

TEST(Commands, Gate) {
    using namespace commands;
    // Engine not ready; ready without a view; with a view before the engine check passed;
    // everything in place.
    static constexpr struct { std::int32_t id; CommandGate notReady, noView, probePending, full; } kCases[] = {
        {PageInfo, R, R, R, R}, {ToggleCloseWarning, R, R, R, R}, {SaveDiagnostics, R, R, R, R},
        {NewTab, I, R, R, R}, {CloseTab, I, R, R, R}, {NextTab, I, R, R, R}, {PreviousTab, I, R, R, R},
        {FocusAddress, I, R, R, R}, {ReopenClosedTab, I, R, R, R},
        {ZoomOut, I, I, R, R}, {ZoomPresetLast, I, I, R, R}, {Downloads, I, I, R, R}, {Print, I, I, R, R},
        {Back, I, I, P, R}, {Home, I, I, P, R}, {108, I, I, I, I}, {309, I, I, I, I},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(commandGate(c.id, {false, true, true}), c.notReady) << c.id;
        EXPECT_EQ(commandGate(c.id, {true, false, true}), c.noView) << c.id;
        EXPECT_EQ(commandGate(c.id, {true, true, false}), c.probePending) << c.id;
        EXPECT_EQ(commandGate(c.id, {true, true, true}), c.full) << c.id;
    }
}

// The commands of a menu's items in order, -1 for a separator.
std::vector<std::int32_t> commandsOf(const std::vector<MenuItem>& items) {
    std::vector<std::int32_t> out;
    for (const MenuItem& item : items) out.push_back(item.kind == MenuItem::Kind::Separator ? -1 : item.command);
    return out;
}

TEST(MenuModel, ItemsCheckMarksAndTitle) {
    using namespace commands;
    const auto menu = buildMainMenu({1.0, true, true});
    EXPECT_EQ(commandsOf(menu), (std::vector<std::int32_t>{0, -1, NewTab, ReopenClosedTab, Print, Downloads, -1,
                                                           SaveDiagnostics}));
    EXPECT_EQ(menu[0].kind, MenuItem::Kind::Submenu);
    EXPECT_EQ(commandsOf(menu[0].items), (std::vector<std::int32_t>{ZoomIn, ZoomOut, ZoomReset, -1, 300, 301, 302, 303,
                                                                    304, 305, 306, 307, 308, -1, ToggleCloseWarning}));
    EXPECT_EQ(menu[0].items[4].text, "50%");
    EXPECT_EQ(menu[0].items[12].text, "200%");
    for (const MenuItem& item : menu) EXPECT_FALSE(item.grayed) << item.text;
    EXPECT_EQ(menuAnchor(1280, 1.25), (Point{1267, 104}));
    const struct { double zoom; bool warnOnClose; std::vector<std::int32_t> checked; } kCases[] = {
        {1.0, true, {303, 140}}, {1.25, false, {305}},
        {1.3000000000000003, true, {140}},  // three steps: no preset
        {0.7549, false, {301}}, {0.755, false, {}},  // within half a percent
    };
    for (const auto& c : kCases) {
        const auto zoomed = buildMainMenu({c.zoom, c.warnOnClose, false});
        std::vector<std::int32_t> checked;
        for (const MenuItem& item : zoomed[0].items) {
            if (item.checked) checked.push_back(item.command);
        }
        EXPECT_EQ(checked, c.checked) << c.zoom;
        EXPECT_TRUE(zoomed[3].grayed);  // nothing to reopen
    }
    EXPECT_EQ(buildMainMenu({1.3000000000000003, true, true})[0].text, "Cil\xC3\xABsimet \xC2\xB7 Zoom 130%");
}

constexpr bool T = true;
constexpr bool F = false;

// A 1280 × 850 window with three tabs, none scrolled out.
FrameState frameAt(unsigned dpi, bool engineReady, bool maximized = false) {
    return FrameState{1280, 850, dpiScaleForDpi(dpi), 3, 0, engineReady, maximized};
}

TEST(FrameHitTest, Table) {
    static constexpr struct { unsigned dpi; int x, y; bool ready, maximized; int expected; } kCases[] = {
        // Resize edges, 7 units wide, none when maximised.
        {96, 0, 0, T, F, kHitTopLeft}, {96, 1279, 0, T, F, kHitTopRight}, {96, 0, 849, T, F, kHitBottomLeft},
        {96, 1279, 849, T, F, kHitBottomRight}, {96, 6, 400, T, F, kHitLeft}, {96, 1273, 400, T, F, kHitRight},
        {96, 640, 6, T, F, kHitTop}, {96, 640, 843, T, F, kHitBottom}, {96, 7, 400, T, F, kHitClient},
        {144, 10, 400, T, F, kHitLeft}, {144, 11, 400, T, F, kHitClient}, {96, 0, 0, T, T, kHitCaption},
        // The strip: caption except for its buttons and, once the engine is ready, the tabs.
        {96, 600, 42, T, F, kHitCaption}, {96, 600, 43, F, F, kHitClient},
        {96, 283, 20, T, F, kHitClient}, {96, 283, 20, F, F, kHitCaption}, {96, 281, 20, T, F, kHitCaption},
        {96, 1141, 20, F, F, kHitCaption}, {96, 1142, 20, F, F, kHitClient},
        {120, 971, 30, T, F, kHitClient}, {120, 971, 30, F, F, kHitCaption}, {144, 59, 30, T, F, kHitClient},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(frameHitTest({c.x, c.y}, frameAt(c.dpi, c.ready, c.maximized)), c.expected)
            << "(" << c.x << ", " << c.y << ") at " << c.dpi << " dpi, ready " << c.ready << ", maximised "
            << c.maximized;
    }
}

TEST(FrameHover, Table) {
    static constexpr struct {
        unsigned dpi;
        int x, y;
        bool ready;
        HoverState expected;  // toolbar item, caption button, new tab, tab, tab close
    } kCases[] = {
        // Toolbar buttons from the top left pixel of Back to the last column of Home.
        {96, 7, 48, T, {0, -1, F, -1, F}}, {96, 6, 48, T, {-1, -1, F, -1, F}}, {96, 7, 47, T, {-1, -1, F, -1, F}},
        {96, 162, 64, T, {3, -1, F, -1, F}}, {96, 163, 64, T, {-1, -1, F, -1, F}},
        {120, 58, 100, T, {1, -1, F, -1, F}}, {120, 58, 101, T, {-1, -1, F, -1, F}},
        // The information icon and the menu button.
        {96, 169, 80, T, {5, -1, F, -1, F}}, {96, 1243, 64, T, {4, -1, F, -1, F}},
        {96, 1242, 64, T, {-1, -1, F, -1, F}},
        // Caption buttons: close in its last row and column.
        {96, 1279, 39, T, {-1, 2, F, -1, F}}, {96, 1279, 40, T, {-1, -1, F, -1, F}},
        // The new-tab button only once the engine is ready; the third tab and its close glyph.
        {120, 971, 30, T, {-1, -1, T, -1, F}}, {120, 971, 30, F, {-1, -1, F, -1, F}},
        {120, 911, 15, T, {-1, -1, F, 2, T}}, {120, 910, 15, T, {-1, -1, F, 2, F}},
    };
    for (const auto& c : kCases) {
        const HoverState h = hoverAt({c.x, c.y}, frameAt(c.dpi, c.ready));
        EXPECT_TRUE(h == c.expected) << "(" << c.x << ", " << c.y << ") at " << c.dpi << " dpi, ready " << c.ready
                                     << ": " << h.hoveredToolbarItem << " " << h.hoveredCaptionButton << " "
                                     << h.newTabHovered << " " << h.hoveredTab << " " << h.tabCloseHovered;
    }
    // The button width and the strips are rounded separately. At 175 % the last column of
    // the Home button divides into a fifth slot, which must not light up the menu button;
    // at 105 % the last column of the window divides into a fourth caption slot.
    EXPECT_EQ(toolbarItemAt({284, 112}, 1280, dpiScaleForDpi(168)), kToolbarHome);
    EXPECT_EQ(clickAt({1279, 10}, frameAt(101, true)).action, FrameAction::Close);
    for (unsigned dpi = 96; dpi <= 480; ++dpi) {
        const double s = dpiScaleForDpi(dpi);
        EXPECT_EQ(toolbarItemAt({scalePx(163, s) - 1, scalePx(64, s)}, 2000, s), kToolbarHome) << dpi;
        EXPECT_EQ(captionButtonAt({1999, 0}, 2000, s), kCaptionClose) << dpi;
    }
}

TEST(FrameClick, Table) {
    using A = FrameAction;
    static constexpr struct { unsigned dpi; int x, y; bool ready, maximized; FrameClick click; } kCases[] = {
        // Caption buttons work before the engine is ready; nothing else does.
        {96, 1143, 10, F, F, {A::Minimize}}, {96, 1188, 10, F, F, {A::Maximize}},
        {120, 1165, 13, T, T, {A::Restore}}, {120, 1279, 49, F, F, {A::Close}}, {96, 7, 60, F, F, {A::None}},
        // Toolbar: buttons from the left edge, the information icon, the menu; not the address box.
        {96, 0, 60, T, F, {A::ToolbarButton, 0}}, {96, 162, 60, T, F, {A::ToolbarButton, 3}},
        {120, 211, 75, T, F, {A::PageInfo}}, {120, 500, 75, T, F, {A::None}},
        {144, 1224, 131, T, F, {A::ShowMenu}}, {144, 30, 132, T, F, {A::None}},
        // The strip.
        {96, 513, 35, T, F, {A::CloseTab, 1}}, {120, 354, 25, T, F, {A::SelectTab, 1}},
        {120, 354, 25, F, F, {A::None}}, {144, 994, 36, T, F, {A::NewTab}}, {96, 32, 7, T, F, {A::ScrollLeft}},
        {144, 1040, 30, T, F, {A::None}},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(clickAt({c.x, c.y}, frameAt(c.dpi, c.ready, c.maximized)), c.click)
            << "(" << c.x << ", " << c.y << ") at " << c.dpi << " dpi, ready " << c.ready << ", maximised "
            << c.maximized;
    }
    const std::int32_t kCommands[] = {commands::Back, commands::Forward, commands::ReloadOrStop, commands::Home, 0};
    for (int button = 0; button <= 4; ++button) EXPECT_EQ(toolbarButtonCommand(button), kCommands[button]);
    // Twelve tabs at 96 dpi, 1000 wide: eight shown from the fourth on, the mark after them.
    FrameState frame{1000, 700, 1.0, 12, 3, true, false};
    EXPECT_EQ(clickAt({45, 20}, frame), (FrameClick{FrameAction::SelectTab, 3}));
    EXPECT_EQ(clickAt({800, 20}, frame), (FrameClick{FrameAction::ScrollRight, -1}));
    frame.tabCount = 11;  // nothing hidden on the right: the new-tab button moves left
    EXPECT_EQ(clickAt({800, 20}, frame), (FrameClick{FrameAction::NewTab, -1}));

    EXPECT_EQ(middleClickTabAt({368, 30}, frameAt(144, true)), 1);
    EXPECT_EQ(middleClickTabAt({994, 36}, frameAt(144, true)), -1);  // new-tab button
    EXPECT_EQ(middleClickTabAt({368, 65}, frameAt(144, true)), -1);  // toolbar
}

}  // namespace
}  // namespace vesko
