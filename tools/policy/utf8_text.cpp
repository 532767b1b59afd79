#include "utf8_text.h"

#include <cstddef>

namespace vesko::tool {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool inRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// Length of the well-formed sequence starting at `at`, or 0. Overlong forms, surrogates
// and values above U+10FFFF are not well-formed.
std::size_t wellFormedLength(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t k) {
        return at + k < s.size() ? static_cast<unsigned char>(s[at + k]) : 0;
    };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80) return 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    std::size_t length = 0;
    if (inRange(b0, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(b0, 0xE0, 0xEF)) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (inRange(b0, 0xF0, 0xF4)) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (!inRange(byte(1), low, high)) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (!inRange(byte(k), 0x80, 0xBF)) return 0;
    }
    return length;
}

}  // namespace

std::string replaceInvalidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = wellFormedLength(bytes, at);
        if (length == 0) {
            out.append(kReplacement);
            ++at;
        } else {
            out.append(bytes.substr(at, length));
            at += length;
        }
    }
    return out;
}

}  // namespace vesko::tool
