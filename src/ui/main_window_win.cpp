// The main window: its class, the one window-procedure trampoline with the error guard,
// and the message handlers. Geometry, hit-testing and hover come from the portable core;
// this file feeds them the window's state and applies their answers.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>

#include "base/scoped_handles_win.h"
#include "base/wide_text_win.h"
#include "ui/address_field_win.h"
#include "ui/browser_app.h"
#include "ui/close_warning.h"
#include "ui/commands.h"
#include "ui/dpi_scale.h"
#include "ui/frame_animation.h"
#include "ui/frame_colors.h"
#include "ui/frame_layout.h"
#include "ui/frame_painter_win.h"
#include "ui/hit_testing.h"
#include "ui/key_modifiers_win.h"
#include "ui/key_table.h"
#include "ui/status_line.h"
#include "ui/tab_strip_layout.h"
#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

constexpr wchar_t kWindowTitle[] = L"Vesko Browser";
constexpr int kInitialWidth = 1280;
constexpr int kInitialHeight = 850;

// The address field's background brush: made once, kept for the life of the process.
HBRUSH addressFieldBrush() {
    static const BrushOwner brush(CreateSolidBrush(
        RGB(kColorAddressFieldBackground.r, kColorAddressFieldBackground.g, kColorAddressFieldBackground.b)));
    return brush.get();
}

// The window's DPI, where the system can say (Windows 10 1607 and later).
UINT windowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return 0;
    const auto getDpi =
        reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    return getDpi != nullptr ? getDpi(window) : 0;
}

// The thickness of a thick frame at the window's DPI: the resize frame plus the padded
// border, as Windows measures the band it places a maximised window beyond its monitor.
POINT resizeFrameThickness(HWND window) {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    const UINT dpi = windowDpi(window);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto forDpi = user32 == nullptr ? nullptr
                                          : reinterpret_cast<GetSystemMetricsForDpiFn>(reinterpret_cast<void*>(
                                                GetProcAddress(user32, "GetSystemMetricsForDpi")));
    const auto metric = [&](int index) {
        return forDpi != nullptr && dpi != 0 ? forDpi(index, dpi) : GetSystemMetrics(index);
    };
    const int padded = metric(SM_CXPADDEDBORDER);
    return POINT{metric(SM_CXFRAME) + padded, metric(SM_CYFRAME) + padded};
}

Point clientPointFromScreen(HWND window, LPARAM lParam) {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(window, &p);
    return Point{p.x, p.y};
}

Point clientPoint(LPARAM lParam) {
    return Point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

// The message handlers of the main window, each one short and named after its message.
class MainWindowMessages {
public:
    explicit MainWindowMessages(BrowserApp& app) : app_(app), window_(app.window) {}

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_CREATE: return onCreate();
            case WM_DESTROY: return onDestroy();
            case WM_MOVE: return onMove();
            case WM_SIZE: return onSize();
            case WM_SETFOCUS: return onSetFocus();
            case WM_PAINT: return onPaint();
            case WM_CLOSE: return onClose();
            case WM_ERASEBKGND: return 1;
            case WM_GETMINMAXINFO: return onGetMinMaxInfo(lParam);
            case WM_NCCALCSIZE: return onNcCalcSize(message, wParam, lParam);
            case WM_NCHITTEST: return onNcHitTest(lParam);
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN: return onKeyDown(message, wParam, lParam);
            case WM_COMMAND: return onCommand(wParam);
            case WM_TIMER: return onTimer(wParam);
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORSTATIC: return onControlColor(message, wParam, lParam);
            case WM_MOUSEMOVE: return onMouseMove(lParam);
            case WM_LBUTTONDOWN: return onLeftButtonDown(lParam);
            case WM_MBUTTONUP: return onMiddleButtonUp(lParam);
            case WM_MOUSELEAVE: return onMouseLeave();
            case WM_DPICHANGED: return onDpiChanged(wParam, lParam);
            case WM_APP_COMMAND: return onAppCommand(wParam);
            case WM_APP_DOWNLOAD: return onDownload(lParam);
            default: return DefWindowProcW(window_, message, wParam, lParam);
        }
    }

private:

    RECT clientRect() const {
        RECT client{};
        GetClientRect(window_, &client);
        return client;
    }

    FrameState frameState() const {
        const RECT client = clientRect();
        FrameState frame;
        frame.clientWidth = client.right - client.left;
        frame.clientHeight = client.bottom - client.top;
        frame.dpiScale = app_.dpiScale;
        frame.tabCount = static_cast<int>(app_.tabs.size());
        frame.firstVisibleTab = app_.firstVisibleTab;
        frame.engineReady = app_.engineReady;
        frame.maximized = IsZoomed(window_) != FALSE;
        return frame;
    }

    void invalidateAll() const { InvalidateRect(window_, nullptr, FALSE); }

    // The band from the top of the window down to `bottom`.
    void invalidateTop(int bottom) const {
        RECT band = clientRect();
        band.bottom = bottom;
        InvalidateRect(window_, &band, FALSE);
    }

    // The strip's scroll offset as the layout clamps it to the tabs that exist.
    void clampTabStrip() const {
        const FrameState frame = frameState();
        app_.firstVisibleTab =
            layoutTabStrip(frame.clientWidth, frame.tabCount, app_.firstVisibleTab, app_.dpiScale).firstVisibleTab;
    }

    void notifyViewsOfMove() const {
        for (const auto& tab : app_.tabs) {
            if (tab->controller) tab->controller->NotifyParentWindowPositionChanged();
        }
    }

    void applyUiFont() const {
        // The field gets the new font before the old one goes, so it never draws with a
        // deleted one.
        HFONT font = createUiFont(window_, app_.dpiScale);
        if (app_.addressField != nullptr) {
            SendMessageW(app_.addressField, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        app_.uiFont.reset(font);
    }

    LRESULT onCreate() {
        app_.addressField = createAddressField(app_);
        if (const UINT dpi = windowDpi(window_)) app_.dpiScale = dpiScaleForDpi(dpi);
        applyUiFont();
        SetTimer(window_, BrowserApp::kStatusTimer, 1000, nullptr);
        SetTimer(window_, BrowserApp::kAnimationTimer, 16, nullptr);
        app_.layoutChildren();
        return 0;
    }

    LRESULT onDestroy() {
        KillTimer(window_, BrowserApp::kStatusTimer);
        KillTimer(window_, BrowserApp::kProbeTimer);
        KillTimer(window_, BrowserApp::kAnimationTimer);
        PostQuitMessage(0);
        return 0;
    }

    LRESULT onMove() {
        notifyViewsOfMove();
        return 0;
    }

    LRESULT onSize() {
        clampTabStrip();
        app_.layoutChildren();
        if (app_.environment) notifyViewsOfMove();
        return 0;
    }

    LRESULT onSetFocus() {
        const auto tab = app_.activeTabPointer();
        if (tab && tab->controller) tab->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
        return 0;
    }

    LRESULT onPaint() {
        paintMainWindow(app_);
        return 0;
    }

    LRESULT onClose() {
        // One question at most, however many tabs hold unsaved input.
        for (const auto& tab : app_.tabs) {
            if (!tab->dirty) continue;
            if (!app_.confirmClose(toWide(kCloseWindowQuestion))) return 0;
            break;
        }
        if (app_.window != nullptr) DestroyWindow(app_.window);
        return 0;
    }

    LRESULT onGetMinMaxInfo(LPARAM lParam) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        const Size minimum = minimumTrackSize(app_.dpiScale);
        info->ptMinTrackSize.x = minimum.width;
        info->ptMinTrackSize.y = minimum.height;
        return 0;
    }

    LRESULT onNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam) {
        if (wParam != TRUE) return DefWindowProcW(window_, message, wParam, lParam);
        // The client area takes the whole window: the frame is drawn by the window itself.
        // Maximised, the window reaches beyond the work area by its frame, which is left out
        // so that the top band and the caption buttons stay on screen.
        if (IsZoomed(window_)) {
            RECT& proposed = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0];
            const POINT frame = resizeFrameThickness(window_);
            const Rect client = maximizedClientArea(Rect{proposed.left, proposed.top, proposed.right, proposed.bottom},
                                                    frame.x, frame.y);
            proposed = RECT{client.left, client.top, client.right, client.bottom};
        }
        return 0;
    }

    LRESULT onNcHitTest(LPARAM lParam) {
        return frameHitTest(clientPointFromScreen(window_, lParam), frameState());
    }

    LRESULT onKeyDown(UINT message, WPARAM wParam, LPARAM lParam) {
        const std::int32_t command = keyToCommand(static_cast<std::int32_t>(wParam), heldKeyModifiers());
        if (command == commands::None) return DefWindowProcW(window_, message, wParam, lParam);
        app_.executeCommand(command);
        return 0;
    }

    LRESULT onCommand(WPARAM wParam) {
        app_.executeCommand(LOWORD(wParam));
        return 0;
    }

    LRESULT onTimer(WPARAM id) {
        switch (id) {
            case BrowserApp::kStatusTimer: invalidateAll(); break;
            case BrowserApp::kProbeTimer: onProbeTimeout(); break;
            case BrowserApp::kAnimationTimer: onAnimationTick(); break;
            default: break;
        }
        return 0;
    }

    void onProbeTimeout() {
        if (!app_.probeRunning) return;
        KillTimer(window_, BrowserApp::kProbeTimer);
        app_.completeRuntimeProbe(app_.activeTabPointer(), false, false);
    }

    void onAnimationTick() {
        AnimationInput input;
        input.newTabHoverLevel = app_.newTabHoverLevel;
        input.newTabHovered = app_.newTabHovered;
        input.animationsEnabled = app_.animationsEnabled;
        input.pressedToolbarButton = app_.pressedToolbarButton;
        input.pressedUntil = app_.pressedUntil;
        input.tickMs = GetTickCount64();
        for (const auto& tab : app_.tabs) input.anyTabBusy = input.anyTabBusy || tab->loading || tab->ajaxBusy;

        const AnimationStep step = animationStep(input);
        app_.newTabHoverLevel = step.newTabHoverLevel;
        app_.pressedToolbarButton = step.pressedToolbarButton;
        if (step.invalidateWindow) {
            invalidateAll();
        } else if (step.invalidateTopBands) {
            invalidateTop(toolbarBottom(app_.dpiScale));
        } else if (step.invalidateTabStrip) {
            invalidateTop(tabStripBottom(app_.dpiScale));
        }
    }

    LRESULT onControlColor(UINT message, WPARAM wParam, LPARAM lParam) {
        if (reinterpret_cast<HWND>(lParam) != app_.addressField || app_.addressField == nullptr) {
            return DefWindowProcW(window_, message, wParam, lParam);
        }
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, RGB(kColorAddressFieldBackground.r, kColorAddressFieldBackground.g,
                           kColorAddressFieldBackground.b));
        SetTextColor(dc, RGB(kColorAddressFieldText.r, kColorAddressFieldText.g, kColorAddressFieldText.b));
        return reinterpret_cast<LRESULT>(addressFieldBrush());
    }

    LRESULT onMouseMove(LPARAM lParam) {
        const HoverState hover = hoverAt(clientPoint(lParam), frameState());
        const HoverState stored{app_.hoveredToolbarItem, app_.hoveredCaptionButton, app_.newTabHovered,
                                app_.hoveredTab, app_.tabCloseHovered};
        if (hover != stored) {
            storeHover(hover);
            invalidateAll();
        }
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window_, 0};
        TrackMouseEvent(&track);
        return 0;
    }

    void storeHover(const HoverState& hover) const {
        app_.hoveredToolbarItem = hover.hoveredToolbarItem;
        app_.hoveredCaptionButton = hover.hoveredCaptionButton;
        app_.newTabHovered = hover.newTabHovered;
        app_.hoveredTab = hover.hoveredTab;
        app_.tabCloseHovered = hover.tabCloseHovered;
    }

    LRESULT onMouseLeave() {
        storeHover(HoverState{});
        invalidateAll();
        return 0;
    }

    LRESULT onLeftButtonDown(LPARAM lParam) {
        const FrameClick click = clickAt(clientPoint(lParam), frameState());
        switch (click.action) {
            case FrameAction::None: break;
            case FrameAction::Minimize: ShowWindow(window_, SW_MINIMIZE); break;
            case FrameAction::Maximize: ShowWindow(window_, SW_MAXIMIZE); break;
            case FrameAction::Restore: ShowWindow(window_, SW_RESTORE); break;
            case FrameAction::Close: PostMessageW(window_, WM_CLOSE, 0, 0); break;
            case FrameAction::ToolbarButton: pressToolbarButton(click.index); break;
            case FrameAction::ShowMenu: app_.showMenu(); break;
            case FrameAction::PageInfo: app_.showPageInfo(); break;
            case FrameAction::CloseTab: app_.closeTab(click.index); break;
            case FrameAction::SelectTab: app_.selectTab(click.index); break;
            case FrameAction::NewTab: app_.executeCommand(commands::NewTab); break;
            case FrameAction::ScrollLeft: scrollTabStrip(-1); break;
            case FrameAction::ScrollRight: scrollTabStrip(+1); break;
        }
        return 0;
    }

    void pressToolbarButton(int button) {
        app_.pressedToolbarButton = button;
        app_.pressedUntil = pressedLookUntil(GetTickCount64());
        invalidateAll();
        app_.executeCommand(toolbarButtonCommand(button));
    }

    void scrollTabStrip(int by) {
        app_.firstVisibleTab += by;
        clampTabStrip();
        invalidateAll();
    }

    LRESULT onMiddleButtonUp(LPARAM lParam) {
        const int index = middleClickTabAt(clientPoint(lParam), frameState());
        if (index >= 0) app_.closeTab(index);
        return 0;
    }

    LRESULT onDpiChanged(WPARAM wParam, LPARAM lParam) {
        app_.dpiScale = dpiScaleForDpi(HIWORD(wParam));
        applyUiFont();
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        app_.layoutChildren();
        return 0;
    }

    LRESULT onAppCommand(WPARAM wParam) {
        app_.executeCommand(static_cast<std::int32_t>(wParam));
        return 0;
    }

    LRESULT onDownload(LPARAM lParam) {
        app_.onDownloadMessage(lParam);
        return 0;
    }

    BrowserApp& app_;
    HWND window_;
};

}  // namespace

bool BrowserApp::createWindow() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &BrowserApp::windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClassName;
    // Already registered by an earlier window of this process is fine.
    RegisterClassExW(&windowClass);

    CreateWindowExW(0, kWindowClassName, kWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, kInitialWidth, kInitialHeight, nullptr, nullptr, instance, this);
    if (window == nullptr) return false;
    // Creation asks for the frame without letting the window answer for it; asking again
    // makes the client area take the whole window before it is first shown.
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return true;
}

LRESULT CALLBACK BrowserApp::windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    BrowserApp* app = nullptr;
    if (message == WM_NCCREATE) {
        app = static_cast<BrowserApp*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (app != nullptr) {
            app->window = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
        }
    } else {
        app = reinterpret_cast<BrowserApp*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (app == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The handle is about to be invalid: nothing may use it from here on.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        app->window = nullptr;
        app->addressField = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    app->runGuarded([&] { result = app->handleMessage(message, wParam, lParam); });
    return result;
}

LRESULT BrowserApp::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return MainWindowMessages(*this).handle(message, wParam, lParam);
}

void BrowserApp::runGuarded(const std::function<void()>& action) noexcept {
    try {
        action();
        return;
    } catch (const std::exception& error) {
        try {
            setStatus(userErrorText(error.what()), kErrorStatusSeconds);
        } catch (...) {
            // Not even the report fits in memory; the program goes on without it.
        }
        return;
    } catch (...) {
    }
    try {
        setStatus(toWide(kUnknownErrorText), kErrorStatusSeconds);
    } catch (...) {
    }
}

}  // namespace vesko
