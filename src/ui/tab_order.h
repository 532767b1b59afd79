#pragma once

#include <string>
#include <string_view>

namespace vesko {

// The tab NextTab selects: the one after the active tab, the first after the last. With
// no valid active tab it starts from the first; -1 without tabs.
int nextTabIndex(int activeTab, int tabCount);

// The tab PreviousTab selects: the one before the active tab, the last before the first.
// With no valid active tab it starts from the last; -1 without tabs.
int previousTabIndex(int activeTab, int tabCount);

// The tab to select after the tab at `removedIndex` closed and `remainingCount` tabs are
// left: the same tab when it sat to the right of the closed one, the tab that moved into
// the closed one's place, or the new last tab. -1 when nothing can be selected.
int activeTabAfterClose(int activeTab, int removedIndex, int remainingCount);

// The main window's title while a tab is selected: its title + " — Vesko Browser".
std::string windowTitleForTab(std::string_view tabTitle);

}  // namespace vesko
