#pragma once
// What the browser makes of the engine's reports of failed processes: which failures it
// recovers from and how often, when it asks about a hung page, and the record the
// diagnostics report keeps. Pure decisions; the shell applies them.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "base/user_text.h"
#include "page/diagnostics_report.h"

namespace vesko {

// The engine's failure kinds as the browser treats them.
enum class FailureKind {
    browserExited,         // every view is gone; a new environment is needed
    rendererExited,        // the tab's page is gone; it reloads
    rendererUnresponsive,  // the tab's page is stuck; reported again while it lasts
    frameRendererExited,   // some frames of the page are gone
    otherProcess,          // the engine restarts it itself
};

FailureKind failureKind(std::int32_t engineKind);
// The report's names of the engine's kinds and reasons ("render-process-exited",
// "crashed"); "unknown" for a value the engine has not documented.
std::string_view failureKindName(std::int32_t engineKind);
std::string_view failureReasonName(std::int32_t engineReason);

inline constexpr StatusMessage kPageStoppedStatus{
    "Faqja ndaloi papritur. Po ngarkohet p\xC3\xABrs\xC3\xABri\xE2\x80\xA6", 7};
inline constexpr StatusMessage kPageStoppedAgainStatus{
    "Faqja ndaloi disa her\xC3\xAB radhazi. Rifreskoje vet\xC3\xAB kur t\xC3\xAB jesh gati.", 0};
inline constexpr StatusMessage kFrameStoppedStatus{"Nj\xC3\xAB pjes\xC3\xAB e faqes ndaloi papritur.", 7};
inline constexpr StatusMessage kPageHangingStatus{
    "Faqja nuk po p\xC3\xABrgjigjet. Po pritet\xE2\x80\xA6", 0};
inline constexpr StatusMessage kEngineRestartingStatus{"Motori WebView2 ndaloi. Po riniset\xE2\x80\xA6", 0};
inline constexpr StatusMessage kEngineStoppedStatus{
    "Motori WebView2 ndaloi. Mbylle programin dhe hape p\xC3\xABrs\xC3\xABri.", 0};
inline constexpr StatusMessage kEngineRestartFailedStatus{
    "Motori WebView2 nuk u rinis. Mbylle programin dhe hape p\xC3\xABrs\xC3\xABri.", 0};
inline constexpr StatusMessage kEngineLostStatus{
    "Motori WebView2 ndaloi disa her\xC3\xAB. Mbylle programin dhe hape p\xC3\xABrs\xC3\xABri.", 0};

// The hung-page question, a task dialog like the close warning.
inline constexpr std::string_view kHangInstruction = "Faqja nuk po p\xC3\xABrgjigjet";
inline constexpr std::string_view kHangContent =
    "Faqja n\xC3\xAB k\xC3\xABt\xC3\xAB sked\xC3\xAB \xC3\xABsht\xC3\xAB bllokuar. Mund t\xC3\xAB "
    "pres\xC3\xABsh ose ta ngarkosh p\xC3\xABrs\xC3\xABri; t\xC3\xAB dh\xC3\xABnat e paruajtura n\xC3\xAB "
    "t\xC3\xAB mund t\xC3\xAB humbasin.";
inline constexpr std::string_view kHangWait = "Prit";
inline constexpr std::string_view kHangReload = "Ngarko p\xC3\xABrs\xC3\xABri";
inline constexpr int kHangWaitButton = 1101;
inline constexpr int kHangReloadButton = 1102;

inline constexpr std::size_t kAutomaticReloads = 3;
inline constexpr std::int64_t kAutomaticReloadWindowMs = 5 * 60 * 1000;
inline constexpr std::size_t kEngineRestarts = 3;
inline constexpr std::int64_t kEngineRestartWindowMs = 10 * 60 * 1000;
// The longest wait for a lost browser process to be reported gone before a new one starts.
inline constexpr std::uint32_t kBrowserExitWaitMs = 10000;
inline constexpr std::int64_t kHangAskAfterMs = 15000;
inline constexpr std::int64_t kHangAskAgainAfterMs = 30000;
// The engine repeats its report every few seconds while a page hangs: this long without
// one, the page answers again.
inline constexpr std::int64_t kHangOverAfterMs = 12000;
inline constexpr std::size_t kFailureLogLimit = 32;

// At most `limit` events within any `windowMs`.
class RateLimit {
public:
    RateLimit(std::size_t limit, std::int64_t windowMs) : limit_(limit), windowMs_(windowMs) {}
    // True, and the event counted, while fewer than `limit` counted events lie within the
    // window that ends at `nowMs`.
    bool allow(std::int64_t nowMs);

private:
    std::size_t limit_;
    std::int64_t windowMs_;
    std::deque<std::int64_t> times_;
};

// The address a tab goes back to after its page stopped: the one it showed while a tab may
// still show it, else the portal's start page.
std::string recoveryAddress(std::string_view shown);

// One tab's hang: from the first report until the reports stop or the page is reloaded.
class HangWatch {
public:
    enum class Step { none, showStatus, ask };
    // An unresponsive report at `nowMs`: the first one shows the status text; once the
    // hang has lasted 15 seconds (or 30 after the user chose to wait) the user is asked,
    // once until answered.
    Step report(std::int64_t nowMs);
    // The user chose to wait: asked again only if the hang goes on for 30 more seconds.
    void waited(std::int64_t nowMs);
    // The user chose to reload, or the page answers again.
    void clear() { *this = HangWatch{}; }
    bool active() const { return active_; }
    bool asking() const { return asking_; }
    // No report for 12 seconds: the page answers again.
    bool over(std::int64_t nowMs) const { return active() && nowMs - lastReportMs_ >= kHangOverAfterMs; }

private:
    bool active_ = false;
    std::int64_t lastReportMs_ = 0;
    std::int64_t askAtMs_ = 0;
    bool asking_ = false;
};

// The newest 32 failures, oldest first.
class FailureLog {
public:
    void add(DiagnosticsFailure failure);
    const std::deque<DiagnosticsFailure>& entries() const { return entries_; }

private:
    std::deque<DiagnosticsFailure> entries_;
};

}  // namespace vesko
