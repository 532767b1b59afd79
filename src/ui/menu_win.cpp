// The three-dots menu as a Windows popup menu.
#include "ui/menu_win.h"

#include <windows.h>

#include <vector>

#include "base/scoped_handles_win.h"
#include "base/wide_text_win.h"
#include "ui/menu_model.h"

namespace vesko {
namespace {

// A popup menu from the menu model; submenus belong to their parent once appended.
MenuOwner buildPopupMenu(const std::vector<MenuItem>& items) {
    MenuOwner menu(CreatePopupMenu());
    if (!menu) return nullptr;
    for (const MenuItem& item : items) {
        const std::wstring text = toWide(item.text);
        switch (item.kind) {
            case MenuItem::Kind::Separator:
                AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
                break;
            case MenuItem::Kind::Submenu: {
                MenuOwner submenu = buildPopupMenu(item.items);
                if (submenu && AppendMenuW(menu.get(), MF_STRING | MF_POPUP,
                                           reinterpret_cast<UINT_PTR>(submenu.get()), text.c_str())) {
                    submenu.release();
                }
                break;
            }
            case MenuItem::Kind::Command: {
                UINT flags = MF_STRING;
                if (item.checked) flags |= MF_CHECKED;
                if (item.grayed) flags |= MF_GRAYED;
                AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(item.command), text.c_str());
                break;
            }
        }
    }
    return menu;
}

}  // namespace

int trackMainMenu(HWND window, double dpiScale, const MenuInput& input) {
    MenuOwner menu = buildPopupMenu(buildMainMenu(input));
    if (!menu) return 0;
    RECT client{};
    GetClientRect(window, &client);
    const Point anchor = menuAnchor(client.right - client.left, dpiScale);
    POINT screen{anchor.x, anchor.y};
    ClientToScreen(window, &screen);
    return static_cast<int>(TrackPopupMenu(menu.get(), kMenuTrackFlags, screen.x, screen.y, 0, window, nullptr));
}

}  // namespace vesko
