// Fuzzes the download name sanitizer: whatever the page suggests, the result must be a
// short, non-empty, single-component name Windows stores as shown.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "policy/download_name.h"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t length;
        std::uint32_t value;
        if (c < 0x80) { ++i; continue; }
        if (c >= 0xC2 && c <= 0xDF) { length = 2; value = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { length = 3; value = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { length = 4; value = c & 0x07; }
        else return false;
        if (i + length > s.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000)) return false;
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

bool isForbidden(unsigned char c) {
    return c < 0x20 || std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool isDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    const std::string lower = lowerAscii(stem);
    if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") return true;
    if (lower.size() == 4 && (lower.starts_with("com") || lower.starts_with("lpt")))
        return lower[3] >= '1' && lower[3] <= '9';
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string safe = vesko::sanitizeDownloadName(name);

    require(!safe.empty());
    require(safe.size() <= vesko::kMaxDownloadNameBytes);
    for (char c : safe) require(!isForbidden(static_cast<unsigned char>(c)));
    require(safe != "." && safe != "..");
    require(!isDeviceName(safe));
    require(isValidUtf8(safe));
    // No bidirectional override or zero-width space, however the bytes around it were mangled.
    require(safe.find("\xE2\x80\xAE") == std::string::npos && safe.find("\xE2\x80\x8B") == std::string::npos);

    // A trailing dot or space survives only where the 180-byte cut made it the end. The
    // cut drops at most an incomplete three-byte tail, and the device prefix may be what
    // pushed the name over the limit.
    const bool cut = safe.size() + 3 >= vesko::kMaxDownloadNameBytes && name.size() + 1 > vesko::kMaxDownloadNameBytes;
    if (safe.back() == '.' || safe.back() == ' ') require(cut);

    // Apart from a cut that ends in a dot or space, a safe name stays as it is.
    if (safe.back() != '.' && safe.back() != ' ') require(vesko::sanitizeDownloadName(safe) == safe);
    return 0;
}
