#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/frame_geometry.h"

namespace vesko {

// One entry of a popup menu. Texts are UTF-8; a tab separates the shortcut shown at the
// right edge.
struct MenuItem {
    enum class Kind { Command, Separator, Submenu };

    Kind kind = Kind::Command;
    std::string text;
    std::int32_t command = 0;
    bool checked = false;
    bool grayed = false;
    // The letter or digit that chooses the item while its menu is open; 0 for none.
    char accessKey = 0;
    std::vector<MenuItem> items;  // a submenu's entries
};

struct MenuInput {
    // The active view's zoom factor (1.0 when there is none or it cannot be asked).
    double zoom = 1.0;
    bool warnOnClose = true;
    bool hasClosedTabs = false;
};

// The three-dots menu: the settings submenu (zoom steps, the nine presets with a check
// mark on the one within half a percent of the current zoom, the close-warning switch
// with its check mark), then new tab, reopen closed tab (greyed when nothing is
// remembered), print, downloads and the diagnostics report.
std::vector<MenuItem> buildMainMenu(const MenuInput& input);

// Where the menu's right edge goes, in client coordinates: under the three-dots button.
Point menuAnchor(int clientWidth, double dpiScale);

// TrackPopupMenu flags: right edge at the anchor, the chosen id returned, not posted.
inline constexpr std::uint32_t kMenuTrackFlags = 0x108;

}  // namespace vesko
