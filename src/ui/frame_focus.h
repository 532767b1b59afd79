#pragma once

#include <cstdint>

namespace vesko {

// Where the keyboard is: in the page, or on one of the frame's own parts. The tab strip
// and the toolbar each take the focus as one stop and move it among their items with the
// arrow keys; the address field is a stop of its own.
enum class FocusZone : std::uint8_t { Page, TabStrip, Toolbar, AddressField };

struct FrameFocus {
    FocusZone zone = FocusZone::Page;
    // The tab (its index) that has the focus while the zone is the tab strip.
    int tab = 0;
    // The toolbar item (kToolbarBack … kToolbarPageInfo) that has the focus in the toolbar.
    int toolbarItem = 0;

    friend constexpr bool operator==(const FrameFocus&, const FrameFocus&) = default;
};

}  // namespace vesko
