#include "ui/status_line.h"

namespace vesko {

std::int64_t statusExpiry(std::uint32_t seconds, std::int64_t nowMs) {
    return seconds == 0 ? 0 : nowMs + static_cast<std::int64_t>(seconds) * 1000;
}

bool statusTextShown(bool hasText, std::int64_t expiresAt, std::int64_t nowMs) {
    return hasText && (expiresAt == 0 || expiresAt > nowMs);
}

std::string_view defaultStatusText(bool engineReady, bool activeTabBusy) {
    if (!engineReady) return {};
    return activeTabBusy ? kStatusBusy : kStatusReady;
}

std::string_view statusLineText(const StatusLine& status, std::int64_t nowMs, bool engineReady,
                                bool activeTabBusy) {
    if (statusTextShown(!status.text.empty(), status.expiresAt, nowMs)) return status.text;
    return defaultStatusText(engineReady, activeTabBusy);
}

bool progressMayReplace(bool currentIsNotice, std::int64_t expiresAt, std::int64_t nowMs) {
    return !currentIsNotice || expiresAt == 0 || expiresAt <= nowMs;
}

}  // namespace vesko
