#include "assets/runtime_probe_page.h"

#include <initializer_list>
#include <stdexcept>

#include "policy/compiled_config.h"

namespace vesko {
namespace {

void requireNonce(std::string_view nonce) {
    if (!isProbeNonce(nonce)) throw std::runtime_error("BAD_PROBE_NONCE");
}

std::string join(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (auto piece : pieces) size += piece.size();
    std::string out;
    out.reserve(size);
    for (auto piece : pieces) out.append(piece);
    return out;
}

}  // namespace

std::string hexLower(std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0f]);
    }
    return out;
}

bool isProbeNonce(std::string_view nonce) {
    if (nonce.size() != kProbeNonceLength) return false;
    for (char c : nonce) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

std::string probePath(std::string_view nonce) {
    requireNonce(nonce);
    return join({kProbePathMarker, nonce});
}

ProbeAddresses probeAddresses(std::string_view nonce) {
    const std::string path = probePath(nonce);
    return {
            join({"https://", config::kPortalHost, path, "/index"}),
            join({"https://", config::kProbeCdnHost, path, "/cors"}),
            join({"http://", config::kProbeCdnHost, path, "/mixed.js"}),
    };
}

std::string probeSocketAddress(std::string_view nonce, std::uint16_t port) {
    return join({"ws://", nonce, ".localhost:", std::to_string(port), probePath(nonce), "/socket"});
}

// The two non-ASCII characters (U+00B7, U+2026) are written as UTF-8 bytes so the page
// is the same whatever the compiler's execution character set. Each check settles on its
// own; the verdict goes out when all have, or after 8 s.
std::string probePage(std::string_view nonce, std::uint16_t socketPort) {
    const std::string path = probePath(nonce);
    return join({
            "<!doctype html><meta charset=utf-8><title>Vesko \xc2\xb7 kontrolli i motorit</title>"
            "<style>body{font:16px Segoe UI;padding:48px;color:#176c63}</style>"
            "<p>Po kontrollohen parametrat e motorit\xe2\x80\xa6</p><script>",
            "const n='",
            nonce,
            "';let cors=false,mixed=false,webrtc=false;window.__veskoMixed=()=>{mixed=true};"
            "const s=document.createElement('script');s.src='http://",
            config::kProbeCdnHost,
            path,
            "/mixed.js';document.head.append(s);",
            "const c=fetch('https://",
            config::kProbeCdnHost,
            path,
            "/cors',{cache:'no-store'}).then(r=>r.text()).then(t=>{cors=t===n}).catch(()=>{});",
            // No answer comes from the listener: a socket that reached it stays open.
            "const w=new Promise(r=>{try{const k=new WebSocket('",
            probeSocketAddress(nonce, socketPort),
            "');k.onopen=k.onerror=k.onclose=()=>r();setTimeout(r,3000)}catch(e){r()}});",
            "const p=(async()=>{const P=window.RTCPeerConnection;if(!P){webrtc=true;return}let f=0;"
            "const q=new P();q.createDataChannel('p');q.onicecandidate=e=>{if(e.candidate&&e.candidate.candidate)f++};"
            "await q.setLocalDescription(await q.createOffer());await new Promise(r=>{setTimeout(r,3000);"
            "q.onicegatheringstatechange=()=>{if(q.iceGatheringState==='complete')r()}});q.close();webrtc=f===0})()"
            ".catch(()=>{});",
            "Promise.race([Promise.all([c,new Promise(r=>{s.onload=r;s.onerror=r}),w,p]),"
            "new Promise(r=>setTimeout(r,8000))]).then(()=>chrome.webview.postMessage("
            "{type:'vesko-probe',nonce:n,cors,mixed,webrtc}));</script>",
    });
}

}  // namespace vesko
