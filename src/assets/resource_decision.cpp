#include "assets/resource_decision.h"

#include "assets/asset_rules.h"
#include "assets/runtime_probe_page.h"
#include "assets/synthetic_response.h"
#include "policy/portal_policy.h"

namespace vesko {
namespace {

constexpr std::string_view kProbeMixedScript = "window.__veskoMixed();";

SyntheticAnswer notFound() {
    return {kNotFoundStatus, std::string(kNotFoundContentType), {}, false};
}

}  // namespace

SyntheticAnswer probeAnswer(std::string_view url, std::string_view nonce, std::uint16_t socketPort) {
    const ProbeAddresses addresses = probeAddresses(nonce);
    if (url == addresses.index) return {200, "text/html; charset=utf-8", probePage(nonce, socketPort), false};
    // No CORS permission on purpose: only a page without web security can read it.
    if (url == addresses.cors) return {200, "text/plain; charset=utf-8", std::string(nonce), false};
    if (url == addresses.mixed) return {200, "text/javascript; charset=utf-8", std::string(kProbeMixedScript), false};
    return notFound();
}

ResourceDecision decideResourceRequest(const AssetPack& pack, const PolicyUrl& url, std::string_view method,
                                       ResourceKind kind, const ProbeServing& probe) {
    ResourceDecision decision;
    const bool probeAddress = url.text.find(kProbePathMarker) != std::string_view::npos;
    if (probeAddress) {
        // Outside a running probe, with another method or a stale nonce, every probe
        // address is simply not there.
        decision.action = ResourceAction::answer;
        decision.answer = probe.running && method == "GET" && isProbeNonce(probe.nonce)
                                  ? probeAnswer(url.text, probe.nonce, probe.socketPort)
                                  : notFound();
        return decision;
    }
    const bool allowed = kind == ResourceKind::document ? PortalPolicy::isAllowedNavigation(url, true)
                                                        : PortalPolicy::isAllowedCdnRequest(url, kind);
    if (!allowed) {
        decision.action = ResourceAction::refuse;
        decision.answer = {kBlockedStatus, std::string(kBlockedContentType), std::string(kBlockedBody), false};
        return decision;
    }
    if (const AssetEntry* entry = explainAssetMatch(pack, url, method, kind).entry) {
        decision.action = ResourceAction::packFile;
        decision.entry = entry;
    }
    return decision;
}

ResourceDecision decideResourceRequest(const AssetPack& pack, std::string_view url, std::string_view method,
                                       ResourceKind kind, const ProbeServing& probe) {
    return decideResourceRequest(pack, PolicyUrl(url), method, kind, probe);
}

}  // namespace vesko
