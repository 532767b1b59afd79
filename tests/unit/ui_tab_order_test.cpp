#include "ui/tab_order.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

TEST(TabOrder, NextAndPreviousWrap) {
    struct Case {
        int active, count, next, previous;
    };
    const Case cases[] = {
        {0, 3, 1, 2}, {2, 3, 0, 1}, {0, 1, 0, 0},
        {-1, 3, 0, 2},  // no valid selection: start from either end
        {-1, 0, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.active << " of " << c.count);
        EXPECT_EQ(nextTabIndex(c.active, c.count), c.next);
        EXPECT_EQ(previousTabIndex(c.active, c.count), c.previous);
    }
}

TEST(TabOrder, SelectionAfterClose) {
    EXPECT_EQ(activeTabAfterClose(4, 4, 4), 3);  // selected last tab: the new last tab
    EXPECT_EQ(activeTabAfterClose(2, 2, 4), 2);  // the tab that moved into its place
    EXPECT_EQ(activeTabAfterClose(3, 1, 4), 2);  // closed left of it: same tab stays selected
    EXPECT_EQ(activeTabAfterClose(1, 3, 4), 1);
    EXPECT_EQ(activeTabAfterClose(0, 0, 0), -1);  // the only tab
    EXPECT_EQ(windowTitleForTab("KORDIS"), "KORDIS — Vesko Browser");
}

}  // namespace
}  // namespace vesko
