// The three-dots menu as a Windows popup menu.
#include "ui/menu_win.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "base/scoped_handles_win.h"
#include "base/wide_text_win.h"
#include "ui/menu_model.h"

namespace vesko {
namespace {

// The item's text with its access key marked for the menu ('&' before the key's first
// appearance), any '&' of the text itself doubled so that it shows as written.
std::wstring menuText(const MenuItem& item) {
    std::wstring text;
    bool marked = item.accessKey == 0;
    for (const wchar_t c : toWide(item.text)) {
        if (c == L'&') text += L'&';
        if (!marked && c < 0x80 && std::towlower(c) == std::towlower(static_cast<wchar_t>(item.accessKey))) {
            text += L'&';
            marked = true;
        }
        text += c;
    }
    return text;
}

// A popup menu from the menu model; submenus belong to their parent once appended.
MenuOwner buildPopupMenu(const std::vector<MenuItem>& items) {
    MenuOwner menu(CreatePopupMenu());
    if (!menu) return nullptr;
    for (const MenuItem& item : items) {
        const std::wstring text = menuText(item);
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

int trackMainMenu(HWND window, double dpiScale, const MenuInput& input, bool fromKeyboard) {
    MenuOwner menu = buildPopupMenu(buildMainMenu(input));
    if (!menu) return 0;
    RECT client{};
    GetClientRect(window, &client);
    const Point anchor = menuAnchor(client.right - client.left, dpiScale);
    POINT screen{anchor.x, anchor.y};
    ClientToScreen(window, &screen);
    // The menu's own loop reads this key first, as if Down had been pressed on opening.
    if (fromKeyboard) PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    return static_cast<int>(TrackPopupMenu(menu.get(), kMenuTrackFlags, screen.x, screen.y, 0, window, nullptr));
}

}  // namespace vesko
