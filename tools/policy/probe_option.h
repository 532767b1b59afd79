#pragma once
// The runtime probe's page and addresses for a given nonce, as the browser serves them.

#include <optional>
#include <ostream>
#include <string_view>

namespace vesko::tool {

// Handles "--probe-page NONCE [PORT]" (the page's exact bytes, nothing added; PORT is the
// listener's, empty for 0) and "--probe-addresses NONCE" (the index, cors and mixed
// addresses, one per line). Returns the exit status, or nothing when `option` is neither.
std::optional<int> runProbeOption(std::string_view option, std::string_view nonce, std::string_view port,
                                  std::ostream& out, std::ostream& err);

}  // namespace vesko::tool
