#pragma once
// Request mixes for the asset-rule benchmark, shared with the differential test of the
// regular-expression prefilter so that both run over the same requests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "policy/resource_kind.h"

namespace vesko::bench {

struct MixRequest {
    // Written with the kind's name, as the pack's rules name it; read once, here.
    MixRequest(std::string address, std::string_view kindName)
        : url(std::move(address)), kind(parseResourceKind(kindName).value()) {}

    std::string url;
    ResourceKind kind;
};

// What a portal page asks the default pack for: exact hits, regular-expression hits,
// version-query and file-name hits, misses on CDN hosts, the portal's own files and
// foreign hosts, roughly in the proportions a page load shows.
inline std::vector<MixRequest> defaultPackMix() {
    return {
        // exact rules
        {"https://code.jquery.com/jquery-3.7.1.min.js", "script"},
        {"https://cdn.jsdelivr.net/npm/bootstrap@5.3.3/dist/css/bootstrap.min.css", "stylesheet"},
        {"https://cdn.jsdelivr.net/npm/bootstrap@5.3.3/dist/js/bootstrap.bundle.min.js", "script"},
        {"https://cdnjs.cloudflare.com/ajax/libs/font-awesome/6.7.2/css/all.min.css", "stylesheet"},
        {"https://fonts.gstatic.com/s/roboto/vesko5/roboto-latin-400-normal.woff2", "font"},
        // regular-expression rules
        {"https://cdnjs.cloudflare.com/ajax/libs/font-awesome/6.4.0/webfonts/fa-solid-900.woff2", "font"},
        {"https://cdnjs.cloudflare.com/ajax/libs/select2/4.0.13/js/select2.min.js", "script"},
        {"https://cdnjs.cloudflare.com/ajax/libs/datatables/1.10.20/css/jquery.dataTables.min.css", "stylesheet"},
        {"https://stackpath.bootstrapcdn.com/bootstrap/4.5.2/css/bootstrap.min.css", "stylesheet"},
        {"https://cdn.jsdelivr.net/npm/sweetalert2@11.10.5", "script"},
        {"https://fonts.googleapis.com/css2?family=Roboto:wght@400;700&display=swap", "stylesheet"},
        {"https://unpkg.com/moment@2.29.1/min/moment.min.js", "script"},
        // version-query fallback
        {"https://code.jquery.com/jquery-3.7.1.min.js?v=20240101", "script"},
        {"https://cdn.jsdelivr.net/npm/bootstrap@5.3.3/dist/css/bootstrap.min.css?ver=2", "stylesheet"},
        // file-name fallback
        {"https://cdn.jsdelivr.net/gh/someone/widgets@1.0/dist/jquery-3.7.1.min.js", "script"},
        // misses on CDN hosts: go to the network
        {"https://cdnjs.cloudflare.com/ajax/libs/lodash.js/4.17.21/lodash.min.js", "script"},
        {"https://cdn.jsdelivr.net/npm/chart.js@4.4.0/dist/chart.umd.min.js", "script"},
        {"https://fonts.gstatic.com/s/opensans/v40/memSYaGs126MiZpBA-UvWbX2vVnXBbObj2OVZyOOSr4dVJWUgsjZ0B4gaVI.woff2", "font"},
        {"https://ajax.googleapis.com/ajax/libs/jqueryui/1.13.2/jquery-ui.min.js", "script"},
        // the portal's own requests
        {"https://portal.kordis.example/assets/js/app.js?v=93", "script"},
        {"https://portal.kordis.example/index.php?mbeshtjelljetCRUD/get_zones&id=17", "xmlhttprequest"},
        {"https://portal.kordis.example/assets/img/logo.png", "image"},
        // foreign hosts: refused before any rule is looked at
        {"https://www.google-analytics.com/analytics.js", "script"},
        {"https://tracker.example/pixel.gif?u=1", "image"},
    };
}

// A pack with `ruleCount` regular-expression rules in the shape real CDN rules have:
// one library per rule on one of three hosts, any version, minified or not.
inline std::vector<std::uint8_t> syntheticRegexPack(std::size_t ruleCount) {
    static const char* const kHosts[] = {"cdnjs\\\\.cloudflare\\\\.com/ajax/libs/", "cdn\\\\.jsdelivr\\\\.net/npm/",
                                         "unpkg\\\\.com/"};
    std::string rules;
    for (std::size_t i = 0; i < ruleCount; ++i) {
        const std::string lib = "lib" + std::to_string(i);
        if (!rules.empty()) rules += ",";
        rules += R"({"action": {"type": "redirect", "redirect": {"extensionPath": "/assets/f.js"}}, )"
                 R"("condition": {"resourceTypes": ["script"], "regexFilter": "https?://)" +
                 std::string(kHosts[i % 3]) + lib + "[@/]\\\\d+\\\\.\\\\d+\\\\.\\\\d+/(?:dist/)?" + lib +
                 "(?:\\\\.min)?\\\\.js\"}}";
    }
    const std::string index = R"({"schema": "vesko-assets-v1", "files": [{"name": "f.js", "mime": "text/javascript", )"
                              R"("offset": 0, "size": 1}], "rules": [)" + rules + "]}";
    std::vector<std::uint8_t> bytes{'V', 'E', 'S', 'K', 'O', 'P', '0', '1'};
    const auto length = static_cast<std::uint32_t>(index.size());
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(length >> shift));
    bytes.insert(bytes.end(), index.begin(), index.end());
    bytes.push_back('x');
    return bytes;
}

// Requests against syntheticRegexPack: hits spread over the rules, then misses on the same
// hosts (a library the pack lacks), then foreign hosts.
inline std::vector<MixRequest> syntheticMix(std::size_t ruleCount) {
    static const char* const kHosts[] = {"cdnjs.cloudflare.com/ajax/libs/", "cdn.jsdelivr.net/npm/", "unpkg.com/"};
    std::vector<MixRequest> mix;
    for (std::size_t k = 0; k < 8; ++k) {
        const std::size_t i = (k * 7919 + 13) % ruleCount;
        const std::string lib = "lib" + std::to_string(i);
        const char separator = i % 3 == 0 ? '/' : '@';
        mix.push_back({"https://" + std::string(kHosts[i % 3]) + lib + separator + "1.2.3/" + lib + ".min.js", "script"});
    }
    for (std::size_t k = 0; k < 3; ++k) {
        mix.push_back({"https://" + std::string(kHosts[k]) + "other/4.5.6/other.min.js", "script"});
    }
    mix.push_back({"https://tracker.example/pixel.gif?u=1", "image"});
    return mix;
}

}  // namespace vesko::bench
