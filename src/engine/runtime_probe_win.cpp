#include "engine/runtime_probe_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <stdexcept>
#include <vector>

#include "assets/runtime_probe_page.h"
#include "base/wide_text_win.h"

namespace vesko {

std::string randomHex(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    if (count > 0 && !BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(count),
                                                     BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        throw std::runtime_error("RANDOM_FAILED");
    }
    return hexLower(bytes);
}

std::wstring RuntimeProbe::start() {
    std::string nonce = randomHex(kProbeNonceBytes);
    nonce_ = std::move(nonce);
    socket_ = std::make_unique<ProbeSocket>();
    socket_->open();
    running_ = true;
    return toWide(probeAddresses(nonce_).index);
}

std::optional<ProbeVerdictStatus> RuntimeProbe::finish(ProbeFindings findings) {
    if (!running_) return std::nullopt;
    running_ = false;
    // A listener that could not be opened proves nothing.
    findings.dns = socket_ && socket_->isOpen() && !socket_->reached();
    socket_.reset();
    passed_ = findings.passed();
    return probeVerdictStatus(findings);
}

}  // namespace vesko
