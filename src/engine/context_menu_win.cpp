#include "engine/context_menu_win.h"

#include <stdexcept>
#include <vector>

#include "base/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/context_menu_rules.h"
#include "engine/engine_strings_win.h"
#include "engine/hresult_win.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;
using ContextMenuRequestedCallback = ComCallback<ICoreWebView2ContextMenuRequestedEventHandler, ICoreWebView2*,
                                                ICoreWebView2ContextMenuRequestedEventArgs*>;

struct EngineMenu {
    std::vector<ContextMenuItem> items;
    // Per item: a submenu's own collection and what it holds; null and empty for others.
    std::vector<ComPtr<ICoreWebView2ContextMenuItemCollection>> submenus;
    std::vector<EngineMenu> children;
};

EngineMenu readMenu(ICoreWebView2ContextMenuItemCollection* collection) {
    EngineMenu menu;
    UINT32 count = 0;
    ThrowIfFailed(collection->get_Count(&count), "CONTEXT_MENU_UNREADABLE");
    for (UINT32 i = 0; i < count; ++i) {
        ComPtr<ICoreWebView2ContextMenuItem> item;
        const HRESULT got = collection->GetValueAtIndex(i, &item);
        ThrowIfFailed(FAILED(got) ? got : (item ? S_OK : E_POINTER), "CONTEXT_MENU_UNREADABLE");
        std::wstring name;
        COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND kind = COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_COMMAND;
        ThrowIfFailed(readEngineString([&](LPWSTR* out) { return item->get_Name(out); }, name),
                      "CONTEXT_MENU_UNREADABLE");
        ThrowIfFailed(item->get_Kind(&kind), "CONTEXT_MENU_UNREADABLE");
        ContextMenuItem entry{toUtf8(name), ContextMenuItemKind::command, {}};
        ComPtr<ICoreWebView2ContextMenuItemCollection> children;
        EngineMenu submenu;
        if (kind == COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SEPARATOR) {
            entry.kind = ContextMenuItemKind::separator;
        } else if (kind == COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SUBMENU) {
            entry.kind = ContextMenuItemKind::submenu;
            const HRESULT listed = item->get_Children(&children);
            ThrowIfFailed(FAILED(listed) ? listed : (children ? S_OK : E_POINTER), "CONTEXT_MENU_UNREADABLE");
            submenu = readMenu(children.Get());
            entry.children = submenu.items;
        }
        menu.items.push_back(std::move(entry));
        menu.submenus.push_back(std::move(children));
        menu.children.push_back(std::move(submenu));
    }
    return menu;
}

// Removes from the end, so the positions still to visit keep their numbers.
void trimMenu(ICoreWebView2ContextMenuItemCollection* collection, const EngineMenu& menu,
              const std::vector<KeptContextMenuItem>& kept) {
    std::size_t next = kept.size();
    for (std::size_t i = menu.items.size(); i-- > 0;) {
        if (next > 0 && kept[next - 1].index == i) {
            --next;
            if (menu.submenus[i]) {
                trimMenu(menu.submenus[i].Get(), menu.children[i], kept[next].children);
            }
            continue;
        }
        ThrowIfFailed(collection->RemoveValueAtIndex(static_cast<UINT32>(i)), "CONTEXT_MENU_NOT_TRIMMED");
    }
}

}  // namespace

ComPtr<ICoreWebView2ContextMenuRequestedEventHandler> makeContextMenuHandler() {
    return makeCallback<ContextMenuRequestedCallback>(
        [](ICoreWebView2*, ICoreWebView2ContextMenuRequestedEventArgs* args) {
            bool anyLeft = false;
            try {
                ComPtr<ICoreWebView2ContextMenuItemCollection> items;
                const HRESULT got = args->get_MenuItems(&items);
                ThrowIfFailed(FAILED(got) ? got : (items ? S_OK : E_POINTER), "CONTEXT_MENU_UNREADABLE");
                const EngineMenu menu = readMenu(items.Get());
                const std::vector<KeptContextMenuItem> kept = keptMenuItems(menu.items);
                trimMenu(items.Get(), menu, kept);
                anyLeft = !kept.empty();
            } catch (const std::exception&) {
                // A menu that could not be read or trimmed is not shown at all.
                anyLeft = false;
            }
            // Handled with no command chosen: the engine shows no menu of its own.
            if (!anyLeft) args->put_Handled(TRUE);
            return S_OK;
        });
}

}  // namespace vesko
