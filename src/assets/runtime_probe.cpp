#include "assets/runtime_probe.h"

#include "assets/runtime_probe_page.h"

namespace vesko {

ProbeVerdictStatus probeVerdictStatus(const ProbeFindings& findings) {
    if (findings.passed()) return {"Parametrat u verifikuan. Local Assets \xC3\xABsht\xC3\xAB aktiv.", 10};
    std::string text =
        "Motori nuk kaloi kontrollin e parametrave. P\xC3\xABrdit\xC3\xABso WebView2 dhe ruaj "
        "diagnostik\xC3\xABn nga menuja. CORS=";
    text += findings.cors ? '1' : '0';
    text += ", HTTP=";
    text += findings.mixed ? '1' : '0';
    text += ", DNS=";
    text += findings.dns ? '1' : '0';
    text += ", WebRTC=";
    text += findings.webrtc ? '1' : '0';
    return {text, 0};
}

std::string probeIndexAddress(std::string_view nonce) {
    return isProbeNonce(nonce) ? probeAddresses(nonce).index : std::string();
}

}  // namespace vesko
