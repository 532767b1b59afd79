#include "engine/process_failures_win.h"

#include "base/wide_text_win.h"
#include "engine/engine_strings_win.h"

namespace vesko {

using Microsoft::WRL::ComPtr;

Microsoft::WRL::ComPtr<ICoreWebView2ProcessFailedEventHandler> makeProcessFailedHandler(TabHost& host,
                                                                                       std::weak_ptr<TabView> weak) {
    TabHost* const owner = &host;
    return makeCallback<ProcessFailedCallback>([owner, weak](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
        const auto tab = liveTab(weak);
        if (!tab || args == nullptr) return S_OK;
        ProcessFailureReport report;
        COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
        if (SUCCEEDED(args->get_ProcessFailedKind(&kind))) report.kind = kind;
        // The details come with a newer runtime only; without them the kind alone is known.
        ComPtr<ICoreWebView2ProcessFailedEventArgs2> details;
        if (SUCCEEDED(queryEngineInterface(args, details)) && details) {
            COREWEBVIEW2_PROCESS_FAILED_REASON reason = COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED;
            if (SUCCEEDED(details->get_Reason(&reason))) report.reason = reason;
            int exitCode = 0;
            if (SUCCEEDED(details->get_ExitCode(&exitCode))) report.exitCode = exitCode;
            std::wstring description;
            readEngineString([&](LPWSTR* out) { return details->get_ProcessDescription(out); }, description);
            report.description = toUtf8(description);
        }
        owner->processFailed(*tab, report);
        return S_OK;
    });
}

}  // namespace vesko
