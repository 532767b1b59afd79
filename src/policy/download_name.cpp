#include "policy/download_name.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vesko {
namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// Characters a name must not carry because they cannot be seen: every format character
// (general category Cf: the bidirectional controls that make "fdp.exe" read as "exe.pdf",
// zero-width spaces and joiners, the soft hyphen, the tag characters), every default-
// ignorable code point (fillers and variation selectors that render as nothing), and the
// line and paragraph separators. The whole categories rather than a list of known tricks:
// none of them belongs in a document's file name, and a shorter list would age with
// every Unicode version. Unicode 15.1.
constexpr std::array<CodePointRange, 25> kInvisibleRanges{{
    {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x0600, 0x0605}, {0x061C, 0x061C}, {0x06DD, 0x06DD},
    {0x070F, 0x070F}, {0x0890, 0x0891}, {0x08E2, 0x08E2}, {0x115F, 0x1160}, {0x17B4, 0x17B5},
    {0x180B, 0x180F}, {0x200B, 0x200F}, {0x2028, 0x202E}, {0x2060, 0x206F}, {0x3164, 0x3164},
    {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFFB}, {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
}};

bool isInvisible(char32_t c) {
    for (const CodePointRange& range : kInvisibleRanges) {
        if (c < range.first) return false;
        if (c <= range.last) return true;
    }
    return false;
}

struct Decoded {
    char32_t codePoint;
    std::size_t length;
};

// One well-formed UTF-8 character at the start of `text`: no overlong forms, no
// surrogates, nothing above U+10FFFF.
std::optional<Decoded> decodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return Decoded{lead, 1};
    struct Form {
        std::size_t length;
        unsigned char leadBits;
        char32_t minimum;
    };
    const std::optional<Form> form = lead >= 0xC2 && lead <= 0xDF   ? Form{2, 0x1F, 0x80}
                                     : lead >= 0xE0 && lead <= 0xEF ? Form{3, 0x0F, 0x800}
                                     : lead >= 0xF0 && lead <= 0xF4 ? Form{4, 0x07, 0x10000}
                                                                    : std::optional<Form>();
    if (!form) return std::nullopt;
    const std::size_t length = form->length;
    char32_t value = lead & form->leadBits;
    if (text.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (c & 0x3F);
    }
    if (value < form->minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    return Decoded{value, length};
}

// Drops the invisible characters and turns every byte that is not part of well-formed
// UTF-8 into '_'. Replacing rather than keeping those bytes matters: with the character
// between them gone, the stray bytes on either side could join into the very character
// just removed ("\xE2" + U+202E + "\x80\xAE").
std::string withoutInvisibleCharacters(std::string_view name) {
    std::string result;
    result.reserve(name.size());
    while (!name.empty()) {
        const std::optional<Decoded> decoded = decodeUtf8(name);
        if (!decoded) {
            result.push_back('_');
            name.remove_prefix(1);
            continue;
        }
        if (!isInvisible(decoded->codePoint)) result.append(name.substr(0, decoded->length));
        name.remove_prefix(decoded->length);
    }
    return result;
}

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

// The longest prefix of at most `limit` bytes that does not end inside a character. The
// text is well-formed UTF-8 by then, so a continuation byte at the cut belongs to a
// character that began before it.
std::size_t utf8CutPoint(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t cut = limit;
    while (cut > 0 && isContinuationByte(static_cast<unsigned char>(text[cut]))) --cut;
    return cut;
}

}  // namespace

std::string sanitizeDownloadName(std::string_view suggested) {
    // First, so that no later rule is fooled by a character nobody sees: "con\u200B" is a
    // device name, "a.pdf\u200B" ends in "pdf".
    const std::string visible = withoutInvisibleCharacters(suggested);
    std::string_view name = visible;
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
