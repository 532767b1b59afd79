// The view's child window: a page driver that shows a live page paints it and takes the
// user's input, after the host has had its say on accelerator keys; otherwise the page is
// painted in outline (its title, its address and its links) and Tab leaves it at once.
#include <cstdio>

#include "controller.h"

namespace vesko::standin {
namespace {

constexpr wchar_t kViewClass[] = L"VeskoStandInView";

// Keys the engine offers the host before the page sees them: with Ctrl or Alt held,
// function keys and Escape.
bool acceleratorCandidate(UINT message, WPARAM key) {
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_SYSKEYDOWN && message != WM_SYSKEYUP) {
        return false;
    }
    if (key == VK_CONTROL || key == VK_MENU || key == VK_SHIFT) return false;
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0 || (GetKeyState(VK_MENU) & 0x8000) != 0 ||
           (key >= VK_F1 && key <= VK_F24) || key == VK_ESCAPE;
}

COREWEBVIEW2_KEY_EVENT_KIND keyEventKind(UINT message) {
    switch (message) {
        case WM_KEYDOWN: return COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
        case WM_KEYUP: return COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
        case WM_SYSKEYDOWN: return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
        default: return COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP;
    }
}

std::optional<LRESULT> livePageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       NavigationPipeline& pipeline) {
    if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
    if (message == WM_ERASEBKGND) return 1;
    if (acceleratorCandidate(message, wParam)) {
        auto* controller = static_cast<Controller*>(pipeline.controller());
        if (controller != nullptr) {
            auto outcome = std::make_shared<KeyOutcome>();
            ComPtr<Controller> keep(controller);
            keep->raiseKey(keyEventKind(message), static_cast<UINT>(wParam), static_cast<INT>(lParam), outcome);
            if (outcome->handled) return 0;
        }
    }
    return pipeline.driver().windowMessage(window, message, wParam, lParam);
}

// A page painted in outline has no focusable elements: the view still takes the keyboard
// as the engine's view does (a click focuses it, it wants every key, the host hears its
// accelerator keys first), and Tab or Shift+Tab leaves the page at once.
std::optional<LRESULT> outlineMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      NavigationPipeline& pipeline) {
    if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) SetFocus(window);
    auto* controller = static_cast<Controller*>(pipeline.controller());
    if (controller == nullptr) return std::nullopt;
    ComPtr<Controller> keep(controller);
    if (acceleratorCandidate(message, wParam)) {
        auto outcome = std::make_shared<KeyOutcome>();
        keep->raiseKey(keyEventKind(message), static_cast<UINT>(wParam), static_cast<INT>(lParam), outcome);
        return outcome->handled ? std::optional<LRESULT>(0) : std::nullopt;
    }
    if (message != WM_KEYDOWN || wParam != VK_TAB) return std::nullopt;
    const auto reason = (GetKeyState(VK_SHIFT) & 0x8000) != 0 ? COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS
                                                              : COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT;
    auto outcome = std::make_shared<MoveFocusOutcome>();
    pipeline.later([keep, reason, outcome]() { keep->raiseMoveFocus(reason, outcome); });
    return 0;
}

void paintOutline(HDC dc, const RECT& client, const ViewState& state) {
    const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    int y = 12;
    const auto line = [&](const std::wstring& text, COLORREF colour) {
        SetTextColor(dc, colour);
        RECT row{12, y, client.right - 12, y + 20};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &row, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        y += 20;
    };
    line(state.title + (state.loading ? L" \u2026" : L""), RGB(20, 20, 20));
    line(state.source, RGB(90, 90, 90));
    y += 8;
    // The engine's own error page after the renderer ended; Reload brings the page back.
    if (state.rendererGone) line(L"The page's renderer ended. Reload the page to show it again.", RGB(170, 20, 20));
    for (const auto& link : state.links) line(link, RGB(30, 80, 200));
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* const view = reinterpret_cast<WebView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (view != nullptr && view->pipeline().driver().takesInput()) {
        ComPtr<WebView> keep(view);
        if (const auto result = livePageMessage(window, message, wParam, lParam, view->pipeline())) return *result;
    } else if (view != nullptr) {
        ComPtr<WebView> keep(view);
        if (const auto result = outlineMessage(window, message, wParam, lParam, view->pipeline())) return *result;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        if (view == nullptr || !view->pipeline().driver().paint(dc, client)) {
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            if (view != nullptr) paintOutline(dc, client, view->pipeline().state());
        }
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* viewClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &windowProc;
        windowClass.hInstance = ownModule();
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        windowClass.lpszClassName = kViewClass;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    (void)registered;
    return kViewClass;
}

}  // namespace

HWND createViewWindow(HWND parent, WebView* view) {
    const HWND window = CreateWindowExW(0, viewClass(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                        parent, nullptr, ownModule(), nullptr);
    if (window != nullptr) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    return window;
}

std::set<const void*>& liveControllers() {
    static std::set<const void*> controllers;
    return controllers;
}

}  // namespace vesko::standin
