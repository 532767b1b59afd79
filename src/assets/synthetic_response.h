#pragma once
// The answers the browser makes up itself instead of the network's: the header block and
// reason phrase of every synthetic response, and the record kept of a refused request.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "policy/policy_url.h"
#include "policy/resource_kind.h"

namespace vesko {

inline constexpr std::string_view kBlockedBody = "VESKO: kerkesa u bllokua.";
inline constexpr std::string_view kBlockedContentType = "text/plain; charset=utf-8";
inline constexpr int kBlockedStatus = 403;
inline constexpr std::string_view kNotFoundContentType = "text/plain";
inline constexpr int kNotFoundStatus = 404;
// A tab keeps at most this many refusals for the diagnostics report; later ones are
// still answered, just not written down.
inline constexpr std::size_t kMaxBlockedRecords = 64;
inline constexpr std::string_view kSchemeBlockedHost = "[scheme blocked]";

// "Content-Type", "Content-Length", "Cache-Control: no-store",
// "X-Content-Type-Options: nosniff" and, when asked, "Access-Control-Allow-Origin: *",
// each line ending in CR LF. Throws BAD_RESPONSE_HEADER for a content type holding a
// line break or NUL, which would start a header of its own.
std::string responseHeaders(std::string_view contentType, std::uint64_t length, bool allowAnyOrigin);

// "OK" for 200, "Blocked" for anything else.
std::string_view reasonPhrase(int status) noexcept;

// {"host", "kind", "method"} of a refused request; the host is "[scheme blocked]" for
// anything that is not an http or https URL.
nlohmann::ordered_json blockedRequestRecord(const PolicyUrl& url, ResourceKind kind, std::string_view method);

// Appends the record while the list holds fewer than kMaxBlockedRecords; answers
// whether it did.
bool noteBlockedRequest(nlohmann::ordered_json& records, const PolicyUrl& url, ResourceKind kind,
                        std::string_view method);

}  // namespace vesko
