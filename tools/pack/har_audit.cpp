#include "har_audit.h"

#include <map>
#include <optional>
#include <string_view>
#include <tuple>

#include "assets/asset_rules.h"
#include "policy/portal_policy.h"
#include "policy/resource_kind.h"
#include "policy/url_parser.h"

namespace vesko::pack {
namespace {

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

ResourceKind kindFromDevtoolsType(std::string_view type) {
    if (type == "document") return ResourceKind::document;
    if (type == "stylesheet") return ResourceKind::stylesheet;
    if (type == "image") return ResourceKind::image;
    if (type == "font") return ResourceKind::font;
    if (type == "script") return ResourceKind::script;
    if (type == "xhr" || type == "fetch") return ResourceKind::xmlHttpRequest;
    return ResourceKind::other;
}

std::optional<ResourceKind> kindFromMediaType(std::string_view mime) {
    if (mime.find("text/html") != std::string_view::npos) return ResourceKind::document;
    if (mime.find("css") != std::string_view::npos) return ResourceKind::stylesheet;
    if (mime.find("javascript") != std::string_view::npos || mime.find("ecmascript") != std::string_view::npos) {
        return ResourceKind::script;
    }
    if (mime.starts_with("image/")) return ResourceKind::image;
    if (mime.starts_with("font/") || mime.find("woff") != std::string_view::npos ||
        mime.find("opentype") != std::string_view::npos || mime.find("truetype") != std::string_view::npos) {
        return ResourceKind::font;
    }
    return {};
}

std::optional<ResourceKind> kindFromFileName(std::string_view url) {
    url = url.substr(0, url.find_first_of("?#"));
    const std::string_view name = url.substr(url.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::string extension = lowerAscii(name.substr(dot + 1));
    if (extension == "js" || extension == "mjs") return ResourceKind::script;
    if (extension == "css") return ResourceKind::stylesheet;
    if (extension == "woff2" || extension == "woff" || extension == "ttf" || extension == "otf" ||
        extension == "eot") {
        return ResourceKind::font;
    }
    if (extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "gif" ||
        extension == "svg" || extension == "webp" || extension == "ico") {
        return ResourceKind::image;
    }
    return {};
}

const nlohmann::json* path(const nlohmann::json& value, std::initializer_list<const char*> keys) {
    const nlohmann::json* current = &value;
    for (const char* key : keys) {
        if (!current->is_object()) return nullptr;
        const auto it = current->find(key);
        if (it == current->end()) return nullptr;
        current = &*it;
    }
    return current;
}

}  // namespace

namespace {

ResourceKind harKind(const nlohmann::json& entry, bool& guessed) {
    guessed = false;
    if (const auto* type = path(entry, {"_resourceType"}); type && type->is_string()) {
        return kindFromDevtoolsType(lowerAscii(type->get<std::string>()));
    }
    guessed = true;
    if (const auto* mime = path(entry, {"response", "content", "mimeType"}); mime && mime->is_string()) {
        if (const auto kind = kindFromMediaType(lowerAscii(mime->get<std::string>()))) return *kind;
    }
    if (const auto* url = path(entry, {"request", "url"}); url && url->is_string()) {
        if (const auto kind = kindFromFileName(url->get<std::string>())) return *kind;
    }
    return ResourceKind::other;
}

}  // namespace

std::string harResourceKind(const nlohmann::json& entry, bool& guessed) {
    return std::string(resourceKindName(harKind(entry, guessed)));
}

AuditReport auditHar(const AssetPack& pack, const nlohmann::json& har) {
    const nlohmann::json* entries = path(har, {"log", "entries"});
    if (entries == nullptr || !entries->is_array()) throw std::runtime_error("not a HAR file: no log.entries array");

    AuditReport report;
    using Key = std::tuple<std::string, std::string, std::string>;
    std::map<Key, std::pair<std::vector<AuditedRequest>*, std::size_t>> seen;
    for (const nlohmann::json& entry : *entries) {
        const auto* method = path(entry, {"request", "method"});
        const auto* url = path(entry, {"request", "url"});
        if (method == nullptr || url == nullptr || !method->is_string() || !url->is_string()) continue;
        ++report.requests;

        AuditedRequest request;
        request.method = method->get<std::string>();
        request.url = url->get<std::string>();
        const ResourceKind kind = harKind(entry, request.kindGuessed);
        request.kind = std::string(resourceKindName(kind));
        if (kind == ResourceKind::document) continue;

        const Key key{request.method, request.url, request.kind};
        if (const auto it = seen.find(key); it != seen.end()) {
            ++(*it->second.first)[it->second.second].count;
            continue;
        }

        std::vector<AuditedRequest>* list = nullptr;
        if (!PortalPolicy::isAllowedCdnRequest(request.url, kind)) {
            list = &report.refused;
        } else if (const AssetMatch match = explainAssetMatch(pack, request.url, request.method, kind);
                   match.entry != nullptr) {
            request.file = match.entry->name;
            request.step = std::string(assetMatchStepName(match.step));
            list = &report.answered;
        } else {
            // The portal's own files, inline images and blobs go to the network by design;
            // only a public CDN GET is something the pack could add.
            const std::optional<ParsedUrl> parsed = parseUrl(request.url);
            if (request.method != "GET" || !parsed || parsed->host == PortalPolicy::portalHost()) continue;
            list = &report.missing;
        }
        request.count = 1;
        seen.emplace(key, std::make_pair(list, list->size()));
        list->push_back(std::move(request));
    }
    return report;
}

nlohmann::ordered_json auditJson(const AuditReport& report) {
    auto listJson = [](const std::vector<AuditedRequest>& list, bool withFile) {
        nlohmann::ordered_json out = nlohmann::ordered_json::array();
        for (const AuditedRequest& request : list) {
            nlohmann::ordered_json item = {{"method", request.method}, {"url", request.url},
                                           {"kind", request.kind}, {"kindGuessed", request.kindGuessed},
                                           {"count", request.count}};
            if (withFile) {
                item["file"] = request.file;
                item["step"] = request.step;
            }
            out.push_back(std::move(item));
        }
        return out;
    };
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    out["requests"] = report.requests;
    out["answered"] = listJson(report.answered, true);
    out["missing"] = listJson(report.missing, false);
    out["refused"] = listJson(report.refused, false);
    return out;
}

std::string auditText(const AuditReport& report) {
    std::string out;
    auto line = [&](const AuditedRequest& request, std::string_view extra) {
        out += "  " + request.method + " " + request.kind + (request.kindGuessed ? "?" : "") + " " + request.url;
        if (request.count > 1) out += " (x" + std::to_string(request.count) + ")";
        out += extra;
        out += "\n";
    };
    out += "requests read: " + std::to_string(report.requests) + "\n";
    out += "answered from the pack: " + std::to_string(report.answered.size()) + "\n";
    for (const auto& request : report.answered) line(request, " -> " + request.file + " [" + request.step + "]");
    out += "allowed CDN requests the pack does not answer (candidates to add): " +
           std::to_string(report.missing.size()) + "\n";
    for (const auto& request : report.missing) line(request, "");
    out += "refused by the policy (answered 403): " + std::to_string(report.refused.size()) + "\n";
    for (const auto& request : report.refused) line(request, "");
    if (!report.answered.empty() || !report.missing.empty() || !report.refused.empty()) {
        out += "(a '?' after a kind: the HAR had no resource type, so it was guessed)\n";
    }
    return out;
}

}  // namespace vesko::pack
