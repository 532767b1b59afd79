// The application object: tabs, commands, the status line, the runtime probe's verdict,
// the engine's start and the main window's life.
#include "ui/browser_app_win.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <stdexcept>

#include "base/files.h"
#include "base/key_modifiers_win.h"
#include "base/wide_text_win.h"
#include "assets/asset_resource_win.h"
#include "engine/com_callback_win.h"
#include "engine/download_rules.h"
#include "engine/engine_process_interface_win.h"
#include "engine/engine_settings.h"
#include "engine/engine_switches.h"
#include "engine/navigation_rules.h"
#include "page/page_scripts.h"
#include "policy/portal_policy.h"
#include "ui/address_field_win.h"
#include "ui/close_warning.h"
#include "ui/commands.h"
#include "ui/dialogs_win.h"
#include "ui/frame_layout.h"
#include "ui/frame_painter_win.h"
#include "ui/key_table.h"
#include "ui/main_window_win.h"
#include "ui/menu_win.h"
#include "ui/preferences.h"
#include "ui/save_dialog_win.h"
#include "ui/status_line.h"
#include "ui/tab_order.h"
#include "ui/tab_strip_layout.h"
#include "ui/zoom_rule.h"

namespace vesko {
namespace {

constexpr wchar_t kWindowTitle[] = L"Vesko Browser";
constexpr int kInitialWidth = 1280;
constexpr int kInitialHeight = 850;
constexpr wchar_t kTabRefusedStatus[] =
    L"Prit kontrollin e motorit. Lejohen vet\u00EBm faqet e KORDIS; maksimumi 80 skeda.";
// A tab asked for before the environment exists; the request is refused like any other.
constexpr wchar_t kEngineNotReadyStatus[] = L"Motori WebView2 nuk \u00EBsht\u00EB gati ende.";
constexpr wchar_t kWindowTitleSuffix[] = L" \u2014 Vesko Browser";

// The system's client-area animation setting; animations stay on when it cannot be read.
bool clientAreaAnimationsEnabled() {
    BOOL enabled = TRUE;
    if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &enabled, 0)) return true;
    return enabled != FALSE;
}

}  // namespace

BrowserApp::BrowserApp(HINSTANCE instance) : savePathPrompt_(promptSavePath) {
    window_.instance = instance;
    engine_.onBrowserExit([this](bool failed) { onBrowserExit(failed); });
}

// --- Start-up and the message loop ---

int BrowserApp::run(int showCommand) {
    startGraphics();
    loadPreferences();
    window_.animationsEnabled = clientAreaAnimationsEnabled();
    if (!createWindow()) return 1;
    ShowWindow(window_.window, showCommand);
    UpdateWindow(window_.window);
    if (!engine_.ready() && !engine_.starting()) {
        // A failed start leaves the window open without tabs, the reason on the status line.
        runGuarded([this] {
            startEngine();
            layoutChildren();
        });
    }
    return runMessageLoop();
}

void BrowserApp::startGraphics() {
    if (!graphics_) graphics_.emplace();
}

bool BrowserApp::createWindow() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &BrowserApp::windowProcedure;
    windowClass.hInstance = window_.instance;
    windowClass.hIcon = LoadIconW(window_.instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kMainWindowClassName;
    // Already registered by an earlier window of this process is fine.
    RegisterClassExW(&windowClass);

    CreateWindowExW(0, kMainWindowClassName, kWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, kInitialWidth, kInitialHeight, nullptr, nullptr, window_.instance, this);
    if (window_.window == nullptr) return false;
    // Creation asks for the frame without letting the window answer for it; asking again
    // makes the client area take the whole window before it is first shown.
    SetWindowPos(window_.window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return true;
}

LRESULT CALLBACK BrowserApp::windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    BrowserApp* app = nullptr;
    if (message == WM_NCCREATE) {
        app = static_cast<BrowserApp*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (app != nullptr) {
            app->window_.window = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
        }
    } else {
        app = reinterpret_cast<BrowserApp*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (app == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The handle is about to be invalid: nothing may use it from here on.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        app->window_.window = nullptr;
        app->window_.addressField = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    app->runGuarded([&] { result = handleMainWindowMessage(*app, app->window_, message, wParam, lParam); });
    return result;
}

int BrowserApp::runMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (preDispatchKey(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

bool BrowserApp::preDispatchKey(const MSG& message) {
    if (takeFrameKey(message)) return true;
    // Before the engine is ready every key reaches its window as ordinary input.
    if (!engine_.ready() || (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)) return false;
    const auto key = static_cast<std::int32_t>(message.wParam);
    const KeyModifiers modifiers = heldKeyModifiers();
    bool taken = false;
    runGuarded([&] {
        if (const std::optional<int> index = ctrlDigitTabIndex(key, modifiers, static_cast<int>(tabs_.size()))) {
            taken = true;
            selectTab(*index);
            return;
        }
        const std::int32_t command = keyToCommand(key, modifiers);
        if (command == commands::None) return;
        taken = true;
        const bool repeat = (static_cast<std::uint32_t>(message.lParam) & kKeyWasDownBit) != 0;
        if (!repeat || commandRepeats(command)) executeCommand(command);
    });
    return taken;
}

void BrowserApp::runGuarded(const std::function<void()>& action) noexcept {
    try {
        action();
        return;
    } catch (const std::exception& error) {
        try {
            setUrgentStatus(toWide(userErrorText(error.what())), kErrorStatusSeconds);
        } catch (...) {
            // Not even the report fits in memory; the program goes on without it.
        }
        return;
    } catch (...) {
    }
    try {
        setUrgentStatus(toWide(kUnknownErrorText), kErrorStatusSeconds);
    } catch (...) {
    }
}

// --- The engine ---

void BrowserApp::startEngine() {
    assetPack_ = parseAssetPack(loadAssetResource(window_.instance));
    engine_.start([this](HRESULT result, ICoreWebView2Environment* environment) {
        return onEnvironmentCreated(result, environment);
    });
}

HRESULT BrowserApp::onEnvironmentCreated(HRESULT result, ICoreWebView2Environment* environment) {
    if (const auto failure = engine_.adopt(result, environment)) {
        setUrgentStatus(*failure, 0);
        return S_OK;
    }
    layoutChildren();
    openTab(toWide(PortalPolicy::portalStartUrl()), {}, false);
    return S_OK;
}

void BrowserApp::viewReady(TabView& tab) {
    if (probe_.passed()) return tab.navigate(tab.url);
    const std::wstring probePage = probe_.start();
    if (window_.window != nullptr) SetTimer(window_.window, kProbeTimer, kProbeTimeoutMs, nullptr);
    showStatus(kProbeRunningStatus);
    // A failed navigation is not looked at: the time-out ends such a probe.
    tab.navigate(probePage);
}

void BrowserApp::completeProbe(TabView& tab, ProbeFindings findings) {
    const bool wasRunning = probe_.running();
    finishProbe(findings);
    if (!wasRunning || !probe_.passed()) return;
    const std::wstring address =
        afterProbeAddress_.empty() ? toWide(PortalPolicy::portalStartUrl()) : std::exchange(afterProbeAddress_, {});
    tab.navigate(address);
    // After a restart the other tabs wait for the proof.
    for (const auto& other : tabs_) {
        if (other.get() != &tab && !other->controller()) other->create(engine_.environment10(), *this);
    }
}

void BrowserApp::onProbeTimeout() {
    if (!probe_.running()) return;
    const auto tab = activeTab();
    if (tab) return completeProbe(*tab, {});
    finishProbe({});
}

void BrowserApp::finishProbe(ProbeFindings findings) {
    const auto verdict = probe_.finish(findings);
    if (!verdict) return;
    if (window_.window != nullptr) KillTimer(window_.window, kProbeTimer);
    showNotice(StatusMessage{verdict->text, verdict->seconds});
    // A failed engine check is the engine failing: it interrupts.
    statusIsUrgent_ = !probe_.passed();
}

// --- Failed engine processes ---

void BrowserApp::showStatus(const StatusMessage& message) {
    setStatus(toWide(message.text), message.seconds);
}

void BrowserApp::showUrgent(const StatusMessage& message) {
    setUrgentStatus(toWide(message.text), message.seconds);
}

void BrowserApp::showNotice(const StatusMessage& message) {
    showStatus(message);
    statusIsNotice_ = true;
}

void BrowserApp::recordFailure(const TabView* tab, const ProcessFailureReport& report) {
    int index = -1;
    for (std::size_t i = 0; tab != nullptr && i < tabs_.size(); ++i) {
        if (tabs_[i].get() == tab) index = static_cast<int>(i);
    }
    failures_.add(DiagnosticsFailure{unixTimeMs(), std::string(failureKindName(report.kind)),
                                     std::string(failureReasonName(report.reason)), report.exitCode, report.description,
                                     index});
}

void BrowserApp::processFailed(TabView& tab, const ProcessFailureReport& report) {
    const FailureKind kind = failureKind(report.kind);
    if (kind == FailureKind::browserExited) {
        // Every view reports the same loss, and so may the environment, before or after
        // them: it is recorded and answered once.
        if (restart_.lost() || restart_.restarting()) return;
        recordFailure(nullptr, report);
        restart_.browserLost();
        return;
    }
    recordFailure(&tab, report);
    const std::int64_t now = unixTimeMs();
    switch (kind) {
        case FailureKind::rendererExited:
            tab.hang.clear();
            if (!tab.automaticReloads.allow(now)) return showUrgent(kPageStoppedAgainStatus);
            showNotice(kPageStoppedStatus);
            statusIsUrgent_ = true;
            tab.navigate(toWide(recoveryAddress(toUtf8(tab.url))));
            return;
        case FailureKind::frameRendererExited:
            return showUrgent(kFrameStoppedStatus);
        case FailureKind::rendererUnresponsive:
            switch (tab.hang.report(now)) {
                case HangWatch::Step::none: return;
                case HangWatch::Step::showStatus:
                    if (window_.window != nullptr) SetTimer(window_.window, kHangTimer, 1000, nullptr);
                    return showUrgent(kPageHangingStatus);
                case HangWatch::Step::ask:
                    // Never a modal dialog inside the engine's event: the question comes next.
                    if (window_.window != nullptr) PostMessageW(window_.window, WM_APP_HANG, tab.id, 0);
                    return;
            }
            return;
        case FailureKind::browserExited:
        case FailureKind::otherProcess:
            return;  // the engine restarts these processes itself
    }
}

void BrowserApp::onBrowserExit(bool failed) {
    if (restart_.restarting()) return restart_.browserGone();
    // A normal exit follows the last view's end; only a failed one is a loss.
    if (!failed || restart_.lost()) return;
    // The views' own reports may come later: the loss is answered now, and once.
    recordFailure(nullptr, ProcessFailureReport{COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED,
                                                COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED, 1, ""});
    restart_.browserLost();
}

void BrowserApp::postRestart() {
    if (window_.window != nullptr) PostMessageW(window_.window, WM_APP_RESTART, 0, 0);
}

void BrowserApp::dropViews() {
    if (probe_.running() && window_.window != nullptr) KillTimer(window_.window, kProbeTimer);
    probe_.forget();
    const auto front = activeTab();
    afterProbeAddress_ = front ? front->url : std::wstring();
    for (const auto& tab : tabs_) {
        // The engine's own default needs no restoring.
        if (tab->zoom != 1.0) tab->zoomToRestore = tab->zoom;
        tab->hang.clear();
        tab->dropView();
    }
}

void BrowserApp::startExitWait(std::uint32_t milliseconds) {
    if (window_.window != nullptr) SetTimer(window_.window, kRestartTimer, milliseconds, nullptr);
}

void BrowserApp::stopExitWait() {
    if (window_.window != nullptr) KillTimer(window_.window, kRestartTimer);
}

void BrowserApp::engineBack() {
    layoutChildren();
    // The switches are proven again in the tab in front; the others get their views once
    // they are.
    auto front = activeTab();
    if (!front && !tabs_.empty()) front = tabs_.front();
    if (front) front->create(engine_.environment10(), *this);
}

void BrowserApp::onHangTimer() {
    const std::int64_t now = unixTimeMs();
    bool anyHang = false;
    for (const auto& tab : tabs_) {
        if (tab->hang.over(now)) {
            tab->hang.clear();
            if (statusText_ == toWide(kPageHangingStatus.text)) setStatus(L"", 0);
        }
        anyHang = anyHang || tab->hang.active();
    }
    if (!anyHang && window_.window != nullptr) KillTimer(window_.window, kHangTimer);
}

void BrowserApp::askAboutHang(std::uint32_t tabId) {
    const auto found = std::find_if(tabs_.begin(), tabs_.end(), [&](const auto& tab) { return tab->id == tabId; });
    if (found == tabs_.end() || !(*found)->hang.asking()) return;
    const std::shared_ptr<TabView> tab = *found;
    // The question closes by itself once the page answers again (the hang timer clears it).
    const int answer = askHangQuestion(window_.window, window_.instance, [tab] { return tab->hang.active(); });
    if (tab->closing() || !tab->hang.active()) return;
    if (answer != kHangReloadButton) return tab->hang.waited(unixTimeMs());
    tab->hang.clear();
    if (statusText_ == toWide(kPageHangingStatus.text)) setStatus(L"", 0);
    tab->replaceView(engine_.environment10(), *this);
}

// --- Tabs ---

void BrowserApp::openTab(const std::wstring& url, PopupRequest popup, bool background) {
    const auto refuse = [&](const wchar_t* text) {
        popup.answer();
        setStatus(text, 7);
    };
    if (!engine_.ready() || restart_.restarting()) return refuse(kEngineNotReadyStatus);
    const bool isPopup = static_cast<bool>(popup);
    if (probe_.running() || (!probe_.passed() && !tabs_.empty()) || tabs_.size() >= kTabLimit ||
        !PortalPolicy::isAllowedNavigation(toUtf8(url), isPopup)) {
        return refuse(kTabRefusedStatus);
    }

    auto tab = std::make_shared<TabView>(nextTabId_++, url, std::move(popup));
    // A page's pop-up opens behind the current tab unless Shift is held right now.
    const bool inFront = !background && (!isPopup || GetKeyState(VK_SHIFT) < 0);
    tabs_.push_back(tab);
    if (inFront) {
        selectTab(static_cast<int>(tabs_.size()) - 1);
    } else {
        layoutChildren();
    }
    tab->create(engine_.environment10(), *this);
}

std::shared_ptr<TabView> BrowserApp::activeTab() const {
    if (activeTab_ < 0 || static_cast<std::size_t>(activeTab_) >= tabs_.size()) return nullptr;
    return tabs_[static_cast<std::size_t>(activeTab_)];
}

void BrowserApp::selectTab(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= tabs_.size()) return;
    activeTab_ = index;
    const auto tab = tabs_[static_cast<std::size_t>(index)];
    HWND window = window_.window;
    if (window != nullptr) SetWindowTextW(window, (tab->title + kWindowTitleSuffix).c_str());
    if (window_.addressField != nullptr) SetWindowTextW(window_.addressField, tab->url.c_str());
    if (window != nullptr) {
        RECT client{};
        GetClientRect(window, &client);
        window_.firstVisibleTab = scrollTabIntoView(index, client.right - client.left, static_cast<int>(tabs_.size()),
                                                    window_.firstVisibleTab, window_.frameScale());
    } else if (index < window_.firstVisibleTab) {
        window_.firstVisibleTab = index;
    }
    layoutChildren();
    tab->focus();
}

void BrowserApp::layoutChildren() {
    HWND window = window_.window;
    if (window == nullptr) return;
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    if (HWND field = window_.addressField) {
        ShowWindow(field, engine_.ready() ? SW_SHOW : SW_HIDE);
        if (engine_.ready()) {
            const Rect place = addressFieldRect(width, window_.frameScale());
            MoveWindow(field, place.left, place.top, place.width(), place.height(), TRUE);
        }
    }
    const Rect view = viewBounds(width, height, window_.frameScale());
    const RECT bounds{view.left, view.top, view.right, view.bottom};
    const bool minimised = IsIconic(window) != FALSE;
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        tabs_[i]->place(bounds, static_cast<int>(i) == activeTab_ && !minimised);
    }
    InvalidateRect(window, nullptr, FALSE);
    frameChanged();
}

void BrowserApp::closeTab(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= tabs_.size()) return;
    const std::shared_ptr<TabView> tab = tabs_[static_cast<std::size_t>(index)];
    if (tab->closing()) return;
    if (tab->unsaved.any() && !confirmClose(toWide(kCloseTabQuestion))) return;
    // The question runs a modal loop in which engine events go on arriving: the tab may
    // have moved, or been closed by its page, in the meantime.
    const auto position = std::find(tabs_.begin(), tabs_.end(), tab);
    if (position == tabs_.end() || tab->closing()) return;
    const int removed = static_cast<int>(position - tabs_.begin());

    closedTabUrls_.remember(toUtf8(tab->url));
    if (probe_.running() && window_.window != nullptr) KillTimer(window_.window, kProbeTimer);
    tab->close();
    tabs_.erase(position);
    workerRequests_.reassign(tabs_);
    if (tabs_.empty()) {
        activeTab_ = -1;
        if (window_.window != nullptr) DestroyWindow(window_.window);
        return;
    }
    selectTab(activeTabAfterClose(activeTab_, removed, static_cast<int>(tabs_.size())));
}

void BrowserApp::closeTab(const TabView& tab) {
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        if (tabs_[i].get() == &tab) return closeTab(static_cast<int>(i));
    }
}

void BrowserApp::closeTabForPage(std::uint32_t tabId) {
    for (const auto& tab : tabs_) {
        if (tab->id == tabId) return closeTab(*tab);
    }
}

void BrowserApp::closeWindow() {
    const bool anyDirty =
        std::any_of(tabs_.begin(), tabs_.end(), [](const auto& tab) { return tab->unsaved.any(); });
    if (anyDirty && !confirmClose(toWide(kCloseWindowQuestion))) return;
    if (window_.window != nullptr) DestroyWindow(window_.window);
}

bool BrowserApp::isActive(const TabView& tab) const {
    const auto active = activeTab();
    return active.get() == &tab;
}

void BrowserApp::repaint() {
    if (window_.window != nullptr) InvalidateRect(window_.window, nullptr, FALSE);
    frameChanged();
}

void BrowserApp::addressChanged(const TabView& tab) {
    if (isActive(tab) && window_.addressField != nullptr) SetWindowTextW(window_.addressField, tab.url.c_str());
}

bool BrowserApp::takePageKey(std::int32_t eventKind, std::int32_t virtualKey, KeyModifiers modifiers, bool repeat) {
    // F6 and F10 leave the page for the frame; the move happens outside the engine's event.
    const bool down = eventKind == kKeyEventKeyDown || eventKind == kKeyEventSystemKeyDown;
    if (down && frameKey(FrameFocus{}, virtualKey, modifiers, frameKeyContext()).handled) {
        if (!repeat && window_.window != nullptr) {
            PostMessageW(window_.window, WM_APP_FRAME_KEY, static_cast<WPARAM>(virtualKey), modifiers.shift ? 1 : 0);
        }
        return true;
    }
    const std::int32_t command = pageKeyCommand(eventKind, virtualKey, modifiers);
    if (command == 0) return false;
    // A held shortcut stays the browser's, but only some commands run again.
    if ((!repeat || commandRepeats(command)) && window_.window != nullptr) {
        PostMessageW(window_.window, WM_APP_COMMAND, static_cast<WPARAM>(command), 0);
    }
    return true;
}

void BrowserApp::setStatus(const std::wstring& text, unsigned seconds) {
    statusText_ = text;
    statusExpiresAt_ = statusExpiry(seconds, unixTimeMs());
    statusIsNotice_ = false;
    statusIsUrgent_ = false;
    repaint();
}

void BrowserApp::setUrgentStatus(const std::wstring& text, unsigned seconds) {
    setStatus(text, seconds);
    statusIsUrgent_ = true;
}

void BrowserApp::showProgress(const std::wstring& text, unsigned seconds) {
    if (progressMayReplace(statusIsNotice_, statusExpiresAt_, unixTimeMs())) setStatus(text, seconds);
}

// --- Commands ---

void BrowserApp::executeCommand(std::int32_t id) {
    const auto active = activeTab();
    const CommandContext context{engine_.ready(), active && active->webview(), probe_.passed()};
    switch (commandGate(id, context)) {
        case CommandGate::Ignore: return;
        case CommandGate::AwaitProbe: return showStatus(kAwaitProbeStatus);
        case CommandGate::Run: break;
    }
    if (isZoomCommand(id)) return zoomActiveTab(id);

    const int count = static_cast<int>(tabs_.size());
    switch (id) {
        case commands::PageInfo: return showPageInfo();
        case commands::ToggleCloseWarning: return toggleCloseWarning();
        case commands::SaveDiagnostics: return saveDiagnostics();
        case commands::NewTab: return openTab(toWide(PortalPolicy::portalStartUrl()), {}, false);
        case commands::CloseTab: return closeTab(activeTab_);
        case commands::NextTab: return selectTab(nextTabIndex(activeTab_, count));
        case commands::PreviousTab: return selectTab(previousTabIndex(activeTab_, count));
        case commands::FocusAddress: return focusAddressField();
        case commands::ReopenClosedTab: return reopenClosedTab();
        case commands::Back: return active->goBack();
        case commands::Forward: return active->goForward();
        case commands::ReloadOrStop: return reloadOrStop();
        case commands::Home: return navigateActiveTab(toWide(PortalPolicy::portalStartUrl()));
        case commands::Downloads: return active->showDownloads();
        case commands::Print: return active->print();
        default: return;
    }
}

void BrowserApp::navigateActiveTab(std::wstring text) {
    const auto tab = activeTab();
    if (!tab || !tab->webview()) return;
    if (!probe_.passed()) {
        showStatus(kTypedBeforeProbeStatus);
        return;
    }
    const std::string address = typedAddress(toUtf8(text));
    if (!PortalPolicy::isAllowedNavigation(address, false)) {
        setStatus(toWide(typedAddressRefusedText()), kRefusalSeconds);
        if (window_.addressField != nullptr) SetWindowTextW(window_.addressField, tab->url.c_str());
        return;
    }
    tab->navigate(toWide(address));
}

void BrowserApp::returnToPage() {
    const auto tab = activeTab();
    if (!tab) return;
    if (window_.addressField != nullptr) SetWindowTextW(window_.addressField, tab->url.c_str());
    tab->focus();
}

void BrowserApp::reloadOrStop() {
    const auto tab = activeTab();
    if (!tab || !tab->webview()) return;
    showStatus(tab->loading ? kLoadingStoppedStatus : kReloadingStatus);
    tab->reloadOrStop();
}

void BrowserApp::zoomActiveTab(std::int32_t command) {
    const auto tab = activeTab();
    if (!tab || !tab->controller()) return;
    const std::optional<double> target = zoomTarget(command, effectiveZoom(tab->reportedZoom()));
    if (!target) return;
    tab->setZoom(*target);
    setStatus(toWide(zoomStatusText(*target)), kZoomStatusSeconds);
}

void BrowserApp::toggleCloseWarning() {
    const CloseWarningState toggled = toggledCloseWarning({warnOnClose_, closeWarningSuppressed_});
    warnOnClose_ = toggled.warnOnClose;
    closeWarningSuppressed_ = toggled.suppressed;
    savePreferences();
    showStatus(closeWarningToggleStatus(toggled));
}

void BrowserApp::reopenClosedTab() {
    const std::optional<std::string> newest = closedTabUrls_.newest();
    if (!newest) return showStatus(kNothingToReopenStatus);
    const std::size_t before = tabs_.size();
    openTab(toWide(*newest), {}, false);
    // A refused reopen keeps the address for the next attempt.
    if (tabs_.size() > before) closedTabUrls_.forgetNewest();
}

void BrowserApp::focusAddressField() {
    if (window_.addressField == nullptr) return;
    SetFocus(window_.addressField);
    SendMessageW(window_.addressField, EM_SETSEL, 0, -1);
}

void BrowserApp::onAddressFocus(bool focused) {
    window_.addressFocused = focused;
    if (focused) {
        window_.focus.zone = FocusZone::AddressField;
    } else if (window_.focus.zone == FocusZone::AddressField) {
        window_.focus.zone = FocusZone::Page;
    }
    repaint();
}

void BrowserApp::showMenu(bool fromKeyboard) {
    if (window_.window == nullptr) return;
    MenuInput input;
    const auto tab = activeTab();
    input.zoom = tab && tab->controller() ? effectiveZoom(tab->reportedZoom()) : 1.0;
    input.warnOnClose = warnOnClose_;
    input.hasClosedTabs = !closedTabUrls_.empty();
    window_.menuOpen = true;
    repaint();
    const int chosen = trackMainMenu(window_.window, window_.frameScale(), input, fromKeyboard);
    window_.menuOpen = false;
    repaint();
    if (chosen != 0) executeCommand(chosen);
}

void BrowserApp::showPageInfo() {
    showPageInfoDialog(window_.window, window_.instance);
}

bool BrowserApp::confirmClose(const std::wstring& question) {
    const CloseWarningState state{warnOnClose_, closeWarningSuppressed_};
    if (!closeWarningNeeded(state)) return true;
    const DialogAnswer answer = showCloseWarning(window_.window, window_.instance, question);
    const CloseWarningOutcome outcome = closeWarningOutcome(state, answer.shown, answer.button, answer.checkBoxTicked);
    warnOnClose_ = outcome.state.warnOnClose;
    closeWarningSuppressed_ = outcome.state.suppressed;
    if (outcome.savePreferences) savePreferences();
    return outcome.close;
}

void BrowserApp::loadPreferences() {
    warnOnClose_ = vesko::loadPreferences().warnOnClose;
}

void BrowserApp::savePreferences() {
    // The new value stays in force for this run whether or not it reached the disk.
    if (!vesko::savePreferences(Preferences{warnOnClose_})) {
        setStatus(toWide(kPreferencesNotSavedText), kPreferencesNotSavedSeconds);
    }
}

// --- Files: downloads and the diagnostics report ---

std::wstring BrowserApp::chooseSavePath(const std::wstring& proposedName, std::string_view filterName,
                                        std::string_view filterPattern) {
    return savePathPrompt_(window_.window, proposedName, saveFilter(filterName, filterPattern));
}

void BrowserApp::onDownloadMessage(LPARAM number) {
    const auto end = downloads_.finish(static_cast<std::uint64_t>(number), [this](const std::wstring& proposed) {
        return chooseSavePath(proposed, kDownloadFilterName, kDownloadFilterPattern);
    });
    if (end == DownloadQueue::End::blockedType) {
        setStatus(toWide(kDownloadTypeBlockedStatus.text), kDownloadTypeBlockedStatus.seconds);
    }
}

DiagnosticsState BrowserApp::diagnosticsState() const {
    DiagnosticsState state;
    state.capturedAt = unixTimeMs();
    state.runtime = toUtf8(engine_.runtimeVersion());
    state.arguments = engineSwitches();
    state.runtimeProbePassed = probe_.passed();
    state.processFailures.assign(failures_.entries().begin(), failures_.entries().end());
    state.assetCount = assetPack_.fileCount;
    state.rules = assetPack_.ruleDocuments.size();
    for (const auto& tab : tabs_) {
        DiagnosticsTab entry;
        entry.profileIndex = tab->profileIndex;
        entry.localAssets = tab->localAssets;
        entry.dirty = tab->unsaved.any();
        entry.loading = tab->loading;
        entry.ajaxBusy = tab->ajaxBusy;
        entry.blockedRequests = tab->blockedRequests;
        state.tabs.push_back(std::move(entry));
    }
    return state;
}

void BrowserApp::saveDiagnostics() {
    const std::wstring path = chooseSavePath(toWide(kDiagnosticsFileName), kDiagnosticsFilterName,
                                             kDiagnosticsFilterPattern);
    if (path.empty()) return;
    const nlohmann::ordered_json report = diagnosticsReport(diagnosticsState());
    const auto tab = activeTab();
    if (tab && tab->webview()) {
        // The completion owns copies of the path and the report, so it stays valid
        // whatever happens to the tab or the window meanwhile.
        auto fuller = std::make_shared<nlohmann::ordered_json>(report);
        const auto completed = makeCallback<ExecuteScriptCompletedCallback>([path, fuller](HRESULT result, LPCWSTR value) {
            if (FAILED(result) || value == nullptr) return S_OK;
            try {
                addPortalDiagnostics(*fuller, toUtf8(value));
                writeFileAtomic(path, diagnosticsText(*fuller));
            } catch (...) {
                // The report written at once stays as it is.
            }
            return S_OK;
        });
        tab->webview()->ExecuteScript(toWide(portalDiagnosticsCollector()).c_str(), completed.Get());
    }
    writeFileAtomic(path, diagnosticsText(report));
    setStatus(toWide(kDiagnosticsSavedText), kDiagnosticsSavedSeconds);
}

// --- The frame ---

FrameSnapshot BrowserApp::frameSnapshot() const {
    FrameSnapshot frame;
    HWND window = window_.window;
    RECT client{};
    if (window != nullptr) GetClientRect(window, &client);
    frame.clientWidth = client.right - client.left;
    frame.clientHeight = client.bottom - client.top;
    frame.dpiScale = window_.frameScale();
    frame.engineReady = engine_.ready();
    frame.maximized = window != nullptr && IsZoomed(window) != FALSE;
    frame.animationsEnabled = window_.animationsEnabled;
    frame.addressFocused = window_.addressFocused;
    frame.tabs.reserve(tabs_.size());
    for (const auto& tab : tabs_) {
        frame.tabs.push_back(PaintTab{toUtf8(tab->title), tab->id, tab->loading, tab->ajaxBusy, tab->unsaved.any(), tab->canGoBack,
                                      tab->canGoForward, tab->zoom});
    }
    frame.activeTab = activeTab_;
    frame.firstVisibleTab = window_.firstVisibleTab;
    frame.hover = window_.hover;
    frame.pressedToolbarButton = window_.pressedToolbarButton;
    frame.newTabHoverLevel = window_.newTabHoverLevel;
    frame.status = StatusLine{toUtf8(statusText_), statusExpiresAt_, statusIsUrgent_};
    frame.palette = window_.palette;
    frame.focus = window_.focus;
    frame.windowFocused = window != nullptr && GetFocus() == window;
    frame.menuOpen = window_.menuOpen;
    if (window != nullptr) {
        wchar_t title[512]{};
        GetWindowTextW(window, title, static_cast<int>(std::size(title)));
        frame.windowTitle = toUtf8(title);
    }
    if (const auto tab = activeTab()) frame.address = toUtf8(tab->url);
    frame.nowMs = unixTimeMs();
    frame.tickMs = GetTickCount64();
    return frame;
}

}  // namespace vesko
