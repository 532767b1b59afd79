// Fuzzes the decoding of messages posted by pages: whatever a page posts, decoding may only
// ignore it, refuse it with BAD_WEB_MESSAGE, or take an action its sender is entitled to.
//
// Input: byte 0 holds the context (bit 0: a probe runs, bit 1: the sender is the tab in
// front) and the sender (bits 2-3: a portal page, the probe page, a foreign page, or the
// bytes up to the first line feed); the rest is the message's JSON text.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "assets/runtime_probe.h"
#include "page/web_message.h"
#include "policy/portal_policy.h"

namespace {

using namespace vesko;

constexpr std::string_view kNonce = "00112233445566778899aabbccddeeff";

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool sameDecision(const WebMessageDecision& a, const WebMessageDecision& b) {
    return a.action == b.action && a.url == b.url && a.statusText == b.statusText &&
           a.statusSeconds == b.statusSeconds && a.busy == b.busy && a.cors == b.cors && a.mixed == b.mixed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const WebMessageContext context{(data[0] & 1) != 0, kNonce, (data[0] & 2) != 0};
    const std::string probeAddress = probeIndexAddress(kNonce);
    std::string source;
    switch ((data[0] >> 2) & 3) {
    case 0: source = PortalPolicy::portalStartUrl() + "zonat"; break;
    case 1: source = probeAddress; break;
    case 2: source = "https://evil.example/"; break;
    default: {
        const std::size_t end = rest.find('\n');
        source = std::string(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    }

    WebMessageDecision decision;
    try {
        decision = decodeWebMessage(source, rest, context);
    } catch (const std::runtime_error& error) {
        // The one refusal the decoder may throw; any other exception escapes and fails.
        require(std::string_view(error.what()) == "BAD_WEB_MESSAGE");
        return 0;
    }
    require(sameDecision(decision, decodeWebMessage(source, rest, context)));
    if (decision.action == WebMessageAction::ignore) return 0;

    require(PortalPolicy::isPortalUrl(source));
    require(rest.size() <= kMaxWebMessageBytes);
    switch (decision.action) {
    case WebMessageAction::openBackground:
        require(PortalPolicy::isPortalUrl(decision.url) && decision.url.size() <= kMaxBackgroundUrlBytes);
        break;
    case WebMessageAction::showStatus:
        require(context.fromActiveTab && !decision.statusText.empty());
        require(decision.statusSeconds == 15 || decision.statusSeconds == 20);
        break;
    case WebMessageAction::completeProbe:
        require(context.probeRunning && source == probeAddress);
        break;
    default:
        break;
    }
    return 0;
}
