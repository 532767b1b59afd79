#include "ui/address_field_win.h"

#include <commctrl.h>

#include <string>

#include "base/wide_text_win.h"
#include "policy/portal_policy.h"
#include "ui/browser_app_win.h"

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

LRESULT CALLBACK addressFieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
    auto& app = *reinterpret_cast<BrowserApp*>(data);
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            app.onAddressFocus(message == WM_SETFOCUS);
            break;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                app.runGuarded([&] { app.navigateActiveTab(fieldText(field)); });
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                app.runGuarded([&] { app.returnToPage(); });
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

HWND createAddressField(BrowserApp& app, HWND parent, HINSTANCE instance) {
    const std::wstring start = toWide(PortalPolicy::portalStartUrl());
    HWND field = CreateWindowExW(0, L"EDIT", start.c_str(), WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAddressFieldId)), instance,
                                 nullptr);
    if (field == nullptr) return nullptr;
    SendMessageW(field, EM_SETLIMITTEXT, kAddressFieldLimit, 0);
    SetWindowSubclass(field, addressFieldProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(&app));
    return field;
}

}  // namespace vesko
