#pragma once
// Which of the engine's own context-menu items a kiosk page keeps: editing and clipboard
// commands, spelling suggestions and back, forward and reload. Everything else (saving,
// printing, capturing, sharing, inspecting, and whatever a newer engine adds) is a route
// out of the kiosk, often through a dialog of the engine's own, so the list names what
// stays rather than what goes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

enum class ContextMenuItemKind { command, separator, submenu };

// One item of the engine's menu as the engine names it, with a submenu's own items.
struct ContextMenuItem {
    std::string name;
    ContextMenuItemKind kind = ContextMenuItemKind::command;
    std::vector<ContextMenuItem> children;
};

// An item that stays: its position in the menu it came from, and for a submenu the
// positions of its own items that stay.
struct KeptContextMenuItem {
    std::size_t index = 0;
    std::vector<KeptContextMenuItem> children;
};

bool menuItemAllowed(std::string_view name);

// The items that stay, in order: allowed commands, submenus that still hold one, and
// separators only between two items that stay (never first, last or doubled). Empty: no
// menu is shown at all.
std::vector<KeptContextMenuItem> keptMenuItems(const std::vector<ContextMenuItem>& items);

}  // namespace vesko
