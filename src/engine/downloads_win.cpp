#include "engine/downloads_win.h"

#include <cstdint>
#include <map>
#include <memory>

#include "base/wide_text_win.h"
#include "engine/download_rules.h"
#include "engine/engine_strings_win.h"
#include "engine/hresult_text.h"
#include "engine/page_events.h"
#include "page/diagnostics_win.h"
#include "policy/download_name.h"
#include "policy/portal_policy.h"

namespace vesko {
namespace {

using Microsoft::WRL::ComPtr;

// One admitted download between its two steps.
struct DownloadRecord {
    ComPtr<ICoreWebView2DownloadStartingEventArgs> args;
    ComPtr<ICoreWebView2Deferral> deferral;
};

// The posted message carries a number, not the record's address: any program on the
// desktop can post a message to the window, and a forged address would be followed
// blindly. An unknown number is simply not a download.
std::map<std::uint64_t, std::unique_ptr<DownloadRecord>>& pendingDownloads() {
    static std::map<std::uint64_t, std::unique_ptr<DownloadRecord>> records;
    return records;
}

std::uint64_t nextDownloadNumber() {
    static std::uint64_t next = 1;
    return next++;
}

void cancel(DownloadRecord& record) {
    record.args->put_Cancel(TRUE);
    if (record.deferral) record.deferral->Complete();
}

}  // namespace

std::size_t pendingDownloadCount() {
    return pendingDownloads().size();
}

void cancelPendingDownloads() {
    // Taken out first: cancelling calls into the engine, which may raise events of its own.
    auto pending = std::move(pendingDownloads());
    pendingDownloads().clear();
    for (auto& [number, record] : pending) cancel(*record);
}

ComPtr<ICoreWebView2DownloadStartingEventHandler> makeDownloadGuard(BrowserApp& app) {
    BrowserApp* const owner = &app;
    return makeCallback<DownloadStartingCallback>(
        [owner](ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* args) {
            // The engine shows nothing of its own while the host decides.
            args->put_Handled(TRUE);
            ComPtr<ICoreWebView2DownloadOperation> operation;
            std::wstring address;
            if (SUCCEEDED(args->get_DownloadOperation(&operation)) && operation) {
                readEngineString([&](LPWSTR* out) { return operation->get_Uri(out); }, address);
            }
            if (!operation || !PortalPolicy::isPortalOrBlobUrl(toUtf8(address))) {
                args->put_Cancel(TRUE);
                owner->setStatus(toWide(kDownloadBlockedStatus.text), kDownloadBlockedStatus.seconds);
                return S_OK;
            }
            // A link to a file first ends its navigation as aborted; the engine reports that
            // as a failed load just before the download. It was none: the text goes.
            if (owner->statusText == toWide(kPageFailedStatus.text)) owner->setStatus(L"", 0);
            auto record = std::make_unique<DownloadRecord>();
            record->args = args;
            const HRESULT deferred = args->GetDeferral(&record->deferral);
            const std::uint64_t number = nextDownloadNumber();
            if (FAILED(deferred) || !record->deferral || owner->window == nullptr ||
                !PostMessageW(owner->window, WM_APP_DOWNLOAD, 0, static_cast<LPARAM>(number))) {
                cancel(*record);
                return S_OK;
            }
            pendingDownloads().emplace(number, std::move(record));
            return S_OK;
        });
}

void BrowserApp::onDownloadMessage(LPARAM message) {
    auto& pending = pendingDownloads();
    const auto found = pending.find(static_cast<std::uint64_t>(message));
    if (found == pending.end()) return;
    const std::unique_ptr<DownloadRecord> record = std::move(found->second);
    pending.erase(found);
    try {
        std::wstring suggested;
        readEngineString([&](LPWSTR* out) { return record->args->get_ResultFilePath(out); }, suggested);
        const std::wstring proposed = toWide(sanitizeDownloadName(toUtf8(suggested)));
        const std::wstring path =
            savePathPrompt(window, proposed, saveFilter(kDownloadFilterName, kDownloadFilterPattern));
        if (path.empty()) {
            record->args->put_Cancel(TRUE);
        } else {
            ThrowIfFailed(record->args->put_ResultFilePath(path.c_str()), "DOWNLOAD_PATH_FAILED");
            // From here on the engine's own download display shows the transfer.
            record->args->put_Handled(FALSE);
        }
        record->deferral->Complete();
    } catch (...) {
        cancel(*record);
        throw;
    }
}

}  // namespace vesko
