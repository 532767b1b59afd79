#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "assets/asset_pack.h"

namespace vesko::pack {

struct AuditedRequest {
    std::string method;
    std::string url;
    std::string kind;
    bool kindGuessed = false;  // the HAR had no resource type; read from the media type or name
    std::size_t count = 0;     // how often the session made this request
    std::string file;          // answered requests: the pack file
    std::string step;          // answered requests: the step that found it
};

// What the pack does with a recorded portal session. Requests are listed once each, in
// the order first seen; documents are left out (they are never answered from the pack).
struct AuditReport {
    std::vector<AuditedRequest> answered;  // served from the pack
    std::vector<AuditedRequest> missing;   // allowed CDN GETs that go to the network
    std::vector<AuditedRequest> refused;   // outside the policy: answered 403
    std::size_t requests = 0;              // entries read from the HAR
};

// Reads log.entries[].request.{method,url} and the resource type of a HAR document.
// Throws std::runtime_error when the document is not a HAR log.
AuditReport auditHar(const AssetPack& pack, const nlohmann::json& har);

// The resource kind for a recorded entry: Chromium's "_resourceType" when present,
// otherwise guessed from the response's media type and then the URL's file extension.
std::string harResourceKind(const nlohmann::json& entry, bool& guessed);

nlohmann::ordered_json auditJson(const AuditReport& report);
std::string auditText(const AuditReport& report);

}  // namespace vesko::pack
