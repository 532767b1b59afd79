#include "assets/runtime_probe_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <stdexcept>
#include <vector>

#include "base/wide_text_win.h"
#include "assets/runtime_probe.h"
#include "assets/runtime_probe_page.h"
#include "policy/portal_policy.h"

namespace vesko {

std::string randomHex(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    if (count > 0 && !BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(count),
                                                     BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        throw std::runtime_error("RANDOM_FAILED");
    }
    return hexLower(bytes);
}

void startRuntimeProbe(BrowserApp& app, const std::shared_ptr<BrowserApp::Tab>& tab) {
    std::string nonce = randomHex(kProbeNonceBytes);
    app.probeNonce = std::move(nonce);
    app.probeRunning = true;
    if (app.window != nullptr) SetTimer(app.window, kProbeTimerId, kProbeTimeoutMs, nullptr);
    app.setStatus(toWide(kProbeRunningStatus.text), kProbeRunningStatus.seconds);
    // A failed navigation is not looked at: the time-out ends such a probe.
    if (tab && tab->webview) tab->webview->Navigate(toWide(probeAddresses(app.probeNonce).index).c_str());
}

void BrowserApp::completeRuntimeProbe(const std::shared_ptr<Tab>& tab, bool cors, bool mixed) {
    // Only the first verdict of a probe counts: a late message or a late time-out finds
    // the probe over.
    if (!probeRunning) return;
    probeRunning = false;
    if (window != nullptr) KillTimer(window, kProbeTimerId);
    probePassed = cors && mixed;
    const ProbeVerdictStatus status = probeVerdictStatus(cors, mixed);
    setStatus(toWide(status.text), status.seconds);
    if (probePassed && tab && tab->webview) {
        tab->webview->Navigate(toWide(PortalPolicy::portalStartUrl()).c_str());
    }
}

}  // namespace vesko
