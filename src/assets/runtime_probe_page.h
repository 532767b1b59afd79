#pragma once
// The runtime probe's page and its addresses. The browser serves the page under the
// portal's origin; it reads a cross-origin answer without CORS permission and runs a
// plain-http script, which succeed only without web security and with insecure content
// allowed; it opens a WebSocket to a loopback name, which reaches the program's own
// listener only when the name resolves; it lets WebRTC gather candidates, which finds
// none only when WebRTC is confined. It posts what it found back to the host.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vesko {

// Every probe address contains this; outside a running probe such addresses are 404.
inline constexpr std::string_view kProbePathMarker = "/__vesko_internal_probe__/";
inline constexpr std::size_t kProbeNonceLength = 32;

struct ProbeAddresses {
    std::string index;  // https, portal host: the page
    std::string cors;   // https, probe CDN host: the nonce as a body, no CORS header
    std::string mixed;  // http, probe CDN host: a script that calls __veskoMixed
};

// Lower-case hexadecimal, high nibble first: the text form of randomHex's bytes.
std::string hexLower(std::span<const unsigned char> bytes);

// Exactly kProbeNonceLength characters of "0123456789abcdef".
bool isProbeNonce(std::string_view nonce);

// The functions below take a nonce that isProbeNonce accepts and throw
// std::runtime_error("BAD_PROBE_NONCE") otherwise: the nonce lands unescaped inside
// addresses and a script literal.

// kProbePathMarker + nonce.
std::string probePath(std::string_view nonce);

ProbeAddresses probeAddresses(std::string_view nonce);

// ws://NONCE.localhost:PORT + probePath + "/socket": a name only the engine's own
// resolver knows (it means this machine), so the engine's resolver rules decide alone.
std::string probeSocketAddress(std::string_view nonce, std::uint16_t port);

// The page's exact UTF-8 bytes; `socketPort` is the port of the program's listener.
std::string probePage(std::string_view nonce, std::uint16_t socketPort);

}  // namespace vesko
