#pragma once
// What the tab keeps and says when a page tries a route the kiosk closes: a server whose
// certificate the engine doubts (the page or request is cancelled, never left to a clerk's
// judgement) and a program the engine would start for an address it does not handle
// itself (mailto:, ms-settings:, a custom scheme). The records join the tab's refused
// requests in the diagnostics report: the host or the scheme, no path, query or address.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "base/user_text.h"

namespace vesko {

inline constexpr StatusMessage kCertificateRefusedStatus{
    "Faqja u bllokua: certifikata e serverit nuk \xC3\xABsht\xC3\xAB e vlefshme.", 7};
inline constexpr StatusMessage kExternalSchemeRefusedStatus{
    "Hapja e programit t\xC3\xAB jasht\xC3\xABm u bllokua.", 7};

// The scheme of an address in lower case; "[invalid]" when it has none a URL may have.
std::string uriScheme(std::string_view uri);

// {"host", "kind": "certificate"}: the request's lower-case host, "[scheme blocked]" for
// anything that is no http or https address.
nlohmann::ordered_json certificateRefusalRecord(std::string_view uri);

// {"host": "[scheme blocked]", "kind": "external-scheme", "scheme"}.
nlohmann::ordered_json externalSchemeRecord(std::string_view uri);

// Appends the record while the list holds fewer than the refused requests' limit.
bool noteRefusal(nlohmann::ordered_json& records, nlohmann::ordered_json record);

}  // namespace vesko
