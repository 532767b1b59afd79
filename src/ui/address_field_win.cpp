#include "ui/address_field_win.h"

#include <commctrl.h>

#include <string>

#include "base/wide_text_win.h"
#include "policy/portal_policy.h"
#include "ui/browser_app.h"

namespace vesko {
namespace {

constexpr UINT_PTR kSubclassId = 1;

std::wstring fieldText(HWND field) {
    const int length = GetWindowTextLengthW(field);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(field, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void returnToPage(BrowserApp& app, HWND field) {
    if (app.activeTab < 0 || static_cast<std::size_t>(app.activeTab) >= app.tabs.size()) return;
    const auto tab = app.tabs[static_cast<std::size_t>(app.activeTab)];
    SetWindowTextW(field, tab->url.c_str());
    if (tab->controller) tab->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

LRESULT CALLBACK addressFieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
    auto& app = *reinterpret_cast<BrowserApp*>(data);
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            app.addressFocused = message == WM_SETFOCUS;
            if (app.window != nullptr) InvalidateRect(app.window, nullptr, FALSE);
            break;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                app.runGuarded([&] { app.navigateActiveTab(fieldText(field)); });
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                app.runGuarded([&] { returnToPage(app, field); });
                return 0;
            }
            break;
        case WM_CHAR:
            // Enter and Escape were handled as keys; as characters a single-line field
            // would only beep at them.
            if (wParam == L'\r' || wParam == 0x1B) return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(field, addressFieldProcedure, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(field, message, wParam, lParam);
}

}  // namespace

HWND createAddressField(BrowserApp& app) {
    const std::wstring start = toWide(PortalPolicy::portalStartUrl());
    HWND field = CreateWindowExW(0, L"EDIT", start.c_str(), WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                 app.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAddressFieldId)),
                                 app.instance, nullptr);
    if (field == nullptr) return nullptr;
    SendMessageW(field, EM_SETLIMITTEXT, kAddressFieldLimit, 0);
    SetWindowSubclass(field, addressFieldProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(&app));
    return field;
}

}  // namespace vesko
