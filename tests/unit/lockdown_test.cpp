// The routes out of the kiosk that the program closes: which context-menu items stay, and
// what the tab records of a refused certificate or external program.
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "engine/context_menu_rules.h"
#include "engine/route_refusals.h"

namespace vesko {
namespace {

// A menu written as the engine would hand it over: names, "|" for a separator,
// "name[...]" for a submenu.
std::vector<ContextMenuItem> parseMenu(std::string_view& text) {
    std::vector<ContextMenuItem> items;
    while (!text.empty() && text.front() != ']') {
        if (text.front() == ' ') {
            text.remove_prefix(1);
            continue;
        }
        const std::size_t end = text.find_first_of(" []");
        ContextMenuItem item{std::string(text.substr(0, end)), ContextMenuItemKind::command, {}};
        text.remove_prefix(end == std::string_view::npos ? text.size() : end);
        if (item.name == "|") item.kind = ContextMenuItemKind::separator;
        if (!text.empty() && text.front() == '[') {
            text.remove_prefix(1);
            item.kind = ContextMenuItemKind::submenu;
            item.children = parseMenu(text);
            text.remove_prefix(1);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string render(const std::vector<ContextMenuItem>& items, const std::vector<KeptContextMenuItem>& kept) {
    std::string text;
    for (const KeptContextMenuItem& entry : kept) {
        const ContextMenuItem& item = items[entry.index];
        if (!text.empty()) text += ' ';
        text += item.name;
        if (item.kind == ContextMenuItemKind::submenu) text += '[' + render(item.children, entry.children) + ']';
    }
    return text;
}

TEST(ContextMenuRules, OnlyEditingSpellingAndHistoryItemsStay) {
    static constexpr struct Case {
        std::string_view menu, kept;
    } cases[] = {
        // A page, a link, an image and a selection as the engine fills them.
        {"back forward reload | saveAs print | webCapture share | inspectElement", "back forward reload"},
        {"openLinkInNewWindow saveLinkAs copyLinkLocation | inspectElement", ""},
        {"saveImageAs copyImage copyImageLocation | webCapture | inspectElement", ""},
        {"emoji | cut copy paste pasteAndMatchStyle | selectAll undo redo", "cut copy paste pasteAndMatchStyle | selectAll undo redo"},
        // Names are matched exactly, and a name a later engine adds goes.
        {"Copy copyLinkToHighlight copy createQrCode readAloud", "copy"},
        // Separators: never first, last or doubled.
        {"| | copy | | saveAs | paste |", "copy | paste"},
        {"print | | copy", "copy"},
        // Submenus keep their allowed items, and go when none is left.
        {"spellCheck[spellCheck spellCheck | addToDictionary] | share[shareLink]", "spellCheck[spellCheck spellCheck]"},
        {"writingDirection[left | right] | copy", "copy"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu);
        std::string_view text = c.menu;
        const std::vector<ContextMenuItem> items = parseMenu(text);
        EXPECT_EQ(render(items, keptMenuItems(items)), c.kept);
    }
}

TEST(RouteRefusals, RecordsNameTheHostOrSchemeOnly) {
    EXPECT_EQ(certificateRefusalRecord("https://Bad.Example:8443/a/b?c=d").dump(),
              R"({"host":"bad.example","kind":"certificate"})");
    EXPECT_EQ(certificateRefusalRecord("wss://bad.example/").dump(),
              R"({"host":"[scheme blocked]","kind":"certificate"})");
    static constexpr struct Case {
        std::string_view uri, scheme;
    } cases[] = {
        {"mailto:someone@example.org?subject=x", "mailto"}, {"MS-Settings:privacy", "ms-settings"},
        {"kordis+app.v1://open", "kordis+app.v1"},          {"no-colon", "[invalid]"},
        {":empty", "[invalid]"},                             {"1abc:x", "[invalid]"},
        {"a b:x", "[invalid]"},                             {"abcdefghijabcdefghijabcdefghijabc:x", "[invalid]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        EXPECT_EQ(externalSchemeRecord(c.uri).dump(),
                  R"({"host":"[scheme blocked]","kind":"external-scheme","scheme":")" + std::string(c.scheme) + "\"}");
    }
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (int i = 0; i < 64; ++i) EXPECT_TRUE(noteRefusal(records, externalSchemeRecord("mailto:x")));
    EXPECT_FALSE(noteRefusal(records, externalSchemeRecord("mailto:x")));
    EXPECT_EQ(records.size(), 64u);
}

}  // namespace
}  // namespace vesko
