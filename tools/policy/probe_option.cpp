#include "probe_option.h"

#include <charconv>
#include <cstdint>
#include <string>

#include "assets/runtime_probe_page.h"

namespace vesko::tool {

std::optional<int> runProbeOption(std::string_view option, std::string_view nonce, std::string_view port,
                                  std::ostream& out, std::ostream& err) {
    if (option != "--probe-page" && option != "--probe-addresses") return std::nullopt;
    unsigned portNumber = 0;
    if (!port.empty()) {
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), portNumber);
        if (option != "--probe-page" || error != std::errc() || end != port.data() + port.size() ||
            portNumber > 65535) {
            err << "vesko-policy: " << option << " takes a port from 0 to 65535 after the nonce\n";
            return 2;
        }
    }
    if (!isProbeNonce(nonce)) {
        err << "vesko-policy: " << option << " needs a nonce of " << kProbeNonceLength
                << " lower-case hexadecimal characters\n";
        return 2;
    }
    if (option == "--probe-page") {
        const std::string page = probePage(nonce, static_cast<std::uint16_t>(portNumber));
        out.write(page.data(), static_cast<std::streamsize>(page.size()));
    } else {
        const ProbeAddresses addresses = probeAddresses(nonce);
        out << addresses.index << '\n' << addresses.cors << '\n' << addresses.mixed << '\n';
    }
    out.flush();
    return out ? 0 : 1;
}

}  // namespace vesko::tool
