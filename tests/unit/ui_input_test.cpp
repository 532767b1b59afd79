// What the user's input means: keys, the command gate, the three-dots menu, and the
// pointer over the frame (hit test, hover and clicks).
#include <gtest/gtest.h>

#include "ui/commands.h"
#include "ui/dpi_scale.h"
#include "ui/hit_test.h"
#include "ui/key_table.h"
#include "ui/menu_model.h"
#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

constexpr KeyModifiers kNone{};
constexpr KeyModifiers kCtrl{true, false, false};
constexpr KeyModifiers kCtrlShift{true, true, false};
constexpr KeyModifiers kAlt{false, false, true};
constexpr KeyModifiers kCtrlAlt{true, false, true};
constexpr KeyModifiers kShift{false, true, false};

TEST(KeyTable, KeyToCommand) {
    using namespace commands;
    static constexpr struct {
        std::int32_t key;
        KeyModifiers modifiers;
        std::int32_t command;
    } kCases[] = {
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
}

constexpr CommandGate R = CommandGate::Run;
constexpr CommandGate I = CommandGate::Ignore;
constexpr CommandGate P = CommandGate::AwaitProbe;

TEST(Commands, Gate) {
    using namespace commands;
    static constexpr struct {
        std::int32_t id;
        // Engine not ready; ready without a view; with a view before the engine check
        // passed; everything in place.
        CommandGate notReady, noView, probePending, full;
    } kCases[] = {
        {PageInfo, R, R, R, R}, {ToggleCloseWarning, R, R, R, R}, {SaveDiagnostics, R, R, R, R},
        {NewTab, I, R, R, R}, {CloseTab, I, R, R, R}, {NextTab, I, R, R, R}, {PreviousTab, I, R, R, R},
        {FocusAddress, I, R, R, R}, {ReopenClosedTab, I, R, R, R},
        {ZoomOut, I, I, R, R}, {ZoomPresetLast, I, I, R, R}, {Downloads, I, I, R, R}, {Print, I, I, R, R},
        {Back, I, I, P, R}, {Home, I, I, P, R},
        {108, I, I, I, I}, {309, I, I, I, I},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(commandGate(c.id, {false, true, true}), c.notReady) << c.id;
        EXPECT_EQ(commandGate(c.id, {true, false, true}), c.noView) << c.id;
        EXPECT_EQ(commandGate(c.id, {true, true, false}), c.probePending) << c.id;
        EXPECT_EQ(commandGate(c.id, {true, true, true}), c.full) << c.id;
    }
}

TEST(MenuModel, Items) {
    using Kind = MenuItem::Kind;
    struct Row {
        Kind kind;
        const char* text;
        std::int32_t command;
    };
    const auto check = [](const std::vector<MenuItem>& items, const std::vector<Row>& rows) {
        ASSERT_EQ(items.size(), rows.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].kind, rows[i].kind) << rows[i].text;
            EXPECT_EQ(items[i].text, rows[i].text);
            EXPECT_EQ(items[i].command, rows[i].command) << rows[i].text;
            EXPECT_FALSE(items[i].grayed) << rows[i].text;
        }
    };
    const Row separator{Kind::Separator, "", 0};
    const auto menu = buildMainMenu({1.0, true, true});
    check(menu, {{Kind::Submenu, "Cil\xC3\xABsimet \xC2\xB7 Zoom 100%", 0}, separator,
                 {Kind::Command, "Sked\xC3\xAB e re\tCtrl+T", commands::NewTab},
                 {Kind::Command, "Rihap sked\xC3\xABn e mbyllur\tCtrl+Shift+T", commands::ReopenClosedTab},
                 {Kind::Command, "Printo\tCtrl+P", commands::Print},
                 {Kind::Command, "Shkarkimet", commands::Downloads}, separator,
                 {Kind::Command, "Ruaj diagnostik\xC3\xABn\xE2\x80\xA6", commands::SaveDiagnostics}});
    std::vector<Row> settings = {{Kind::Command, "Zmadho\tCtrl +", commands::ZoomIn},
                                 {Kind::Command, "Zvog\xC3\xABlo\tCtrl \xE2\x88\x92", commands::ZoomOut},
                                 {Kind::Command, "Rivendos 100%\tCtrl+0", commands::ZoomReset}, separator};
    for (const Row& preset : {Row{Kind::Command, "50%", 300}, Row{Kind::Command, "75%", 301}, Row{Kind::Command, "90%", 302},
                              Row{Kind::Command, "100%", 303}, Row{Kind::Command, "110%", 304},
                              Row{Kind::Command, "125%", 305}, Row{Kind::Command, "150%", 306},
                              Row{Kind::Command, "175%", 307}, Row{Kind::Command, "200%", 308}}) {
        settings.push_back(preset);
    }
    settings.push_back(separator);
    settings.push_back({Kind::Command, "Paralajm\xC3\xABro p\xC3\xABr pun\xC3\xABn e paruajtur", commands::ToggleCloseWarning});
    check(menu[0].items, settings);
    EXPECT_EQ(menuAnchor(1280, 1.25), (Point{1267, 104}));
}

TEST(MenuModel, CheckMarksAndTitle) {
    const struct {
        double zoom;
        bool warnOnClose;
        const char* title;
        std::vector<std::int32_t> checked;
    } kCases[] = {
        {1.0, true, "Cil\xC3\xABsimet \xC2\xB7 Zoom 100%", {303, 140}},
        {1.25, false, "Cil\xC3\xABsimet \xC2\xB7 Zoom 125%", {305}},
        {1.3000000000000003, true, "Cil\xC3\xABsimet \xC2\xB7 Zoom 130%", {140}},  // three steps: no preset
        {0.7549, false, "Cil\xC3\xABsimet \xC2\xB7 Zoom 75%", {301}},  // within half a percent
        {0.755, false, "Cil\xC3\xABsimet \xC2\xB7 Zoom 76%", {}},
    };
    for (const auto& c : kCases) {
        const auto menu = buildMainMenu({c.zoom, c.warnOnClose, false});
        EXPECT_EQ(menu[0].text, c.title);
        std::vector<std::int32_t> checked;
        for (const MenuItem& item : menu[0].items) {
            if (item.checked) checked.push_back(item.command);
        }
        EXPECT_EQ(checked, c.checked) << c.zoom;
        EXPECT_TRUE(menu[3].grayed);  // nothing to reopen
    }
}

constexpr bool T = true;
constexpr bool F = false;

// A 1280 × 850 window with three tabs, none scrolled out.
FrameState frameAt(unsigned dpi, bool engineReady, bool maximized = false) {
    return FrameState{1280, 850, dpiScaleForDpi(dpi), 3, 0, engineReady, maximized};
}

TEST(FrameHitTest, Table) {
    static constexpr struct {
        unsigned dpi;
        int x, y;
        bool ready, maximized;
        int expected;
    } kCases[] = {
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
        {96, 7, 48, T, {0, -1, F, -1, F}},      // back, top left pixel
        {96, 6, 48, T, {-1, -1, F, -1, F}},
        {96, 7, 47, T, {-1, -1, F, -1, F}},
        {96, 162, 64, T, {3, -1, F, -1, F}},    // home, last column
        {96, 163, 64, T, {-1, -1, F, -1, F}},
        {96, 169, 80, T, {5, -1, F, -1, F}},    // information icon
        {96, 1243, 64, T, {4, -1, F, -1, F}},   // menu button
        {96, 1242, 64, T, {-1, -1, F, -1, F}},
        {120, 58, 100, T, {1, -1, F, -1, F}},   // last row of the toolbar buttons
        {120, 58, 101, T, {-1, -1, F, -1, F}},
        {96, 1279, 39, T, {-1, 2, F, -1, F}},   // close, last row and column
        {96, 1279, 40, T, {-1, -1, F, -1, F}},
        {120, 971, 30, T, {-1, -1, T, -1, F}},  // new-tab button
        {120, 971, 30, F, {-1, -1, F, -1, F}},  // only once the engine is ready
        {120, 911, 15, T, {-1, -1, F, 2, T}},   // close glyph of the third tab
        {120, 910, 15, T, {-1, -1, F, 2, F}},   // beside it
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ") at " << c.dpi << " dpi, ready " << c.ready);
        const HoverState hover = hoverAt({c.x, c.y}, frameAt(c.dpi, c.ready));
        EXPECT_EQ(hover.hoveredToolbarItem, c.expected.hoveredToolbarItem);
        EXPECT_EQ(hover.hoveredCaptionButton, c.expected.hoveredCaptionButton);
        EXPECT_EQ(hover.newTabHovered, c.expected.newTabHovered);
        EXPECT_EQ(hover.hoveredTab, c.expected.hoveredTab);
        EXPECT_EQ(hover.tabCloseHovered, c.expected.tabCloseHovered);
    }
}

// The button width and the strips are rounded separately. At 175 % the last column of
// the Home button divides into a fifth slot, which must not light up the menu button;
// at 105 % the last column of the window divides into a fourth caption slot.
TEST(FrameHover, SlotsStayWithinTheirButtons) {
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
    static constexpr struct {
        unsigned dpi;
        int x, y;
        bool ready, maximized;
        FrameClick click;
    } kCases[] = {
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
}

TEST(FrameClick, ScrollRightAndMiddleButton) {
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
