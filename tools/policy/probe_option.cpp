#include "probe_option.h"

#include <string>

#include "assets/runtime_probe_page.h"

namespace vesko::tool {

std::optional<int> runProbeOption(std::string_view option, std::string_view nonce,
                                  std::ostream& out, std::ostream& err) {
    if (option != "--probe-page" && option != "--probe-addresses") return std::nullopt;
    if (!isProbeNonce(nonce)) {
        err << "vesko-policy: " << option << " needs a nonce of " << kProbeNonceLength
                << " lower-case hexadecimal characters\n";
        return 2;
    }
    if (option == "--probe-page") {
        const std::string page = probePage(nonce);
        out.write(page.data(), static_cast<std::streamsize>(page.size()));
    } else {
        const ProbeAddresses addresses = probeAddresses(nonce);
        out << addresses.index << '\n' << addresses.cors << '\n' << addresses.mixed << '\n';
    }
    out.flush();
    return out ? 0 : 1;
}

}  // namespace vesko::tool
