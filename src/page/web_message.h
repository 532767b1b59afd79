#pragma once
// The page-to-host channel: one posted message, with the address of the document that
// posted it, turned into the one thing the host does about it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/user_text.h"

namespace vesko {

// Larger messages are dropped before they are parsed.
inline constexpr std::size_t kMaxWebMessageBytes = 16384;
inline constexpr std::size_t kMaxBackgroundUrlBytes = 8192;

inline constexpr std::string_view kMessageOpenBackground = "vesk-open-background";
// Background opens a tab's pages may ask for: at most five in any ten seconds. The page
// script sends one per middle click, so a clerk opening a handful of records from a list
// in a row stays within it, while a page posting the message in a loop gets a few hidden
// tabs at a time instead of the whole tab limit at once.
inline constexpr std::size_t kBackgroundOpensPerWindow = 5;
inline constexpr std::int64_t kBackgroundOpenWindowMs = 10000;
inline constexpr StatusMessage kBackgroundOpenDroppedStatus{
    "Shum\xC3\xAB skeda t\xC3\xAB hapura nj\xC3\xABher\xC3\xABsh. Prit pak dhe provo p\xC3\xABrs\xC3\xABri.", 7};
inline constexpr std::string_view kMessageZoneResult = "vesk-zone-result";
inline constexpr std::string_view kMessageActivity = "vesk-activity";
inline constexpr std::string_view kMessageDirty = "vesko-dirty";
inline constexpr std::string_view kMessageProbe = "vesko-probe";

// What the host knows when a message arrives.
struct WebMessageContext {
    bool probeRunning = false;
    std::string_view probeNonce;
    // The posting tab is the one in front.
    bool fromActiveTab = false;
};

enum class WebMessageAction {
    ignore,
    openBackground,  // url: open it in a background tab
    showStatus,      // statusText for statusSeconds
    setBusy,         // busy: the tab's ajaxBusy
    markDirty,       // the tab holds unsaved input
    completeProbe,   // cors, mixed, webrtc: the probe page's findings
};

struct WebMessageDecision {
    WebMessageAction action = WebMessageAction::ignore;
    std::string url;
    std::string statusText;
    std::uint32_t statusSeconds = 0;
    bool busy = false;
    bool cors = false;
    bool mixed = false;
    bool webrtc = false;
};

// Decides about one message; `source` and `json` are UTF-8. Messages from anywhere but
// the portal, oversized or malformed ones, unknown types and members of the wrong type
// are ignored. Valid JSON that is not an object, and a "type", "dirty", "nonce", "mixed",
// "cors" or "webrtc" member of the wrong JSON type, throw BAD_WEB_MESSAGE: such a message
// is not one the page scripts ever send.
WebMessageDecision decodeWebMessage(std::string_view source, std::string_view json, const WebMessageContext& context);

// The status text about the portal's zone query: an empty list, N zones, or a query that
// gave no valid list.
struct ZoneStatus {
    std::string text;
    std::uint32_t seconds;
};
ZoneStatus zoneResultStatus(std::int32_t rows, std::int32_t status);

}  // namespace vesko
