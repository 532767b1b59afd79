#include "ui/tab_order.h"

#include <algorithm>

namespace vesko {
namespace {

bool isTabIndex(int index, int tabCount) { return index >= 0 && index < tabCount; }

}  // namespace

int nextTabIndex(int activeTab, int tabCount) {
    if (tabCount <= 0) return -1;
    if (!isTabIndex(activeTab, tabCount)) return 0;
    return (activeTab + 1) % tabCount;
}

int previousTabIndex(int activeTab, int tabCount) {
    if (tabCount <= 0) return -1;
    if (!isTabIndex(activeTab, tabCount)) return tabCount - 1;
    return (activeTab + tabCount - 1) % tabCount;
}

int activeTabAfterClose(int activeTab, int removedIndex, int remainingCount) {
    if (remainingCount <= 0) return -1;
    if (activeTab > removedIndex) --activeTab;
    return std::min(remainingCount - 1, activeTab);
}

std::string windowTitleForTab(std::string_view tabTitle) {
    std::string title(tabTitle);
    title += " \xE2\x80\x94 Vesko Browser";
    return title;
}

}  // namespace vesko
