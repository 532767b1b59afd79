#pragma once
// Downloads: the engine's event only classifies and defers; the save dialog runs later
// from the main window's queue (WM_APP_DOWNLOAD), after the engine's callback returned.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/com_callback_win.h"
#include "engine/tab_host_win.h"
#include "engine/tab_view_win.h"

namespace vesko {

// The main window's private message for a download's second step; lParam is its number.
inline constexpr UINT WM_APP_DOWNLOAD = WM_APP + 3;

// Downloads admitted and waiting for their second step. The posted message carries a
// number, not an address: any program on the desktop can post a message to the window,
// and a forged address would be followed blindly. An unknown number is simply not a
// download.
class DownloadQueue {
public:
    DownloadQueue() = default;
    // Every download still waiting is cancelled: its engine objects must not outlive the
    // engine's module.
    ~DownloadQueue() { cancelAll(); }
    DownloadQueue(const DownloadQueue&) = delete;
    DownloadQueue& operator=(const DownloadQueue&) = delete;

    // Keeps the event and its deferral and posts the second step to `window`; without a
    // deferral or a posted message the download is cancelled at once.
    void admit(ICoreWebView2DownloadStartingEventArgs* args, HWND window);
    enum class End { unknown, saved, cancelled, blockedType };
    // The second step of download `number`: `choosePath` gets the proposed file name and
    // answers the chosen path, empty to cancel. A program or script, by the proposed name
    // or by the path the user chose, is cancelled (blockedType). Throws
    // DOWNLOAD_PATH_FAILED (the download is then cancelled).
    End finish(std::uint64_t number, const std::function<std::wstring(const std::wstring&)>& choosePath);
    void cancelAll();
    std::size_t size() const { return pending_.size(); }

private:
    struct Record {
        Microsoft::WRL::ComPtr<ICoreWebView2DownloadStartingEventArgs> args;
        Microsoft::WRL::ComPtr<ICoreWebView2Deferral> deferral;
    };
    static void cancel(Record& record);

    std::map<std::uint64_t, Record> pending_;
    std::uint64_t next_ = 1;
};

Microsoft::WRL::ComPtr<ICoreWebView2DownloadStartingEventHandler> makeDownloadGuard(TabHost& host,
                                                                                   std::weak_ptr<TabView> tab);

}  // namespace vesko
