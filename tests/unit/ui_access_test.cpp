// The frame as assistive technology and keyboard users meet it: its description, the
// keys that move the focus, the high-contrast palette and the text size.
#include <string>

#include <gtest/gtest.h>

#include "ui/frame_description.h"
#include "ui/frame_keys.h"
#include "ui/frame_palette.h"
#include "ui/text_scale.h"
#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

FrameSnapshot readyFrame(int tabCount) {
    FrameSnapshot frame;
    frame.clientWidth = 1000;
    frame.clientHeight = 700;
    frame.engineReady = true;
    frame.windowTitle = "Regjistri \xE2\x80\x94 Vesko Browser";
    frame.address = "https://kordis.example/regjistri";
    for (int i = 0; i < tabCount; ++i) {
        PaintTab tab;
        tab.title = "Faqja " + std::to_string(i + 1);
        tab.id = static_cast<std::uint32_t>(10 + i);
        frame.tabs.push_back(tab);
    }
    frame.activeTab = 0;
    return frame;
}

TEST(FrameDescription, RolesNamesBoundsAndClicksAtDefault) {
    FrameSnapshot frame = readyFrame(2);
    frame.tabs[1].loading = true;
    frame.tabs[1].dirty = true;
    frame.tabs[0].canGoBack = true;
    const std::vector<FrameElement> elements = describeFrame(frame);
    static const struct {
        std::uint32_t key; FrameRole role; const char* name; Rect bounds; bool enabled; FrameClick click;
    } kCases[] = {
        {frame_keys::TitleBar, FrameRole::TitleBar, "Regjistri \xE2\x80\x94 Vesko Browser", {0, 0, 1000, 43}, true, {}},
        {frame_keys::Minimize, FrameRole::Button, "Minimizo", {862, 0, 908, 40}, true, {FrameAction::Minimize}},
        {frame_keys::Maximize, FrameRole::Button, "Maksimizo", {908, 0, 954, 40}, true, {FrameAction::Maximize}},
        {frame_keys::Close, FrameRole::Button, "Mbyll", {954, 0, 1000, 40}, true, {FrameAction::Close}},
        {frame_keys::TabList, FrameRole::TabList, "Skedat", {45, 5, 518, 42}, true, {}},
        {tabKey(10), FrameRole::TabItem, "Faqja 1", {45, 5, 280, 42}, true, {FrameAction::SelectTab, 0}},
        {tabCloseKey(10), FrameRole::Button, "Mbyll sked\xC3\xABn", {252, 12, 276, 36}, true, {FrameAction::CloseTab, 0}},
        {tabKey(11), FrameRole::TabItem, "Faqja 2", {283, 5, 518, 42}, true, {FrameAction::SelectTab, 1}},
        {tabCloseKey(11), FrameRole::Button, "Mbyll sked\xC3\xABn", {490, 12, 514, 36}, true, {FrameAction::CloseTab, 1}},
        {frame_keys::NewTab, FrameRole::Button, "Sked\xC3\xAB e re", {524, 10, 552, 38}, true, {FrameAction::NewTab}},
        {frame_keys::ToolBar, FrameRole::ToolBar, "Shiriti i veglave", {0, 43, 1000, 88}, true, {}},
        {frame_keys::Back, FrameRole::Button, "Prapa", {7, 48, 43, 81}, true, {FrameAction::ToolbarButton, 0}},
        {frame_keys::Forward, FrameRole::Button, "P\xC3\xABrpara", {46, 48, 82, 81}, false, {FrameAction::ToolbarButton, 1}},
        {frame_keys::ReloadOrStop, FrameRole::Button, "Rifresko", {85, 48, 121, 81}, true, {FrameAction::ToolbarButton, 2}},
        {frame_keys::Home, FrameRole::Button, "Faqja kryesore", {124, 48, 160, 81}, true, {FrameAction::ToolbarButton, 3}},
        {frame_keys::PageInfo, FrameRole::Button, "Informacion p\xC3\xABr faqen", {169, 48, 197, 81}, true, {FrameAction::PageInfo}},
        {frame_keys::Address, FrameRole::Edit, "Adresa", {198, 55, 938, 77}, true, {}},
        {frame_keys::Menu, FrameRole::MenuButton, "Menyja", {962, 48, 997, 81}, true, {FrameAction::ShowMenu}},
        {frame_keys::StatusBar, FrameRole::StatusBar, "Gjendja", {0, 673, 1000, 700}, true, {}},
        {frame_keys::StatusText, FrameRole::Text, "Gati", {12, 674, 750, 700}, true, {}},
        {frame_keys::ZoomText, FrameRole::Text, "Zoom 100%", {755, 674, 988, 700}, true, {}},
    };
    ASSERT_EQ(elements.size(), std::size(kCases));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto& c = kCases[i];
        const FrameElement& e = elements[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(e.key, c.key);
        EXPECT_EQ(e.role, c.role);
        EXPECT_EQ(e.name, c.name);
        EXPECT_EQ(e.bounds, c.bounds);
        EXPECT_EQ(e.enabled, c.enabled);
        EXPECT_EQ(e.click, c.click);
        // What the element's action does is what a click in its middle does.
        if (c.click.action != FrameAction::None) {
            const Point middle{(c.bounds.left + c.bounds.right) / 2, (c.bounds.top + c.bounds.bottom) / 2};
            EXPECT_EQ(clickAt(middle, frame.hitState()), c.click);
        }
    }
    EXPECT_EQ(elements[5].parent, 4);
    EXPECT_EQ(elements[6].parent, 5);
    EXPECT_TRUE(elements[5].selected);
    EXPECT_FALSE(elements[7].selected);
    EXPECT_EQ(elements[5].itemStatus, "");
    EXPECT_EQ(elements[7].itemStatus, "Po ngarkohet\xE2\x80\xA6 \xC2\xB7 Ka t\xC3\xAB dh\xC3\xABna t\xC3\xAB paruajtura");
    EXPECT_EQ(elements[16].value, "https://kordis.example/regjistri");
    EXPECT_EQ(elements[19].live, LiveSetting::Polite);
}

TEST(FrameDescription, StatesThatFollowTheFrame) {
    FrameSnapshot frame = readyFrame(12);
    frame.activeTab = 11;
    frame.firstVisibleTab = 3;
    frame.maximized = true;
    frame.tabs[11].loading = true;
    frame.windowFocused = true;
    frame.focus = {FocusZone::TabStrip, 5, 0};
    frame.menuOpen = true;
    frame.status = {"Motori nuk u nis.", 0, true};
    const std::vector<FrameElement> elements = describeFrame(frame);
    const auto key = [&](std::uint32_t k) { return *findElement(elements, k); };
    EXPECT_EQ(key(frame_keys::Maximize).name, "Rikthe");
    EXPECT_EQ(key(frame_keys::Maximize).click, (FrameClick{FrameAction::Restore}));
    EXPECT_EQ(key(frame_keys::ReloadOrStop).name, "Ndalo");
    EXPECT_TRUE(key(frame_keys::Menu).expanded);
    EXPECT_TRUE(key(tabKey(21)).selected);
    EXPECT_EQ(key(tabKey(21)).itemStatus, "Po ngarkohet\xE2\x80\xA6");
    EXPECT_EQ(key(frame_keys::StatusText).live, LiveSetting::Assertive);
    EXPECT_EQ(key(frame_keys::StatusText).name, "Motori nuk u nis.");
    // Tabs scrolled out on either side stay in the list, off-screen, without bounds.
    EXPECT_TRUE(key(tabKey(12)).offscreen);
    EXPECT_TRUE(key(tabKey(12)).bounds.isEmpty());
    EXPECT_FALSE(key(tabKey(13)).offscreen);
    EXPECT_TRUE(key(tabKey(21)).offscreen);
    EXPECT_TRUE(key(tabKey(15)).focused);
    EXPECT_FALSE(key(tabKey(14)).focused);
    EXPECT_NE(findElement(elements, frame_keys::ScrollLeft), nullptr);
    EXPECT_NE(findElement(elements, frame_keys::ScrollRight), nullptr);

    // The focus mark and the focused element are the window's only while it has the focus.
    frame.windowFocused = false;
    EXPECT_FALSE(findElement(describeFrame(frame), tabKey(15))->focused);
    // Before the engine is ready only the title bar and the status bar exist.
    frame.engineReady = false;
    EXPECT_EQ(describeFrame(frame).size(), 7u);
}

TEST(FrameKeys, FocusMovesAndActions) {
    const FrameKeyContext context{3, 1, false, true};
    const KeyModifiers none{};
    const KeyModifiers shift{false, true, false};
    using Z = FocusZone;
    static const struct {
        FrameFocus from; std::int32_t key; KeyModifiers mods; bool handled; FrameFocus to; FrameClick click; PageEntry page;
    } kCases[] = {
        {{Z::Page, 0, 0}, kVkF6, none, true, {Z::TabStrip, 1, 0}, {}, PageEntry::None},
        {{Z::TabStrip, 2, 0}, kVkF6, none, true, {Z::Toolbar, 2, kToolbarForward}, {}, PageEntry::None},
        {{Z::Toolbar, 1, 3}, kVkF6, none, true, {Z::Page, 1, 3}, {}, PageEntry::AsItWas},
        {{Z::Page, 0, 0}, kVkF6, shift, true, {Z::Toolbar, 0, kToolbarForward}, {}, PageEntry::None},
        {{Z::TabStrip, 0, 0}, kVkF6, shift, true, {Z::Page, 0, 0}, {}, PageEntry::AsItWas},
        {{Z::AddressField, 0, 0}, kVkF6, shift, true, {Z::TabStrip, 1, 0}, {}, PageEntry::None},
        // Tab walks strip, toolbar, address field, page; Shift+Tab the other way.
        {{Z::TabStrip, 0, 0}, kVkTab, none, true, {Z::Toolbar, 0, kToolbarForward}, {}, PageEntry::None},
        {{Z::Toolbar, 0, 3}, kVkTab, none, true, {Z::AddressField, 0, 3}, {}, PageEntry::None},
        {{Z::AddressField, 0, 3}, kVkTab, none, true, {Z::Page, 0, 3}, {}, PageEntry::First},
        {{Z::TabStrip, 0, 0}, kVkTab, shift, true, {Z::Page, 0, 0}, {}, PageEntry::Last},
        {{Z::Page, 0, 0}, kVkTab, none, false, {}, {}, PageEntry::None},
        // The tab strip: arrows stop at the ends, Home, End, Enter, Space, Delete.
        {{Z::TabStrip, 0, 0}, kVkLeft, none, true, {Z::TabStrip, 0, 0}, {}, PageEntry::None},
        {{Z::TabStrip, 1, 0}, kVkRight, none, true, {Z::TabStrip, 2, 0}, {}, PageEntry::None},
        {{Z::TabStrip, 2, 0}, kVkRight, none, true, {Z::TabStrip, 2, 0}, {}, PageEntry::None},
        {{Z::TabStrip, 1, 0}, kVkEnd, none, true, {Z::TabStrip, 2, 0}, {}, PageEntry::None},
        {{Z::TabStrip, 2, 0}, kVkHome, none, true, {Z::TabStrip, 0, 0}, {}, PageEntry::None},
        {{Z::TabStrip, 2, 0}, kVkReturn, none, true, {Z::TabStrip, 2, 0}, {FrameAction::SelectTab, 2}, PageEntry::None},
        {{Z::TabStrip, 2, 0}, kVkSpace, none, true, {Z::TabStrip, 2, 0}, {FrameAction::SelectTab, 2}, PageEntry::None},
        {{Z::TabStrip, 1, 0}, kVkDelete, none, true, {Z::TabStrip, 1, 0}, {FrameAction::CloseTab, 1}, PageEntry::None},
        {{Z::TabStrip, 1, 0}, kVkEscape, none, true, {Z::Page, 1, 0}, {}, PageEntry::AsItWas},
        // The toolbar: arrows skip a disabled Back, reach the information button and the menu.
        {{Z::Toolbar, 0, kToolbarForward}, kVkLeft, none, true, {Z::Toolbar, 0, kToolbarForward}, {}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarHome}, kVkRight, none, true, {Z::Toolbar, 0, kToolbarPageInfo}, {}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarPageInfo}, kVkRight, none, true, {Z::Toolbar, 0, kToolbarMenu}, {}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarMenu}, kVkRight, none, true, {Z::Toolbar, 0, kToolbarMenu}, {}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarMenu}, kVkHome, none, true, {Z::Toolbar, 0, kToolbarForward}, {}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarHome}, kVkEnd, none, true, {Z::Toolbar, 0, kToolbarMenu}, {}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarHome}, kVkSpace, none, true, {Z::Toolbar, 0, kToolbarHome}, {FrameAction::ToolbarButton, kToolbarHome}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarMenu}, kVkReturn, none, true, {Z::Toolbar, 0, kToolbarMenu}, {FrameAction::ShowMenu}, PageEntry::None},
        {{Z::Toolbar, 0, kToolbarPageInfo}, kVkReturn, none, true, {Z::Toolbar, 0, kToolbarPageInfo}, {FrameAction::PageInfo}, PageEntry::None},
        // F10 opens the menu from anywhere; keys the page and the address field keep.
        {{Z::Page, 0, 0}, kVkF10, none, true, {Z::Page, 0, 0}, {FrameAction::ShowMenu}, PageEntry::None},
        {{Z::Page, 0, 0}, kVkDelete, none, false, {}, {}, PageEntry::None},
        {{Z::AddressField, 0, 0}, kVkLeft, none, false, {}, {}, PageEntry::None},
        {{Z::AddressField, 0, 0}, kVkEscape, none, false, {}, {}, PageEntry::None},
        // The browser's shortcuts keep every key pressed with Ctrl or Alt.
        {{Z::TabStrip, 0, 0}, kVkTab, {true, false, false}, false, {}, {}, PageEntry::None},
        {{Z::TabStrip, 0, 0}, kVkLeft, {false, false, true}, false, {}, {}, PageEntry::None},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "zone " << static_cast<int>(c.from.zone) << " key " << c.key);
        const FrameKeyOutcome outcome = frameKey(c.from, c.key, c.mods, context);
        EXPECT_EQ(outcome.handled, c.handled);
        if (!c.handled) continue;
        EXPECT_EQ(outcome.focus, c.to);
        EXPECT_EQ(outcome.click, c.click);
        EXPECT_EQ(outcome.page, c.page);
    }
    EXPECT_EQ(focusFromPage(true, context), (FrameFocus{FocusZone::TabStrip, 1, 0}));
    EXPECT_EQ(focusFromPage(false, context).zone, FocusZone::AddressField);
    EXPECT_EQ(clampFocus({FocusZone::TabStrip, 5, kToolbarBack}, context), (FrameFocus{FocusZone::TabStrip, 2, kToolbarForward}));
}

TEST(FramePalette, HighContrastUsesTheSystemColours) {
    // The colours of a dark high-contrast theme.
    const SystemColors system{{0, 0, 0}, {255, 255, 255}, {26, 235, 255}, {0, 0, 0},
                              {0, 0, 0}, {255, 255, 255}, {63, 242, 63}};
    const FramePalette p = highContrastPalette(system);
    EXPECT_EQ(p.toolbar, (Color{0, 0, 0}));
    EXPECT_EQ(p.glyph, (Color{255, 255, 255}));
    EXPECT_EQ(p.activeTab, (Color{26, 235, 255}));
    EXPECT_EQ(p.activeTabTitle, (Color{0, 0, 0}));
    EXPECT_EQ(p.glyphHovered, (Color{0, 0, 0}));
    EXPECT_EQ(p.glyphDisabled, (Color{63, 242, 63}));
    EXPECT_EQ(p.addressFieldText, (Color{255, 255, 255}));
    EXPECT_EQ(p.focusMark, (Color{255, 255, 255}));
    // The normal focus mark keeps 3:1 on every band and fill it is drawn over.
    const FramePalette n = normalPalette();
    for (const Color band : {n.tabStrip, n.activeTab, n.hoveredTab, n.toolbar, n.buttonHover, n.buttonPressed}) {
        EXPECT_GE(contrastRatio(n.focusMark, band), 3.0);
    }
    EXPECT_NEAR(contrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
}

TEST(TextScale, MessageFontAgainstItsDefault) {
    static constexpr struct { int height; unsigned dpi; double scale; } kCases[] = {
        {-12, 96, 1.0}, {12, 96, 1.0}, {-15, 96, 1.25}, {-18, 144, 1.0}, {-27, 144, 1.5},
        // Wine's smaller default font, and beyond the largest step.
        {-11, 96, 1.0}, {-40, 96, 2.25},
    };
    for (const auto& c : kCases) EXPECT_DOUBLE_EQ(textScaleForMessageFont(c.height, c.dpi), c.scale) << c.height;
}

}  // namespace
}  // namespace vesko
