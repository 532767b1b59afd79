#include "engine/context_menu_rules.h"

#include <array>
#include <utility>

namespace vesko {
namespace {

// The engine's item names (lower camel case) for the commands that cannot leave the page:
// the clipboard and editing, spelling suggestions, and the history of the tab itself.
constexpr std::array<std::string_view, 11> kAllowedItems = {
    "cut",  "copy", "paste",   "pasteAndMatchStyle", "selectAll", "undo",
    "redo", "back", "forward", "reload",             "spellCheck",
};

}  // namespace

bool menuItemAllowed(std::string_view name) {
    for (const std::string_view allowed : kAllowedItems) {
        if (name == allowed) return true;
    }
    return false;
}

std::vector<KeptContextMenuItem> keptMenuItems(const std::vector<ContextMenuItem>& items) {
    std::vector<KeptContextMenuItem> kept;
    bool separatorDue = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ContextMenuItem& item = items[i];
        if (item.kind == ContextMenuItemKind::separator) {
            // Written only once another item follows, and never before the first.
            separatorDue = !kept.empty();
            continue;
        }
        KeptContextMenuItem entry{i, {}};
        if (item.kind == ContextMenuItemKind::submenu) {
            entry.children = keptMenuItems(item.children);
            if (entry.children.empty()) continue;
        } else if (!menuItemAllowed(item.name)) {
            continue;
        }
        if (separatorDue) {
            // The last separator before this item stands for the run of them.
            std::size_t separator = i;
            while (items[separator].kind != ContextMenuItemKind::separator) --separator;
            kept.push_back(KeptContextMenuItem{separator, {}});
            separatorDue = false;
        }
        kept.push_back(std::move(entry));
    }
    return kept;
}

}  // namespace vesko
