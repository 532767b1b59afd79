#include "ui/menu_model.h"

#include <gtest/gtest.h>

#include "ui/commands.h"

namespace vesko {
namespace {

using Kind = MenuItem::Kind;

TEST(MenuModel, Items) {
    const auto menu = buildMainMenu({1.0, true, true});
    struct Row {
        Kind kind;
        const char* text;
        std::int32_t command;
    };
    const Row main[] = {
        {Kind::Submenu, "Cilësimet · Zoom 100%", 0},
        {Kind::Separator, "", 0},
        {Kind::Command, "Skedë e re\tCtrl+T", commands::NewTab},
        {Kind::Command, "Rihap skedën e mbyllur\tCtrl+Shift+T", commands::ReopenClosedTab},
        {Kind::Command, "Printo\tCtrl+P", commands::Print},
        {Kind::Command, "Shkarkimet", commands::Downloads},
        {Kind::Separator, "", 0},
        {Kind::Command, "Ruaj diagnostikën…", commands::SaveDiagnostics},
    };
    const Row settings[] = {
        {Kind::Command, "Zmadho\tCtrl +", commands::ZoomIn},
        {Kind::Command, "Zvogëlo\tCtrl −", commands::ZoomOut},  // U+2212, not a hyphen
        {Kind::Command, "Rivendos 100%\tCtrl+0", commands::ZoomReset},
        {Kind::Separator, "", 0},
        {Kind::Command, "50%", 300}, {Kind::Command, "75%", 301}, {Kind::Command, "90%", 302},
        {Kind::Command, "100%", 303}, {Kind::Command, "110%", 304}, {Kind::Command, "125%", 305},
        {Kind::Command, "150%", 306}, {Kind::Command, "175%", 307}, {Kind::Command, "200%", 308},
        {Kind::Separator, "", 0},
        {Kind::Command, "Paralajmëro për punën e paruajtur", commands::ToggleCloseWarning},
    };
    auto check = [](const std::vector<MenuItem>& items, const auto& rows) {
        ASSERT_EQ(items.size(), std::size(rows));
        for (std::size_t i = 0; i < items.size(); ++i) {
            SCOPED_TRACE(rows[i].text);
            EXPECT_EQ(items[i].kind, rows[i].kind);
            EXPECT_EQ(items[i].text, rows[i].text);
            EXPECT_EQ(items[i].command, rows[i].command);
            EXPECT_FALSE(items[i].grayed);
        }
    };
    check(menu, main);
    check(menu[0].items, settings);
}

TEST(MenuModel, CheckMarksAndTitle) {
    struct Case {
        double zoom;
        bool warnOnClose;
        const char* title;
        std::vector<std::int32_t> checked;
    };
    const Case cases[] = {
        {1.0, true, "Cilësimet · Zoom 100%", {303, 140}},
        {1.25, false, "Cilësimet · Zoom 125%", {305}},
        {1.1, false, "Cilësimet · Zoom 110%", {304}},
        {1.3000000000000003, true, "Cilësimet · Zoom 130%", {140}},  // three steps: no preset
        {0.7549, false, "Cilësimet · Zoom 75%", {301}},  // within half a percent
        {0.755, false, "Cilësimet · Zoom 76%", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        const auto menu = buildMainMenu({c.zoom, c.warnOnClose, false});
        EXPECT_EQ(menu[0].text, c.title);
        std::vector<std::int32_t> checked;
        for (const MenuItem& item : menu[0].items) {
            if (item.checked) checked.push_back(item.command);
        }
        EXPECT_EQ(checked, c.checked);
        // Nothing to reopen: the one greyed item.
        EXPECT_TRUE(menu[3].grayed);
    }
}

TEST(MenuModel, AnchorUnderTheMenuButton) {
    EXPECT_EQ(menuAnchor(1280, 1.0), (Point{1270, 83}));
    EXPECT_EQ(menuAnchor(1280, 1.25), (Point{1267, 104}));
    EXPECT_EQ(menuAnchor(1280, 1.5), (Point{1265, 125}));
}

}  // namespace
}  // namespace vesko
