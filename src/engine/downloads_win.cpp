#include "engine/downloads_win.h"

#include <utility>

#include "base/wide_text_win.h"
#include "engine/download_rules.h"
#include "engine/engine_strings_win.h"
#include "engine/hresult_text.h"
#include "engine/page_events.h"
#include "policy/download_name.h"
#include "policy/download_type.h"
#include "policy/portal_policy.h"

namespace vesko {

using Microsoft::WRL::ComPtr;

void DownloadQueue::cancel(Record& record) {
    record.args->put_Cancel(TRUE);
    if (record.deferral) record.deferral->Complete();
}

void DownloadQueue::admit(ICoreWebView2DownloadStartingEventArgs* args, HWND window) {
    Record record{args, nullptr};
    const HRESULT deferred = args->GetDeferral(&record.deferral);
    const std::uint64_t number = next_++;
    if (FAILED(deferred) || !record.deferral || window == nullptr ||
        !PostMessageW(window, WM_APP_DOWNLOAD, 0, static_cast<LPARAM>(number))) {
        cancel(record);
        return;
    }
    pending_.emplace(number, std::move(record));
}

DownloadQueue::End DownloadQueue::finish(std::uint64_t number,
                                         const std::function<std::wstring(const std::wstring&)>& choosePath) {
    const auto found = pending_.find(number);
    if (found == pending_.end()) return End::unknown;
    Record record = std::move(found->second);
    pending_.erase(found);
    try {
        std::wstring suggested;
        readEngineString([&](LPWSTR* out) { return record.args->get_ResultFilePath(out); }, suggested);
        const std::string name = sanitizeDownloadName(toUtf8(suggested));
        // The engine's download list offers to open what it saved: a program or script is
        // not saved at all, whether the page named it so or the user typed the name.
        if (isBlockedDownloadType(name)) {
            cancel(record);
            return End::blockedType;
        }
        const std::wstring path = choosePath(toWide(name));
        if (!path.empty() && isBlockedDownloadType(toUtf8(path))) {
            cancel(record);
            return End::blockedType;
        }
        End end = End::cancelled;
        if (path.empty()) {
            record.args->put_Cancel(TRUE);
        } else {
            ThrowIfFailed(record.args->put_ResultFilePath(path.c_str()), "DOWNLOAD_PATH_FAILED");
            // From here on the engine's own download display shows the transfer.
            record.args->put_Handled(FALSE);
            end = End::saved;
        }
        record.deferral->Complete();
        return end;
    } catch (...) {
        cancel(record);
        throw;
    }
}

void DownloadQueue::cancelAll() {
    // Taken out first: cancelling calls into the engine, which may raise events of its own.
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& [number, record] : pending) cancel(record);
}

ComPtr<ICoreWebView2DownloadStartingEventHandler> makeDownloadGuard(TabHost& host, std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<DownloadStartingCallback>(
        [owner, weak](ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* args) {
            // The engine shows nothing of its own while the host decides.
            args->put_Handled(TRUE);
            if (!liveTab(weak)) {
                args->put_Cancel(TRUE);
                return S_OK;
            }
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
            if (owner->statusText() == toWide(kPageFailedStatus.text)) owner->setStatus(L"", 0);
            owner->downloads().admit(args, owner->window());
            return S_OK;
        });
}

}  // namespace vesko
