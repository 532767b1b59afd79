#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assets/asset_pack.h"
#include "base/gdiplus_win.h"
#include "engine/downloads_win.h"
#include "engine/engine_restart_win.h"
#include "engine/engine_runtime_win.h"
#include "engine/process_recovery.h"
#include "engine/runtime_probe_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"
#include "engine/worker_requests_win.h"
#include "page/diagnostics_report.h"
#include "ui/closed_tab_memory.h"
#include "ui/frame_keys.h"
#include "ui/frame_accessibility_win.h"
#include "ui/frame_paint.h"
#include "ui/window_state_win.h"

namespace vesko {

class BrowserAppTestAccess;

// The application object: owns the main window's state, the engine, the asset pack, the
// runtime probe, the downloads waiting for their dialog and the tabs. It lives on the
// entry's stack for the whole run and is used only on the UI thread. Tab views reach it
// only as their TabHost.
class BrowserApp final : public TabHost, private EngineRestartHost {
public:
    static constexpr std::size_t kTabLimit = 80;

    explicit BrowserApp(HINSTANCE instance);
    // Cancels waiting downloads, closes every view, releases the engine, then the fonts
    // and graphics (the members' order).
    ~BrowserApp() = default;
    BrowserApp(const BrowserApp&) = delete;
    BrowserApp& operator=(const BrowserApp&) = delete;

    // The browser's life: graphics, preferences, the window, the engine start, then the
    // message loop. Returns the WM_QUIT code, 1 when the window cannot be created; throws
    // GRAPHICS_INIT_FAILED.
    int run(int showCommand);
    // Steps of run, also used on their own by window tests.
    void startGraphics();
    bool createWindow();
    int runMessageLoop();
    // The loop's look at a key before it is dispatched, to whichever window of the thread:
    // Ctrl+1 to Ctrl+9 and the shortcut table, once the engine is ready. True when the key
    // was taken.
    bool preDispatchKey(const MSG& message);
    // The frame's own keys while the window or the address field has the focus: F6, Tab,
    // the arrows and the rest of frameKey's keys, and Alt pressed and released alone.
    bool takeFrameKey(const MSG& message);
    // WM_APP_FRAME_KEY: F6 or F10 pressed inside the page.
    void onPageFrameKey(std::int32_t virtualKey, bool shift);
    // Puts the keyboard at `focus`; a page entry says where in the page it lands.
    void moveFrameFocus(FrameFocus focus, PageEntry entry);

    // Loads the asset pack and starts the engine (see EngineRuntime::start); the first tab
    // is requested once the environment exists. Throws an error code.
    void startEngine();

    // Requests a tab for `url`. Refused (status text, nothing created, a pop-up request
    // answered) before the engine is ready, while the runtime probe runs, after the first
    // tab until the probe passed, at the tab limit, and for addresses a tab may not show.
    void openTab(const std::wstring& url, PopupRequest popup, bool background) override;
    void selectTab(int index);
    // Asks first when the tab holds unsaved input; remembers a portal address for
    // reopening; the last tab takes the window with it.
    void closeTab(int index);
    void executeCommand(std::int32_t id);
    void navigateActiveTab(std::wstring text);
    // Escape in the address field: the tab's address back, the focus to its page.
    void returnToPage();
    // From the keyboard the menu opens with its first item selected.
    void showMenu(bool fromKeyboard = false);
    void showPageInfo();
    // The close warning; true to go on closing.
    bool confirmClose(const std::wstring& question);
    // The window's close box: one question at most, however many tabs hold input.
    void closeWindow();
    void layoutChildren();
    // Runs `action`; an escaping error ends on the status line for 20 seconds instead.
    void runGuarded(const std::function<void()>& action) noexcept;
    // Timer 2 ran out while the probe was running: the verdict without answers.
    void onProbeTimeout();
    // WM_APP_DOWNLOAD: the posted second step of a download.
    void onDownloadMessage(LPARAM number);
    void onAddressFocus(bool focused);
    // Timer 4: hung pages whose reports stopped answer again.
    void onHangTimer();
    // WM_APP_HANG: asks whether to wait for the hung page of tab `tabId` or reload it.
    void askAboutHang(std::uint32_t tabId);
    // WM_APP_CLOSE_TAB: the page of tab `tabId` asked to close it.
    void closeTabForPage(std::uint32_t tabId);
    // WM_APP_RESTART: every view let go, then a wait for the lost browser process to be
    // reported gone (timer 5 ends it after 10 seconds), then a new environment.
    void restartEngine() { restart_.restart(); }
    void onBrowserProcessGone() { restart_.browserGone(); }

    // What the frame shows right now, for painting, hit-testing and assistive technology.
    FrameSnapshot frameSnapshot() const;
    // The frame may look different: assistive technology hears of it once the changes
    // that come together are done (one posted WM_APP_FRAME_CHANGED).
    void frameChanged();
    // WM_APP_FRAME_CHANGED: tells assistive technology what changed.
    void onFrameChanged();
    // WM_GETOBJECT: the UI Automation root or the MSAA client object.
    LRESULT onGetObject(WPARAM wParam, LPARAM lParam);
    // WM_APP_FRAME_ACTION: what a client asked of a part of the frame (see FrameRequest).
    void onFrameAction(WPARAM request, LPARAM key);
    // WM_DESTROY: clients still holding the frame's objects find them gone.
    void releaseAccessibility();
    const std::vector<std::shared_ptr<TabView>>& tabs() const { return tabs_; }
    int activeIndex() const { return activeTab_; }
    // The tab in front, or null.
    std::shared_ptr<TabView> activeTab() const;
    bool engineReady() const { return engine_.ready(); }
    bool probePassed() const { return probe_.passed(); }
    bool warnOnClose() const { return warnOnClose_; }

    // The tab views' host.
    void setStatus(const std::wstring& text, unsigned seconds) override;
    // An error or an engine failure: announced at once, interrupting.
    void setUrgentStatus(const std::wstring& text, unsigned seconds);
    const std::wstring& statusText() const override { return statusText_; }
    void showProgress(const std::wstring& text, unsigned seconds) override;
    void closeTab(const TabView& tab) override;
    bool isActive(const TabView& tab) const override;
    void repaint() override;
    void addressChanged(const TabView& tab) override;
    bool takePageKey(std::int32_t eventKind, std::int32_t virtualKey, KeyModifiers modifiers, bool repeat) override;
    void pageFocusLeaving(TabView& tab, bool forward) override;
    void layoutViews() override { layoutChildren(); }
    void viewReady(TabView& tab) override;
    void completeProbe(TabView& tab, ProbeFindings findings) override;
    void processFailed(TabView& tab, const ProcessFailureReport& report) override;
    const RuntimeProbe& probe() const override { return probe_; }
    const AssetPack& assetPack() const override { return assetPack_; }
    DownloadQueue& downloads() override { return downloads_; }
    WorkerRequestDesk& workerRequests() override { return workerRequests_; }
    HWND window() const override { return window_.window; }

private:
    friend class BrowserAppTestAccess;

    static LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HRESULT onEnvironmentCreated(HRESULT result, ICoreWebView2Environment* environment);
    // The environment reported its browser gone.
    void onBrowserExit(bool failed);
    // The engine restart's host.
    void showRestartStatus(const StatusMessage& message) override { showUrgent(message); }
    void postRestart() override;
    void dropViews() override;
    void startExitWait(std::uint32_t milliseconds) override;
    void stopExitWait() override;
    void engineBack() override;
    void engineGone() override { layoutChildren(); }
    void finishProbe(ProbeFindings findings);
    FrameKeyContext frameKeyContext() const;
    void applyFrameKey(const FrameKeyOutcome& outcome);
    void recordFailure(const TabView* tab, const ProcessFailureReport& report);
    void showStatus(const StatusMessage& message);
    void showNotice(const StatusMessage& message);
    void showUrgent(const StatusMessage& message);
    void zoomActiveTab(std::int32_t command);
    void reloadOrStop();
    void toggleCloseWarning();
    void reopenClosedTab();
    void focusAddressField();
    void saveDiagnostics();
    DiagnosticsState diagnosticsState() const;
    void loadPreferences();
    void savePreferences();
    // The save dialog; the chosen path or empty.
    std::wstring chooseSavePath(const std::wstring& proposedName, std::string_view filterName,
                                std::string_view filterPattern);

    WindowState window_;
    FrameAccessibility accessibility_;
    bool frameChangePending_ = false;
    std::optional<GdiplusSession> graphics_;
    bool warnOnClose_ = true;
    bool closeWarningSuppressed_ = false;
    std::wstring statusText_;
    std::int64_t statusExpiresAt_ = 0;
    // The stored text is a notice that the page's progress must not hide.
    bool statusIsNotice_ = false;
    bool statusIsUrgent_ = false;
    // Alt went down and nothing else was pressed since: its release opens the menu.
    bool altAlone_ = false;
    std::int32_t activeTab_ = -1;
    std::uint32_t nextTabId_ = 1;
    ClosedTabMemory closedTabUrls_;
    FailureLog failures_;
    // Where the tab that proves the switches goes once they are proven: the portal's start
    // page, or after a restart the address that tab showed.
    std::wstring afterProbeAddress_;
    AssetPack assetPack_;
    RuntimeProbe probe_;
    // Destroyed in reverse: downloads waiting for their dialog are cancelled first, then
    // every view is closed, and only then the environment and the loader module go, whose
    // code all of them run on.
    EngineRuntime engine_;
    // Brings the engine back after its browser process was lost.
    EngineRestart restart_{engine_, *this};
    std::vector<std::shared_ptr<TabView>> tabs_;
    WorkerRequestDesk workerRequests_;
    DownloadQueue downloads_;
    // The save dialog of the report and of downloads: owner, proposed name, filter.
    std::function<std::wstring(HWND, const std::wstring&, const std::wstring&)> savePathPrompt_;
};

}  // namespace vesko
