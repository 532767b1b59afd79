#include "assets/synthetic_response.h"

#include <stdexcept>


namespace vesko {

std::string responseHeaders(std::string_view contentType, std::uint64_t length, bool allowAnyOrigin) {
    if (contentType.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        throw std::runtime_error("BAD_RESPONSE_HEADER");
    }
    std::string block;
    block.reserve(128 + contentType.size());
    block.append("Content-Type: ").append(contentType);
    block.append("\r\nContent-Length: ").append(std::to_string(length));
    block.append("\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n");
    if (allowAnyOrigin) block.append("Access-Control-Allow-Origin: *\r\n");
    return block;
}

std::string_view reasonPhrase(int status) noexcept {
    return status == 200 ? "OK" : "Blocked";
}

nlohmann::ordered_json blockedRequestRecord(const PolicyUrl& url, ResourceKind kind, std::string_view method) {
    const ParsedUrl* parsed = url.httpUrl();
    nlohmann::ordered_json record = nlohmann::ordered_json::object();
    record["host"] = parsed ? parsed->host : std::string(kSchemeBlockedHost);
    record["kind"] = std::string(resourceKindName(kind));
    record["method"] = std::string(method);
    return record;
}

bool noteBlockedRequest(nlohmann::ordered_json& records, const PolicyUrl& url, ResourceKind kind,
                        std::string_view method) {
    if (!records.is_array()) records = nlohmann::ordered_json::array();
    if (records.size() >= kMaxBlockedRecords) return false;
    records.push_back(blockedRequestRecord(url, kind, method));
    return true;
}

}  // namespace vesko
