// The module's settings: the failure knobs, the backend, the site folder and the host
// mappings every later call uses.
#include <cstdint>

#include "standin.h"

namespace vesko::standin {
namespace {

Settings& settingsStore() {
    static Settings settings;
    return settings;
}

std::optional<HRESULT> parseResult(std::wstring_view text) {
    if (!text.starts_with(L"0x") || text.size() < 3 || text.size() > 10) return std::nullopt;
    std::uint32_t value = 0;
    for (const wchar_t c : text.substr(2)) {
        int digit = -1;
        if (c >= L'0' && c <= L'9') digit = c - L'0';
        if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
        if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<HRESULT>(value);
}

std::optional<int> parseNumber(std::wstring_view text, int low, int high) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    int value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Knobs> parseKnobs(std::wstring_view text) {
    Knobs knobs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L',', start);
        if (end == std::wstring_view::npos) end = text.size();
        std::wstring_view item = text.substr(start, end - start);
        start = end + 1;
        while (!item.empty() && item.front() == L' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == L' ') item.remove_suffix(1);
        if (item.empty()) continue;
        const std::size_t equals = item.find(L'=');
        const std::wstring_view name = item.substr(0, equals);
        const std::wstring_view value = equals == std::wstring_view::npos ? std::wstring_view() : item.substr(equals + 1);
        const bool hasValue = equals != std::wstring_view::npos;
        const auto result = parseResult(value);
        const auto setResult = [&](HRESULT& field) {
            if (!result || SUCCEEDED(*result)) return false;
            field = *result;
            return true;
        };
        bool ok = false;
        if (name == L"no-runtime") ok = !hasValue && (knobs.runtimeMissing = true);
        else if (name == L"no-version-text") ok = !hasValue && (knobs.versionWithoutText = true);
        else if (name == L"no-environment") ok = !hasValue && (knobs.completionWithoutEnvironment = true);
        else if (name == L"hold-creation") ok = !hasValue && (knobs.holdCreation = true);
        else if (name == L"old-completion-first") ok = !hasValue && (knobs.oldCompletionFirst = true);
        else if (name == L"title-after-completion") ok = !hasValue && (knobs.titleAfterCompletion = true);
        else if (name == L"exit-before-failure") ok = !hasValue && (knobs.exitBeforeFailure = true);
        else if (name == L"raise-popup-document") ok = !hasValue && (knobs.popupDocumentRaised = true);
        else if (name == L"version") ok = !value.empty() && (knobs.version = value, true);
        else if (name == L"drop-switch") ok = value.starts_with(L"--") && (knobs.droppedSwitch = value, true);
        else if (name == L"refuse-creation") ok = setResult(knobs.creationRefused);
        else if (name == L"fail-creation") ok = setResult(knobs.creationFailed);
        else if (name == L"refuse-controller") ok = setResult(knobs.controllerRefused);
        else if (name == L"fail-controller") ok = setResult(knobs.controllerFailed);
        else if (name == L"refuse-zoom") ok = setResult(knobs.zoomRefused);
        else if (name == L"fail-script") ok = setResult(knobs.scriptFailed);
        else if (name == L"refuse-filter") ok = setResult(knobs.filterRefused);
        else if (name == L"refuse-download-path") ok = setResult(knobs.downloadPathRefused);
        else if (name == L"fail-recreation") ok = setResult(knobs.recreationFailed);
        else if (name == L"unresponsive-interval") {
            const auto n = parseNumber(value, 10, 600000);
            ok = n && (knobs.unresponsiveIntervalMs = *n, true);
        }
        else if (name == L"cancel-status") {
            const auto n = parseNumber(value, 0, 18);
            ok = n && (knobs.cancelStatus = static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(*n), true);
        }
        else if (name == L"environment-version") {
            const auto n = parseNumber(value, 1, 10);
            ok = n && (knobs.environmentVersion = *n, true);
        } else if (name == L"webview-version") {
            const auto n = parseNumber(value, 1, 22);
            ok = n && (knobs.webviewVersion = *n, true);
        } else if (name == L"settings-version") {
            const auto n = parseNumber(value, 1, 7);
            ok = n && (knobs.settingsVersion = *n, true);
        }
        if (!ok) return std::nullopt;
    }
    return knobs;
}

int& environmentCreations() {
    static int count = 0;
    return count;
}

void configure(const Settings& settings) {
    // The recreation knob counts creations from the moment it takes effect; the DLL
    // configures again at every loader call with the same knobs.
    if (settings.knobs.recreationFailed != settingsStore().knobs.recreationFailed) environmentCreations() = 0;
    settingsStore() = settings;
}

Settings currentSettings() {
    return settingsStore();
}

std::optional<BackendKind> parseBackendKind(std::wstring_view text) {
    if (text.empty() || text == L"site") return BackendKind::siteFolder;
    if (text == L"chromium") return BackendKind::chromium;
    return std::nullopt;
}

}  // namespace vesko::standin
