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

// What the probe found in force. The page reports the first three; the program itself
// sees whether the page's WebSocket to a loopback name reached it.
struct ProbeFindings {
    bool cors = false;    // a cross-origin answer read without CORS permission
    bool mixed = false;   // a plain-http script ran on the https page
    bool webrtc = false;  // WebRTC gathered no candidate
    bool dns = false;     // the loopback name did not resolve
    bool passed() const { return cors && mixed && webrtc && dns; }
};

// The status after a verdict: a 10-second success text, or the failure text with
// "CORS=", "HTTP=", "DNS=" and "WebRTC=" as 1 or 0, kept until replaced.
struct ProbeVerdictStatus {
    std::string text;
    std::uint32_t seconds;
};
ProbeVerdictStatus probeVerdictStatus(const ProbeFindings& findings);

// The address a verdict must come from: the index address of the probe with `nonce`;
// empty when `nonce` is no probe nonce.
std::string probeIndexAddress(std::string_view nonce);

}  // namespace vesko
