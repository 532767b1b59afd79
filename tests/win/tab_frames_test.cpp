// A portal page's frames in its tab: their messages heard with the top document's rules,
// their unsaved input counted for the tab while their documents last, and the tab's
// registrations on them gone with each frame and with the tab.
#include <gtest/gtest.h>

#include "win_test_support.h"

namespace vesko {
namespace {

const std::wstring kDirty = LR"({"type":"vesko-dirty","dirty":true})";

// A form page in a frame ("forma"), which holds a frame of its own ("shenime").
std::shared_ptr<TabView> openFramedForm(TabFixture& f) {
    const auto portal = f.folder.path / L"site" / kPortalHost;
    writeText(portal / L"regjistro.html", "<title>Regjistro</title><iframe name=\"forma\" src=\"/forma.html\"></iframe>");
    writeText(portal / L"forma.html", "<title>Forma</title><iframe name=\"shenime\" src=\"/faqe.html\"></iframe>");
    return f.openPortal(kPortal + L"regjistro.html");
}

std::uint32_t frameNamed(const std::shared_ptr<TabView>& tab, const std::wstring& name) {
    for (const auto& frame : standin::liveFrames(tab->controller())) {
        if (frame.name == name) return frame.id;
    }
    return 0;
}

// Registrations on frame objects the host has made and not removed.
int frameRegistrations() {
    int live = 0;
    for (const auto& call : standin::callRecord()) {
        if (call.object.find(".frame#") == std::string::npos) continue;
        if (call.method.starts_with("add_")) ++live;
        if (call.method.starts_with("remove_")) --live;
    }
    return live;
}

TEST(TabFrames, AFramesUnsavedInputCountsUntilItsDocumentGoes) {
    TabFixture f;
    const auto tab = openFramedForm(f);
    ASSERT_TRUE(tab);
    const auto post = [&](const wchar_t* frame, const std::wstring& json) {
        ASSERT_TRUE(standin::postFrameMessage(tab->controller(), frameNamed(tab, frame), json));
        f.settle();
    };
    const auto navigateFrame = [&](const wchar_t* frame) {
        ASSERT_TRUE(standin::navigateFrame(tab->controller(), frameNamed(tab, frame), kPortal + L"faqe.html"));
        f.settle();
    };

    // The inner frame's input goes when its parent frame's document is replaced.
    post(L"shenime", kDirty);
    EXPECT_TRUE(tab->unsaved.any());
    navigateFrame(L"forma");
    EXPECT_FALSE(tab->unsaved.any());
    // A frame's own new document holds none.
    post(L"forma", kDirty);
    EXPECT_TRUE(tab->unsaved.any());
    navigateFrame(L"forma");
    EXPECT_FALSE(tab->unsaved.any());

    // A middle click on a portal link in the frame opens a background tab.
    post(L"forma", LR"({"type":"vesk-open-background","url":")" + kPortal + LR"(ndihme"})");
    ASSERT_EQ(f.app.tabs().size(), 2u);
    EXPECT_EQ(f.app.tabs()[1]->url, kPortal + L"ndihme");
    EXPECT_EQ(f.app.activeIndex(), 0);

    // A new top document ends the frames and the top document's own input alike.
    post(L"forma", kDirty);
    standin::postWebMessage(tab->controller(), kPortal + L"regjistro.html", kDirty);
    f.settle();
    ASSERT_TRUE(f.navigateAndWait(tab, kPortal + L"titull-bosh.html"));
    f.settle();
    EXPECT_FALSE(tab->unsaved.any());
}

TEST(TabFrames, RegistrationsGoWithTheFrameAndWithTheTab) {
    TabFixture f;
    const auto tab = openFramedForm(f);
    ASSERT_TRUE(tab);
    // Each frame: its end, its messages, its navigations and its own frames.
    EXPECT_EQ(frameRegistrations(), 8);
    ASSERT_TRUE(standin::navigateFrame(tab->controller(), frameNamed(tab, L"forma"), kPortal + L"faqe.html"));
    f.settle();
    EXPECT_EQ(frameRegistrations(), 4);
    tab->close();
    EXPECT_EQ(frameRegistrations(), 0);
}

}  // namespace
}  // namespace vesko
