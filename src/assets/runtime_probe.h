#pragma once
// The runtime probe's timing and what the status line says about it.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/user_text.h"

namespace vesko {

// Timer 2 of the main window ends a probe whose page never answered.
inline constexpr std::uint32_t kProbeTimeoutMs = 15000;
// 16 random bytes, 32 hexadecimal characters.
inline constexpr std::size_t kProbeNonceBytes = 16;

inline constexpr StatusMessage kProbeRunningStatus{"Po verifikohen parametrat e motorit\xE2\x80\xA6", 0};

// The status after a verdict: a 10-second success text, or the failure text with
// "CORS=" and "HTTP=" as 1 or 0, kept until replaced.
struct ProbeVerdictStatus {
    std::string text;
    std::uint32_t seconds;
};
ProbeVerdictStatus probeVerdictStatus(bool cors, bool mixed);

// The address a verdict must come from: the index address of the probe with `nonce`;
// empty when `nonce` is no probe nonce.
std::string probeIndexAddress(std::string_view nonce);

}  // namespace vesko
