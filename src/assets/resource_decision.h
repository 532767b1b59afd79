#pragma once
// What the browser does with one request of a page: answer it from the asset pack, let
// it go to the network, refuse it, or (while the runtime probe runs) serve one of the
// probe's addresses. The decision is pure; the engine glue only carries it out.

#include <cstdint>
#include <string>
#include <string_view>

#include "assets/asset_pack.h"
#include "policy/policy_url.h"
#include "policy/resource_kind.h"

namespace vesko {

enum class ResourceAction {
    // A synthetic answer: a probe address or the 404 of a probe address outside its probe.
    answer,
    // 200 with a file of the pack.
    packFile,
    // No response: the engine fetches the request itself.
    network,
    // 403 and a record for the diagnostics report.
    refuse,
};

// A response the browser makes up: status, content type, body and whether any origin
// may read it.
struct SyntheticAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
    bool allowAnyOrigin = false;
};

struct ResourceDecision {
    ResourceAction action = ResourceAction::network;
    const AssetEntry* entry = nullptr;  // packFile: the file to serve
    SyntheticAnswer answer;             // answer: what to serve
};

// The probe's state as the interception sees it: its addresses are served only while it
// runs, and only for the nonce of this run.
struct ProbeServing {
    bool running = false;
    std::string_view nonce;
    std::uint16_t socketPort = 0;  // the program's listener the page's WebSocket tries
};

// The whole decision for a request of resource kind `kind`, on its address read once; the
// overload on UTF-8 bytes reads it itself.
ResourceDecision decideResourceRequest(const AssetPack& pack, const PolicyUrl& url, std::string_view method,
                                       ResourceKind kind, const ProbeServing& probe);
ResourceDecision decideResourceRequest(const AssetPack& pack, std::string_view url, std::string_view method,
                                       ResourceKind kind, const ProbeServing& probe);

// The answer to a probe address while the probe with `nonce` runs, for a GET; 404 for
// everything else. Throws BAD_PROBE_NONCE for a nonce that is no probe nonce.
SyntheticAnswer probeAnswer(std::string_view url, std::string_view nonce, std::uint16_t socketPort);

}  // namespace vesko
