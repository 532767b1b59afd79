#include "policy/download_name.h"

#include <array>

namespace vesko {
namespace {

bool isForbiddenByte(unsigned char c) {
    if (c < 0x20) return true;
    switch (c) {
        case '<': case '>': case ':': case '"': case '/': case '\\': case '|': case '?': case '*':
            return true;
        default:
            return false;
    }
}

char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDeviceDigit(std::string_view digit) {
    // Windows also counts the Latin-1 superscripts one to three (UTF-8 C2 B9, C2 B2,
    // C2 B3) as digits of COM and LPT device names.
    static constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
    for (std::string_view s : kSuperscripts) {
        if (digit == s) return true;
    }
    return false;
}

// Windows opens a device instead of a file when the part of the name before the first
// dot, with trailing spaces ignored, is a device name in any letter case: "con.txt" and
// "con .txt" both name the console.
bool isDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    if (stem.size() < 3) return false;
    std::string prefix;
    for (char c : stem.substr(0, 3)) prefix.push_back(toLowerAscii(c));
    const std::string_view rest = stem.substr(3);
    if (rest.empty()) return prefix == "con" || prefix == "prn" || prefix == "aux" || prefix == "nul";
    return (prefix == "com" || prefix == "lpt") && isDeviceDigit(rest);
}

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xC0 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    return 1;
}

// The longest prefix of at most `limit` bytes that does not end inside a multi-byte
// character. Looks back at most three bytes, so bytes that are not UTF-8 at all can
// never shorten the name by more than that.
std::size_t utf8CutPoint(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    if (!isContinuationByte(static_cast<unsigned char>(text[limit]))) return limit;
    for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
        const auto c = static_cast<unsigned char>(text[limit - back]);
        if (isContinuationByte(c)) continue;
        return sequenceLength(c) > back ? limit - back : limit;
    }
    return limit;
}

}  // namespace

std::string sanitizeDownloadName(std::string_view name) {
    if (const std::size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }

    std::string result(name);
    for (char& c : result) {
        if (isForbiddenByte(static_cast<unsigned char>(c))) c = '_';
    }

    // Windows drops trailing dots and spaces, so a name ending in them is saved under
    // another name than the one shown.
    while (!result.empty() && (result.back() == '.' || result.back() == ' ')) result.pop_back();
    // Trimming has already turned "." and ".." into the empty name.
    if (result.empty()) return std::string(kDefaultDownloadName);

    if (isDeviceName(result)) result.insert(0, 1, '_');

    result.resize(utf8CutPoint(result, kMaxDownloadNameBytes));
    return result;
}

}  // namespace vesko
