#include "engine/route_refusals.h"

#include <utility>

#include "assets/synthetic_response.h"
#include "policy/policy_url.h"

namespace vesko {
namespace {

bool asciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string uriScheme(std::string_view uri) {
    constexpr std::string_view kInvalid = "[invalid]";
    // A scheme is a letter and then letters, digits, '+', '-' or '.'; a long one is no
    // scheme a program registers and would only fill the report.
    const std::size_t colon = uri.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 32 || !asciiLetter(uri[0])) {
        return std::string(kInvalid);
    }
    std::string scheme;
    for (const char c : uri.substr(0, colon)) {
        const bool digit = c >= '0' && c <= '9';
        if (!asciiLetter(c) && !digit && c != '+' && c != '-' && c != '.') return std::string(kInvalid);
        scheme += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return scheme;
}

nlohmann::ordered_json certificateRefusalRecord(std::string_view uri) {
    const PolicyUrl url(uri);
    const ParsedUrl* parsed = url.httpUrl();
    nlohmann::ordered_json record = nlohmann::ordered_json::object();
    record["host"] = parsed ? parsed->host : std::string(kSchemeBlockedHost);
    record["kind"] = "certificate";
    return record;
}

nlohmann::ordered_json externalSchemeRecord(std::string_view uri) {
    nlohmann::ordered_json record = nlohmann::ordered_json::object();
    record["host"] = std::string(kSchemeBlockedHost);
    record["kind"] = "external-scheme";
    record["scheme"] = uriScheme(uri);
    return record;
}

bool noteRefusal(nlohmann::ordered_json& records, nlohmann::ordered_json record) {
    if (!records.is_array()) records = nlohmann::ordered_json::array();
    if (records.size() >= kMaxBlockedRecords) return false;
    records.push_back(std::move(record));
    return true;
}

}  // namespace vesko
