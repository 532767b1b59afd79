#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/user_text.h"

namespace vesko {

// The last text given to the status line, UTF-8, and the time (Unix milliseconds) after
// which it is no longer shown; 0 keeps it until replaced. An expired text stays stored,
// it is only no longer shown.
struct StatusLine {
    std::string text;
    std::int64_t expiresAt = 0;
    // An error or an engine failure: a screen reader announces it at once, interrupting.
    bool urgent = false;
};

inline constexpr std::string_view kStatusReady = "Gati";
inline constexpr std::string_view kStatusBusy = "Po ngarkohet\xE2\x80\xA6";

// The expiry setStatus(text, seconds) stores at `nowMs`: 0 (until replaced) for 0 seconds.
std::int64_t statusExpiry(std::uint32_t seconds, std::int64_t nowMs);

// A stored text is shown while it is not empty and has no expiry or expires after
// `nowMs`.
bool statusTextShown(bool hasText, std::int64_t expiresAt, std::int64_t nowMs);

// The text of an idle status line: once the engine is ready "Po ngarkohet…" while the
// active tab is busy and "Gati" when it is not; before that, nothing.
std::string_view defaultStatusText(bool engineReady, bool activeTabBusy);

// A page's progress ("loading", "loaded") replaces the stored text unless that text is a
// notice still showing: the engine check's verdict or a stopped page's notice is followed
// at once by a navigation, whose progress would hide it before it is ever drawn.
bool progressMayReplace(bool currentIsNotice, std::int64_t expiresAt, std::int64_t nowMs);

// What the status line reads: the stored text while it is shown, else the default.
std::string_view statusLineText(const StatusLine& status, std::int64_t nowMs, bool engineReady,
                                bool activeTabBusy);

}  // namespace vesko
