// The main window's message handlers. Geometry, hit-testing and hover come from the
// portable core; this file feeds them the window's state and applies their answers.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>


#include "base/scoped_handles_win.h"
#include "ui/main_window_win.h"

#include "engine/downloads_win.h"
#include "ui/address_field_win.h"
#include "ui/frame_layout.h"
#include "ui/key_table.h"
#include "ui/browser_app_win.h"
#include "ui/commands.h"
#include "ui/dpi_scale.h"
#include "ui/frame_animation.h"
#include "ui/frame_colors.h"
#include "ui/frame_painter_win.h"
#include "ui/hit_testing.h"
#include "ui/system_appearance_win.h"
#include "base/key_modifiers_win.h"
#include "ui/tab_strip_layout.h"
#include "ui/toolbar_layout.h"

namespace vesko {
namespace {

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
    MainWindowMessages(BrowserApp& app, WindowState& state) : app_(app), state_(state), window_(state.window) {}

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_CREATE: return onCreate();
            case WM_DESTROY: return onDestroy();
            case WM_MOVE: return onMove();
            case WM_SIZE: return onSize();
            case WM_SETFOCUS: return onSetFocus();
            case WM_KILLFOCUS: return onKillFocus(wParam);
            case WM_SETTINGCHANGE:
            case WM_SYSCOLORCHANGE:
            case WM_THEMECHANGED: return onAppearanceChanged();
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
            case WM_APP_HANG: return onHangQuestion(wParam);
            case WM_APP_RESTART: return onRestart();
            case WM_APP_CLOSE_TAB: return onCloseTabForPage(wParam);
            case WM_APP_FRAME_KEY: return onPageFrameKey(wParam, lParam);
            case WM_GETOBJECT: return app_.onGetObject(wParam, lParam);
            case WM_APP_FRAME_ACTION: return onFrameAction(wParam, lParam);
            case WM_APP_FRAME_CHANGED: return onFrameChanged();
            default: return DefWindowProcW(window_, message, wParam, lParam);
        }
    }

private:

    RECT clientRect() const {
        RECT client{};
        GetClientRect(window_, &client);
        return client;
    }

    FrameState frameState() const { return app_.frameSnapshot().hitState(); }

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
        state_.firstVisibleTab =
            layoutTabStrip(frame.clientWidth, frame.tabCount, state_.firstVisibleTab, state_.frameScale()).firstVisibleTab;
    }

    void notifyViewsOfMove() const {
        for (const auto& tab : app_.tabs()) tab->notifyParentMoved();
    }

    void applyUiFont() const {
        // The field gets the new font before the old one goes, so it never draws with a
        // deleted one.
        HFONT font = createUiFont(window_, state_.frameScale());
        if (state_.addressField != nullptr) {
            SendMessageW(state_.addressField, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        state_.uiFont.reset(font);
    }

    // The user's colours and text size, read again whenever a setting changes.
    void applyAppearance() const {
        state_.palette = systemFramePalette();
        state_.textScale = systemTextScale();
        const Color field = state_.palette.addressFieldBackground;
        state_.addressFieldBrush.reset(CreateSolidBrush(RGB(field.r, field.g, field.b)));
    }

    LRESULT onCreate() {
        state_.addressField = createAddressField(app_, window_, state_.instance);
        if (const UINT dpi = windowDpi(window_)) state_.dpiScale = dpiScaleForDpi(dpi);
        applyAppearance();
        applyUiFont();
        SetTimer(window_, kStatusTimer, 1000, nullptr);
        SetTimer(window_, kAnimationTimer, 16, nullptr);
        app_.layoutChildren();
        return 0;
    }

    LRESULT onDestroy() {
        KillTimer(window_, kStatusTimer);
        KillTimer(window_, kProbeTimer);
        KillTimer(window_, kAnimationTimer);
        KillTimer(window_, kHangTimer);
        KillTimer(window_, kRestartTimer);
        app_.releaseAccessibility();
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
        notifyViewsOfMove();
        return 0;
    }

    LRESULT onSetFocus() {
        // The tab strip and the toolbar hold the focus in the window itself.
        if (state_.focus.zone == FocusZone::TabStrip || state_.focus.zone == FocusZone::Toolbar) {
            app_.repaint();
        } else if (const auto tab = app_.activeTab()) {
            tab->focus();
        }
        return 0;
    }

    LRESULT onKillFocus(WPARAM gaining) {
        // Another of the program's windows took the focus (a click into the page): the
        // keyboard is in the page now. Focus leaving for another program keeps its place.
        const auto next = reinterpret_cast<HWND>(gaining);
        if (next != nullptr && next != state_.addressField &&
            (state_.focus.zone == FocusZone::TabStrip || state_.focus.zone == FocusZone::Toolbar)) {
            state_.focus.zone = FocusZone::Page;
        }
        app_.repaint();
        return 0;
    }

    LRESULT onAppearanceChanged() {
        applyAppearance();
        applyUiFont();
        app_.layoutChildren();
        if (state_.addressField != nullptr) InvalidateRect(state_.addressField, nullptr, TRUE);
        return 0;
    }

    LRESULT onPageFrameKey(WPARAM key, LPARAM shift) {
        app_.onPageFrameKey(static_cast<std::int32_t>(key), shift != 0);
        return 0;
    }

    LRESULT onPaint() {
        paintMainWindow(state_, app_.frameSnapshot());
        return 0;
    }

    LRESULT onClose() {
        app_.closeWindow();
        return 0;
    }

    LRESULT onGetMinMaxInfo(LPARAM lParam) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        const Size minimum = minimumTrackSize(state_.dpiScale);
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
            case kStatusTimer: invalidateAll(); break;
            case kProbeTimer: app_.onProbeTimeout(); break;
            case kAnimationTimer: onAnimationTick(); break;
            case kHangTimer: app_.onHangTimer(); break;
            case kRestartTimer: app_.onBrowserProcessGone(); break;
            default: break;
        }
        return 0;
    }

    void onAnimationTick() {
        AnimationInput input;
        input.newTabHoverLevel = state_.newTabHoverLevel;
        input.newTabHovered = state_.hover.newTabHovered;
        input.animationsEnabled = state_.animationsEnabled;
        input.pressedToolbarButton = state_.pressedToolbarButton;
        input.pressedUntil = state_.pressedUntil;
        input.tickMs = GetTickCount64();
        for (const auto& tab : app_.tabs()) input.anyTabBusy = input.anyTabBusy || tab->loading || tab->ajaxBusy;

        const AnimationStep step = animationStep(input);
        state_.newTabHoverLevel = step.newTabHoverLevel;
        state_.pressedToolbarButton = step.pressedToolbarButton;
        if (step.invalidateWindow) {
            invalidateAll();
        } else if (step.invalidateTopBands) {
            invalidateTop(toolbarBottom(state_.frameScale()));
        } else if (step.invalidateTabStrip) {
            invalidateTop(tabStripBottom(state_.frameScale()));
        }
    }

    LRESULT onControlColor(UINT message, WPARAM wParam, LPARAM lParam) {
        if (reinterpret_cast<HWND>(lParam) != state_.addressField || state_.addressField == nullptr) {
            return DefWindowProcW(window_, message, wParam, lParam);
        }
        const auto dc = reinterpret_cast<HDC>(wParam);
        const Color back = state_.palette.addressFieldBackground;
        const Color text = state_.palette.addressFieldText;
        SetBkColor(dc, RGB(back.r, back.g, back.b));
        SetTextColor(dc, RGB(text.r, text.g, text.b));
        return reinterpret_cast<LRESULT>(state_.addressFieldBrush.get());
    }

    LRESULT onMouseMove(LPARAM lParam) {
        const HoverState hover = hoverAt(clientPoint(lParam), frameState());
        if (hover != state_.hover) {
            state_.hover = hover;
            invalidateAll();
        }
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window_, 0};
        TrackMouseEvent(&track);
        return 0;
    }

    LRESULT onMouseLeave() {
        state_.hover = HoverState{};
        invalidateAll();
        return 0;
    }

    LRESULT onLeftButtonDown(LPARAM lParam) {
        perform(clickAt(clientPoint(lParam), frameState()));
        return 0;
    }

public:
    // What a click on a part of the frame does, whether it came from the mouse, the
    // keyboard or assistive technology.
    void perform(const FrameClick& click) {
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
    }

private:

    void pressToolbarButton(int button) {
        state_.pressedToolbarButton = button;
        state_.pressedUntil = pressedLookUntil(GetTickCount64());
        invalidateAll();
        app_.executeCommand(toolbarButtonCommand(button));
    }

    void scrollTabStrip(int by) {
        state_.firstVisibleTab += by;
        clampTabStrip();
        invalidateAll();
    }

    LRESULT onMiddleButtonUp(LPARAM lParam) {
        const int index = middleClickTabAt(clientPoint(lParam), frameState());
        if (index >= 0) app_.closeTab(index);
        return 0;
    }

    LRESULT onDpiChanged(WPARAM wParam, LPARAM lParam) {
        state_.dpiScale = dpiScaleForDpi(HIWORD(wParam));
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

    LRESULT onRestart() {
        app_.restartEngine();
        return 0;
    }

    LRESULT onCloseTabForPage(WPARAM tabId) {
        app_.closeTabForPage(static_cast<std::uint32_t>(tabId));
        return 0;
    }

    LRESULT onHangQuestion(WPARAM tabId) {
        app_.askAboutHang(static_cast<std::uint32_t>(tabId));
        return 0;
    }

    LRESULT onDownload(LPARAM lParam) {
        app_.onDownloadMessage(lParam);
        return 0;
    }

    LRESULT onFrameAction(WPARAM request, LPARAM key) {
        app_.onFrameAction(request, key);
        return 0;
    }

    LRESULT onFrameChanged() {
        app_.onFrameChanged();
        return 0;
    }

    BrowserApp& app_;
    WindowState& state_;
    HWND window_;
};

}  // namespace

LRESULT handleMainWindowMessage(BrowserApp& app, WindowState& window, UINT message, WPARAM wParam, LPARAM lParam) {
    return MainWindowMessages(app, window).handle(message, wParam, lParam);
}

void performFrameClick(BrowserApp& app, WindowState& window, const FrameClick& click) {
    MainWindowMessages(app, window).perform(click);
}

}  // namespace vesko
