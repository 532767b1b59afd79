#pragma once
// The switches the engine's browser process is started with. The engine reads them as
// one command-line string, so an argument holding spaces is quoted.

#include <string>
#include <string_view>

namespace vesko {

// Only these host names resolve inside the engine: the portal and the CDN hosts, whose
// files missing from the asset pack go to the network. Every other name, IP literals and
// localhost included, fails as "not found", which shuts out WebSockets, DNS prefetch and
// preconnects to foreign hosts, none of which the resource filter ever sees. Requests the
// program answers itself (the probe's, the pack's) never need a name resolved.
std::string hostResolverRules();

// Every switch, in the order the engine gets them:
// - no web security, insecure content allowed: portal pages read cross-origin answers
//   and load plain-http scripts (the probe proves both);
// - the host-resolver rules above (the probe proves them with a WebSocket to a loopback
//   name that must not resolve);
// - WebRTC without UDP outside a proxy (the probe proves no candidate is gathered);
// - the page's file-system pickers removed: they open the system's file dialogs before
//   any permission is asked. File inputs for uploads are not affected.
std::string engineSwitches();

}  // namespace vesko
