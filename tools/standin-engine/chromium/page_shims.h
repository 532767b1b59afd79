#pragma once
// What every document of a Chromium-backed view gets before its own scripts: the engine's
// chrome.webview object, window.close and the title reported to the host, the permission requests
// a page can make held for the host's answer, and its right-clicks, external links and Tabs
// reported.

#include <string>

namespace vesko::standin {

// The bindings the script reports through (Runtime.addBinding names).
inline constexpr char kPostBinding[] = "__veskoWebViewPost";
inline constexpr char kCloseBinding[] = "__veskoWindowClose";
inline constexpr char kPermissionBinding[] = "__veskoPermissionAsk";
inline constexpr char kTitleBinding[] = "__veskoTitle";
// A right-click the page let through, a link to a scheme the engine hands to the system,
// and a Tab the page let through.
inline constexpr char kRouteBinding[] = "__veskoRouteOut";

// The script; it calls window.__veskoPermissionAnswer(id, allowed) back for each request.
const std::string& pageShimScript();

}  // namespace vesko::standin
