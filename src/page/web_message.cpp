#include "page/web_message.h"

#include <limits>
#include <optional>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "assets/runtime_probe.h"
#include "policy/portal_policy.h"

namespace vesko {
namespace {

using Json = nlohmann::json;

[[noreturn]] void badMessage() {
    throw std::runtime_error("BAD_WEB_MESSAGE");
}

const Json* member(const Json& object, const char* name) {
    const auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

// A JSON number written without fraction or exponent that fits 32 bits. Larger
// integers are not taken modulo 2^32: 4294967296 rows must not read as 0 rows.
std::optional<std::int32_t> int32Member(const Json& object, const char* name) {
    const Json* value = member(object, name);
    if (value == nullptr || !value->is_number_integer()) return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto n = value->get<std::uint64_t>();
        if (n > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
        return static_cast<std::int32_t>(n);
    }
    const auto n = value->get<std::int64_t>();
    if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(n);
}

// An optional boolean member: absent gives the default, another type is an error.
bool boolMemberOr(const Json& object, const char* name, bool fallback) {
    const Json* value = member(object, name);
    if (value == nullptr) return fallback;
    if (!value->is_boolean()) badMessage();
    return value->get<bool>();
}

std::string stringMemberOr(const Json& object, const char* name) {
    const Json* value = member(object, name);
    if (value == nullptr) return {};
    if (!value->is_string()) badMessage();
    return value->get<std::string>();
}

}  // namespace

ZoneStatus zoneResultStatus(std::int32_t rows, std::int32_t status) {
    if (status >= 200 && status <= 299 && rows == 0) {
        return {"Serveri ktheu 0 zona p\xC3\xABr k\xC3\xABt\xC3\xAB nd\xC3\xABrtes\xC3\xAB. Kontrollo lidhjen e "
                "zonave me nd\xC3\xABrtes\xC3\xABn.",
                20};
    }
    if (status >= 200 && status <= 299 && rows > 0) {
        return {"Serveri ktheu " + std::to_string(rows) +
                    " zona. N\xC3\xABse lista mbetet bosh, ruaj diagnostik\xC3\xABn.",
                15};
    }
    return {"K\xC3\xABrkesa p\xC3\xABr zonat nuk dha list\xC3\xAB t\xC3\xAB vlefshme. HTTP " + std::to_string(status) +
                ". Ruaj diagnostik\xC3\xABn.",
            20};
}

WebMessageDecision decodeWebMessage(std::string_view source, std::string_view json, const WebMessageContext& context) {
    WebMessageDecision decision;
    if (!PortalPolicy::isPortalUrl(source)) return decision;
    if (json.size() > kMaxWebMessageBytes) return decision;

    Json message = Json::parse(json, nullptr, false, false);
    if (message.is_discarded()) return decision;
    if (!message.is_object()) badMessage();
    const std::string type = stringMemberOr(message, "type");

    if (type == kMessageOpenBackground) {
        const Json* url = member(message, "url");
        if (url != nullptr && url->is_string()) {
            const auto& text = url->get_ref<const std::string&>();
            if (text.size() <= kMaxBackgroundUrlBytes && PortalPolicy::isPortalUrl(text)) {
                decision.action = WebMessageAction::openBackground;
                decision.url = text;
            }
            return decision;
        }
    }
    if (type == kMessageZoneResult) {
        const auto rows = int32Member(message, "rows");
        const auto status = int32Member(message, "status");
        if (rows && status) {
            // Only the tab in front speaks about the zone list the user is looking at.
            if (context.fromActiveTab) {
                ZoneStatus text = zoneResultStatus(*rows, *status);
                decision.action = WebMessageAction::showStatus;
                decision.statusText = std::move(text.text);
                decision.statusSeconds = text.seconds;
            }
            return decision;
        }
    }
    if (type == kMessageActivity) {
        const Json* busy = member(message, "busy");
        if (busy != nullptr && busy->is_boolean()) {
            decision.action = WebMessageAction::setBusy;
            decision.busy = busy->get<bool>();
            return decision;
        }
    }
    if (type == kMessageDirty) {
        // The page can only raise the mark; a successful navigation clears it.
        if (boolMemberOr(message, "dirty", false)) decision.action = WebMessageAction::markDirty;
        return decision;
    }
    if (type == kMessageProbe && context.probeRunning) {
        const std::string nonce = stringMemberOr(message, "nonce");
        if (nonce.empty() || nonce != context.probeNonce) return decision;
        if (source != probeIndexAddress(context.probeNonce)) return decision;
        decision.mixed = boolMemberOr(message, "mixed", false);
        decision.cors = boolMemberOr(message, "cors", false);
        decision.webrtc = boolMemberOr(message, "webrtc", false);
        decision.action = WebMessageAction::completeProbe;
    }
    return decision;
}

}  // namespace vesko
