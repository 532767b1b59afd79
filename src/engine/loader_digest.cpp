#include "engine/loader_digest.h"

namespace vesko {

std::string toHexLower(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0xfu]);
    }
    return text;
}

bool matchesPinnedDigest(std::string_view digestHex, std::string_view pinnedHex) {
    return digestHex.size() == 64 && digestHex == pinnedHex;
}

}  // namespace vesko
