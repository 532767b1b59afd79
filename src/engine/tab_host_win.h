#pragma once
// What a tab's engine handlers may ask of the program around them. They never see the
// application object: only this interface and their own tab view.

#include <windows.h>

#include <cstdint>
#include <string>

#include "assets/runtime_probe.h"
#include "base/user_text.h"
#include "engine/engine_interface_win.h"

namespace vesko {

struct AssetPack;
class DownloadQueue;
class RuntimeProbe;
class TabView;
class WorkerRequestDesk;

// Posted to the host's window when a page asks to close its own tab (wParam: the tab's
// id): the close warning is a modal dialog, never run inside the engine's event.
inline constexpr UINT WM_APP_CLOSE_TAB = WM_APP + 8;

// A page's request for a new window, waiting for the tab that is to serve it.
struct PopupRequest {
    Microsoft::WRL::ComPtr<ICoreWebView2NewWindowRequestedEventArgs> args;
    Microsoft::WRL::ComPtr<ICoreWebView2Deferral> deferral;

    explicit operator bool() const { return args != nullptr; }
    // Handled (so the engine opens no window of its own) and its deferral completed; the
    // request is let go, so it is answered exactly once.
    void answer() {
        if (args) args->put_Handled(TRUE);
        if (deferral) deferral->Complete();
        args.Reset();
        deferral.Reset();
    }
};

// A view's report of a failed engine process, as the engine's enumerations number it.
struct ProcessFailureReport {
    std::int32_t kind = 9;  // COREWEBVIEW2_PROCESS_FAILED_KIND
    std::int32_t reason = 0;  // COREWEBVIEW2_PROCESS_FAILED_REASON
    std::int32_t exitCode = 0;
    std::string description;  // UTF-8
};

class TabHost {
public:
    // The status line's text; 0 seconds keeps it until the next text.
    virtual void setStatus(const std::wstring& text, unsigned seconds) = 0;
    virtual const std::wstring& statusText() const = 0;
    // The page's progress: like setStatus, but a timed notice still showing stays.
    virtual void showProgress(const std::wstring& text, unsigned seconds) = 0;
    // Requests a new tab; a refused request answers the pop-up request it carries.
    virtual void openTab(const std::wstring& url, PopupRequest popup, bool background) = 0;
    // Closes the tab, after the close warning where one is due: never from inside an
    // engine event (a page's own request comes through WM_APP_CLOSE_TAB).
    virtual void closeTab(const TabView& tab) = 0;
    virtual bool isActive(const TabView& tab) const = 0;
    // Something the window shows of a tab changed (title, state, zoom).
    virtual void repaint() = 0;
    // The tab's address changed: the address field follows when the tab is in front.
    virtual void addressChanged(const TabView& tab) = 0;
    // A key pressed inside a page (`repeat`: an auto-repeat of a held key); true when it is
    // one of the browser's shortcuts, which then runs once the engine's event has returned.
    virtual bool takePageKey(std::int32_t eventKind, std::int32_t virtualKey, KeyModifiers modifiers,
                             bool repeat) = 0;
    // The keyboard is leaving `tab`'s page: Tab past its last focusable element (forward)
    // or Shift+Tab before its first. The host takes the focus into its own frame, or
    // leaves it where it is for the engine to move.
    virtual void pageFocusLeaving(TabView& tab, bool forward) = 0;
    // A view appeared or went: every view's place and visibility again.
    virtual void layoutViews() = 0;
    // The tab's view and its filter are in place and its first address is due.
    virtual void viewReady(TabView& tab) = 0;
    // An engine process behind `tab`'s view failed.
    virtual void processFailed(TabView& tab, const ProcessFailureReport& report) = 0;
    // The probe page's findings, carried by a web message of `tab` (its `dns` is the
    // program's own observation, added by the probe).
    virtual void completeProbe(TabView& tab, ProbeFindings findings) = 0;

    virtual const RuntimeProbe& probe() const = 0;
    virtual const AssetPack& assetPack() const = 0;
    virtual DownloadQueue& downloads() = 0;
    // Which tab takes the requests of service and shared workers.
    virtual WorkerRequestDesk& workerRequests() = 0;
    // The main window: parent of every view and receiver of posted steps.
    virtual HWND window() const = 0;

protected:
    ~TabHost() = default;
};

}  // namespace vesko
