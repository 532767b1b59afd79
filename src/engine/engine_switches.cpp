#include "engine/engine_switches.h"

#include "policy/compiled_config.h"

namespace vesko {

std::string hostResolverRules() {
    std::string rules = "MAP * ~NOTFOUND, EXCLUDE ";
    rules += config::kPortalHost;
    for (const std::string_view host : config::kCdnHosts) {
        rules += ", EXCLUDE ";
        rules += host;
    }
    return rules;
}

std::string engineSwitches() {
    std::string switches = "--disable-web-security --allow-running-insecure-content \"--host-resolver-rules=";
    switches += hostResolverRules();
    switches += "\" --force-webrtc-ip-handling-policy=disable_non_proxied_udp"
                " --disable-blink-features=FileSystemAccessLocal";
    return switches;
}

}  // namespace vesko
