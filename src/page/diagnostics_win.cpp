#include "page/diagnostics_win.h"

#include <commdlg.h>

#include <memory>
#include <vector>

#include "app/files.h"
#include "base/wide_text_win.h"
#include "engine/com_callback_win.h"
#include "engine/engine_settings.h"
#include "page/diagnostics_report.h"
#include "ui/browser_app.h"

namespace vesko {
namespace {

constexpr std::size_t kPathBufferLength = 32768;
constexpr std::size_t kMaxProposedNameLength = 250;

DiagnosticsState currentState(const BrowserApp& app) {
    DiagnosticsState state;
    state.capturedAt = unixTimeMs();
    state.runtime = toUtf8(app.runtimeVersion);
    state.arguments = std::string(kAdditionalBrowserArguments);
    state.runtimeProbePassed = app.probePassed;
    state.assetCount = app.assetPack.fileCount;
    state.rules = app.assetPack.ruleDocuments.size();
    for (const auto& tab : app.tabs) {
        DiagnosticsTab entry;
        entry.profileIndex = tab->profileIndex;
        entry.localAssets = tab->localAssets;
        entry.dirty = tab->dirty;
        entry.loading = tab->loading;
        entry.ajaxBusy = tab->ajaxBusy;
        entry.blockedRequests = tab->blockedRequests;
        state.tabs.push_back(std::move(entry));
    }
    return state;
}

}  // namespace

std::wstring saveFilter(std::string_view displayName, std::string_view pattern) {
    std::wstring filter = toWide(displayName);
    filter.push_back(L'\0');
    filter += toWide(pattern);
    filter.push_back(L'\0');
    return filter;  // c_str() adds the list's closing NUL
}

std::wstring promptSavePath(HWND owner, const std::wstring& defaultName, const std::wstring& filter) {
    std::vector<wchar_t> buffer(kPathBufferLength, L'\0');
    const std::wstring proposed = defaultName.substr(0, kMaxProposedNameLength);
    std::copy(proposed.begin(), proposed.end(), buffer.begin());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog)) return {};
    return std::wstring(buffer.data());
}

void BrowserApp::saveDiagnostics() {
    const std::wstring path = savePathPrompt(window, toWide(kDiagnosticsFileName),
                                             saveFilter(kDiagnosticsFilterName, kDiagnosticsFilterPattern));
    if (path.empty()) return;
    const nlohmann::ordered_json report = diagnosticsReport(currentState(*this));

    if (activeTab >= 0 && static_cast<std::size_t>(activeTab) < tabs.size()) {
        const auto& tab = tabs[static_cast<std::size_t>(activeTab)];
        if (tab->webview) {
            // The completion owns copies of the path and the report, so it stays valid
            // whatever happens to the tab or the window meanwhile.
            auto fuller = std::make_shared<nlohmann::ordered_json>(report);
            const auto completed = makeCallback<ExecuteScriptCompletedCallback>(
                [path, fuller](HRESULT result, LPCWSTR value) {
                    if (FAILED(result) || value == nullptr) return S_OK;
                    try {
                        addPortalDiagnostics(*fuller, toUtf8(value));
                        writeFileAtomic(path, diagnosticsText(*fuller));
                    } catch (...) {
                        // The report written at once stays as it is.
                    }
                    return S_OK;
                });
            tab->webview->ExecuteScript(toWide(portalDiagnosticsCollector()).c_str(), completed.Get());
        }
    }
    writeFileAtomic(path, diagnosticsText(report));
    setStatus(toWide(kDiagnosticsSavedText), kDiagnosticsSavedSeconds);
}

}  // namespace vesko
