#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vesko {

// Two characters from "0123456789abcdef" per byte, high nibble first.
std::string toHexLower(std::span<const std::uint8_t> bytes);

// The loader is accepted only when its digest text is a full SHA-256 (64 characters) and
// equals the pinned text byte for byte. No case folding: a pin written in upper case
// matches nothing, and an empty or short pin can never match.
bool matchesPinnedDigest(std::string_view digestHex, std::string_view pinnedHex);

}  // namespace vesko
