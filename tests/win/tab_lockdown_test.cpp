// What a page cannot reach through the engine's own features: the items of its context
// menu, a PDF's Save, a file dropped from outside, a doubted certificate and an external
// program, each through the engine's own event arguments.
#include <gtest/gtest.h>

#include "engine/route_refusals.h"
#include "win_test_support.h"

namespace vesko {
namespace {

using standin::MenuTargetKind;

TEST(TabLockdown, ContextMenusKeepOnlyEditingSpellingAndHistoryItems) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->controller());
    static constexpr struct Case {
        MenuTargetKind target;
        const char* remaining;
        bool shown;
    } cases[] = {
        {MenuTargetKind::page, "back forward reload", true},
        {MenuTargetKind::link, "", false},
        {MenuTargetKind::image, "", false},
        {MenuTargetKind::selection, "copy", true},
        {MenuTargetKind::editable, "spellCheck spellCheck | undo redo | cut copy paste pasteAndMatchStyle selectAll",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.target));
        const auto menu = standin::requestContextMenu(tab->controller(), c.target);
        ASSERT_TRUE(menu && f.pump([&] { return menu->done; }));
        EXPECT_EQ(menu->remaining, c.remaining);
        EXPECT_EQ(menu->shown, c.shown);
        EXPECT_EQ(menu->selectedCommand, -1);
    }
}

TEST(TabLockdown, PdfSaveIsHiddenAndDropsFromOutsideNeverReachThePage) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->controller());
    const auto view = standin::readView(tab->controller());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->hiddenPdfToolbarItems, 5);  // Save and Save As; printing stays
    EXPECT_EQ(standin::dropExternal(tab->controller(), L"file:///C:/Users/arka/raporti.pdf"), false);
}

TEST(TabLockdown, CertificateErrorsAreCancelledAndOnlyThePagesOwnIsReported) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->controller());
    const auto site = f.folder.path / L"site";
    const std::wstring refused = toWide(kCertificateRefusedStatus.text);

    // A style sheet of the portal's page, from a CDN whose certificate is in doubt.
    writeText(site / L"cdnjs.cloudflare.com/.certificate-error", "");
    ASSERT_TRUE(f.navigateAndWait(tab, kPortal));
    f.settle();
    EXPECT_NE(f.app.statusText(), refused);
    // The page itself.
    writeText(site / kPortalHost / L".certificate-error", "");
    tab->navigate(kPortal + L"faqe.html");
    ASSERT_TRUE(f.pump([&] { return standin::certificateErrors(tab->controller()).size() == 2u; }));
    f.settle();
    EXPECT_EQ(f.app.statusText(), refused);
    EXPECT_FALSE(tab->loading);

    const auto errors = standin::certificateErrors(tab->controller());
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].uri, L"https://cdnjs.cloudflare.com/ajax/libs/x/1.0/x.css");
    EXPECT_FALSE(errors[0].document);
    EXPECT_TRUE(errors[1].document);
    for (const auto& error : errors) EXPECT_EQ(error.action, COREWEBVIEW2_SERVER_CERTIFICATE_ERROR_ACTION_CANCEL);
    std::string refusals;
    for (const auto& record : tab->blockedRequests) {
        if (record["kind"] == "certificate") refusals += record.dump();
    }
    EXPECT_EQ(refusals, R"({"host":"cdnjs.cloudflare.com","kind":"certificate"}{"host":")" + toUtf8(kPortalHost) +
                            R"(","kind":"certificate"})");
}

TEST(TabLockdown, ExternalProgramsAreNeverStarted) {
    TabFixture f;
    const auto tab = f.openPortal();
    ASSERT_TRUE(tab && tab->controller());
    const auto launch = standin::launchExternalScheme(tab->controller(), L"mailto:arka@kordis.example?subject=x");
    ASSERT_TRUE(launch && f.pump([&] { return launch->done; }));
    EXPECT_TRUE(launch->cancelled);
    EXPECT_EQ(f.app.statusText(), toWide(kExternalSchemeRefusedStatus.text));
    EXPECT_EQ(tab->blockedRequests.back().dump(), R"({"host":"[scheme blocked]","kind":"external-scheme","scheme":"mailto"})");
}

}  // namespace
}  // namespace vesko
