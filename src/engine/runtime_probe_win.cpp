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
    nonce_ = randomHex(kProbeNonceBytes);
    running_ = true;
    return toWide(probeAddresses(nonce_).index);
}

std::optional<ProbeVerdictStatus> RuntimeProbe::finish(bool cors, bool mixed) {
    if (!running_) return std::nullopt;
    running_ = false;
    passed_ = cors && mixed;
    return probeVerdictStatus(cors, mixed);
}

}  // namespace vesko
