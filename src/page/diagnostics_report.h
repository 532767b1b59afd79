#pragma once
// The diagnostics report the user saves when the portal misbehaves: engine state, the
// asset pack's size and per-tab state, and later what the portal's own diagnostic hook
// says from inside the page. It holds no passwords, form contents or page addresses.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace vesko {

inline constexpr std::string_view kDiagnosticsProduct = "vesko-browser";
// The report format's own version, unchanged since the format was fixed.
inline constexpr std::string_view kDiagnosticsVersion = "0.1.12";
inline constexpr std::string_view kDiagnosticsFileName = "Vesko_diagnostika.json";
inline constexpr std::string_view kDiagnosticsFilterName = "Diagnostik\xC3\xAB JSON";
inline constexpr std::string_view kDiagnosticsFilterPattern = "*.json";
inline constexpr std::string_view kDiagnosticsSavedText =
    "Diagnostika u ruajt. Nuk p\xC3\xABrfshin fjal\xC3\xABkalime, formular\xC3\xAB ose adresa t\xC3\xAB "
    "faqeve t\xC3\xAB hapura.";
inline constexpr std::uint32_t kDiagnosticsSavedSeconds = 7;
// The frames of one window that the collector visits.
inline constexpr int kCollectorFramesPerWindow = 30;

struct DiagnosticsTab {
    std::uint32_t profileIndex = 0;
    std::uint64_t localAssets = 0;
    bool dirty = false;
    bool loading = false;
    bool ajaxBusy = false;
    nlohmann::ordered_json blockedRequests = nlohmann::ordered_json::array();
};

// One failed engine process as the report keeps it: no page address, only what kind of
// process, why, and which tab (-1: none, e.g. the browser process).
struct DiagnosticsFailure {
    std::int64_t time = 0;  // Unix milliseconds
    std::string kind;
    std::string reason;
    std::int32_t exitCode = 0;
    std::string process;  // the engine's description of the process, UTF-8
    std::int32_t tab = -1;
};

struct DiagnosticsState {
    std::int64_t capturedAt = 0;  // Unix milliseconds
    std::string runtime;          // the engine runtime's version, UTF-8
    std::string arguments;        // the engine switches
    bool runtimeProbePassed = false;
    std::uint64_t assetCount = 0;
    std::uint64_t rules = 0;
    std::vector<DiagnosticsTab> tabs;
    std::vector<DiagnosticsFailure> processFailures;  // oldest first
};

// The report without "portalDiagnostics", members in their fixed order.
nlohmann::ordered_json diagnosticsReport(const DiagnosticsState& state);

// The file's text: indent 2, non-ASCII as UTF-8, one final line feed.
std::string diagnosticsText(const nlohmann::ordered_json& report);

// Sets "portalDiagnostics" (the last member) from the collector's JSON result text.
// Throws whatever the strict parse throws; the report is unchanged then.
void addPortalDiagnostics(nlohmann::ordered_json& report, std::string_view collectorResult);

// The script run in the active page: an expression whose value is the array of snapshots
// of every window that has the portal's hook, the top one first, frames in index order,
// at most 30 frames of each window, a window that throws abandoned with its frames.
std::string_view portalDiagnosticsCollector();

}  // namespace vesko
