#include "policy_report.h"

#include "policy/compiled_config.h"
#include "policy/download_name.h"
#include "policy/portal_policy.h"
#include "policy/resource_kind.h"
#include "policy/url_parser.h"
#include "utf8_text.h"

namespace vesko::tool {

using nlohmann::ordered_json;

ordered_json describeUrl(std::string_view url) {
    ordered_json out;
    out["url"] = replaceInvalidUtf8(url);

    if (const auto parsed = parseUrl(url)) {
        ordered_json parse;
        parse["scheme"] = parsed->scheme;
        parse["host"] = parsed->host;
        parse["path"] = replaceInvalidUtf8(parsed->path);
        parse["port"] = parsed->port;
        parse["defaultPort"] = parsed->defaultPort;
        out["parse"] = std::move(parse);
    } else {
        out["parse"] = nullptr;
    }

    out["isPortalUrl"] = PortalPolicy::isPortalUrl(url);
    out["isBlobPortalUrl"] = PortalPolicy::isBlobPortalUrl(url);
    out["isPortalOrBlobUrl"] = PortalPolicy::isPortalOrBlobUrl(url);

    ordered_json navigation;
    navigation["false"] = PortalPolicy::isAllowedNavigation(url, false);
    navigation["true"] = PortalPolicy::isAllowedNavigation(url, true);
    out["isAllowedNavigation"] = std::move(navigation);

    ordered_json cdn;
    for (ResourceKind kind : kResourceKinds) {
        cdn[std::string(resourceKindName(kind))] = PortalPolicy::isAllowedCdnRequest(url, kind);
    }
    out["isAllowedCdnRequest"] = std::move(cdn);
    return out;
}

ordered_json describeDownloadName(std::string_view name) {
    return replaceInvalidUtf8(sanitizeDownloadName(name));
}

ordered_json describeConfig() {
    ordered_json out;
    out["portalHost"] = PortalPolicy::portalHost();
    out["probeCdnHost"] = PortalPolicy::probeCdnHost();
    out["cdnHosts"] = ordered_json::array();
    for (std::string_view host : config::kCdnHosts) out["cdnHosts"].push_back(host);
    out["allowedHosts"] = ordered_json::array();
    for (const std::string& host : PortalPolicy::allowedHosts()) out["allowedHosts"].push_back(host);
    out["portalStartUrl"] = PortalPolicy::portalStartUrl();
    out["blockedDownloadExtensions"] = ordered_json::array();
    for (std::string_view extension : config::kBlockedDownloadExtensions) {
        out["blockedDownloadExtensions"].push_back(extension);
    }
    out["pinnedLoaderSha256"] = config::kPinnedLoaderSha256;
    out["version"] = config::kVersionText;
    return out;
}

std::string toJsonLine(const ordered_json& value) {
    std::string line = value.dump();
    line.push_back('\n');
    return line;
}

std::string toJsonDocument(const ordered_json& value) {
    std::string text = value.dump(2);
    text.push_back('\n');
    return text;
}

}  // namespace vesko::tool
