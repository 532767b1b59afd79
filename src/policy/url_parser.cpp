#include "policy/url_parser.h"

namespace vesko {
namespace {

constexpr std::string_view kSchemeSeparator = "://";

// Control bytes and DEL could be silently dropped by another parser and the backslash
// is a path separator to some of them; refusing them keeps every reader of the URL on
// the same authority.
bool isRefusedByte(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '\\';
}

char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (toLowerAscii(text[i]) != lower[i]) return false;
    }
    return true;
}

std::string lowerCased(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = toLowerAscii(c);
    return out;
}

// 1 to 5 digits, no leading zero, value 1..65535. Refusing leading zeros keeps the
// text a canonical spelling of the number, so text comparison equals numeric comparison.
bool isValidPort(std::string_view text) {
    if (text.empty() || text.size() > 5 || text.front() == '0') return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

std::optional<ParsedUrl> parseUrl(std::string_view url) {
    if (url.empty() || url.size() > kMaxUrlLength) return std::nullopt;
    for (unsigned char c : url) {
        if (isRefusedByte(c)) return std::nullopt;
    }

    const std::size_t separator = url.find(kSchemeSeparator);
    if (separator == std::string_view::npos) return std::nullopt;
    const std::string_view schemeText = url.substr(0, separator);
    const bool https = equalsIgnoringAsciiCase(schemeText, "https");
    if (!https && !equalsIgnoringAsciiCase(schemeText, "http")) return std::nullopt;

    const std::size_t authorityStart = separator + kSchemeSeparator.size();
    const std::size_t authorityEnd = url.find_first_of("/?#", authorityStart);
    const std::string_view authority = url.substr(
        authorityStart,
        authorityEnd == std::string_view::npos ? std::string_view::npos : authorityEnd - authorityStart);
    if (authority.empty()) return std::nullopt;

    // User information and escaped or spaced hosts are never accepted: they are how an
    // address is made to look like one host while naming another.
    constexpr std::string_view kRefusedInAuthority = "@% \t\r\n";
    if (authority.find_first_of(kRefusedInAuthority) != std::string_view::npos) return std::nullopt;
    // Host names must already be in their ASCII form.
    for (unsigned char c : authority) {
        if (c >= 0x80) return std::nullopt;
    }

    std::string_view hostText;
    std::string_view portText;
    if (authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        hostText = authority.substr(0, close + 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            portText = rest.substr(1);
        }
    } else {
        const std::size_t colon = authority.find(':');
        hostText = authority.substr(0, colon);
        if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
    }
    if (hostText.empty()) return std::nullopt;

    ParsedUrl result;
    if (portText.empty()) {
        // "h:" names a port and then gives none.
        if (authority.back() == ':') return std::nullopt;
        result.defaultPort = true;
    } else {
        if (!isValidPort(portText)) return std::nullopt;
        result.defaultPort = portText == (https ? "443" : "80");
        result.port = std::string(portText);
    }

    result.scheme = https ? "https" : "http";
    result.host = lowerCased(hostText);
    if (authorityEnd == std::string_view::npos) {
        result.path = "/";
    } else {
        const std::string_view rest = url.substr(authorityEnd);
        if (rest.front() != '/') result.path = "/";
        result.path.append(rest);
    }
    return result;
}

}  // namespace vesko
