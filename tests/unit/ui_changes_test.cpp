// What assistive technology is told when the frame goes from one description to the next.
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "ui/frame_changes.h"

namespace vesko {
namespace {

using Kind = FrameChangeKind;

// A small frame: the title bar, the tab list with two tabs, the reload button, the status
// text. The first tab is selected.
std::vector<FrameElement> frame() {
    const auto part = [](std::uint32_t key, int parent, FrameRole role, const char* name) {
        FrameElement e;
        e.key = key;
        e.parent = parent;
        e.role = role;
        e.name = name;
        return e;
    };
    std::vector<FrameElement> elements = {
        part(1, -1, FrameRole::TitleBar, "Vesko"),   part(5, -1, FrameRole::TabList, "Skedat"),
        part(0x1002, 1, FrameRole::TabItem, "Ballina"), part(0x1004, 1, FrameRole::TabItem, "Regjistri"),
        part(12, -1, FrameRole::Button, "Rifresko"), part(18, -1, FrameRole::Text, ""),
    };
    elements[2].selected = true;
    elements[5].live = LiveSetting::Polite;
    return elements;
}

using Edit = std::function<void(std::vector<FrameElement>&)>;

FrameElement tab(std::uint32_t key, const char* name) {
    FrameElement e;
    e.key = key;
    e.parent = 1;
    e.role = FrameRole::TabItem;
    e.name = name;
    return e;
}

TEST(FrameChanges, EachChangeAnnouncedOnceInItsOrder) {
    const Edit same = [](auto&) {};
    struct Case {
        const char* what;
        Edit before;
        Edit after;
        std::vector<FrameChange> expected;
    };
    const Case cases[] = {
        {"nothing", same, same, {}},
        {"a tab opened, selected and focused", same,
         [](auto& f) {
             f[2].selected = false;
             f.insert(f.begin() + 4, tab(0x1006, "E re"));
             f[4].selected = true;
             f[4].focused = true;
         },
         {{Kind::Structure, 5}, {Kind::Selection, 0x1006}, {Kind::Focus, 0x1006}}},
        {"a tab closed", same, [](auto& f) { f.erase(f.begin() + 3); }, {{Kind::Structure, 5}}},
        {"tabs swapped", same, [](auto& f) { std::swap(f[2], f[3]); }, {{Kind::Structure, 5}}},
        {"the tab list appears", [](auto& f) { f.erase(f.begin() + 1, f.begin() + 4); }, same,
         {{Kind::Structure, 0}, {Kind::Selection, 0x1002}}},
        {"a title and reload turned stop", same,
         [](auto& f) {
             f[3].name = "Regjistri i ri";
             f[4].name = "Ndalo";
         },
         {{Kind::Name, 0x1004}, {Kind::Name, 12}}},
        {"the other tab selected", same,
         [](auto& f) {
             f[2].selected = false;
             f[3].selected = true;
         },
         {{Kind::Selection, 0x1004}}},
        {"focus on a button", same, [](auto& f) { f[4].focused = true; }, {{Kind::Focus, 12}}},
        {"status text said after a name change", same,
         [](auto& f) {
             f[5].name = "Faqja u ngarkua";
             f[0].name = "Vesko 2";
         },
         {{Kind::Name, 1}, {Kind::LiveRegion, 18}}},
        // What goes away is not announced, nor what stays as it was.
        {"focus leaves the frame", [](auto& f) { f[4].focused = true; }, same, {}},
        {"the status text cleared", [](auto& f) { f[5].name = "Faqja u ngarkua"; }, same, {}},
        {"the focus stays while a state changes", [](auto& f) { f[4].focused = true; },
         [](auto& f) {
             f[4].focused = true;
             f[4].enabled = false;
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<FrameElement> before = frame();
        c.before(before);
        std::vector<FrameElement> after = frame();
        c.after(after);
        EXPECT_EQ(frameChanges(before, after), c.expected);
    }
}

}  // namespace
}  // namespace vesko
