#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vesko {

// An absolute http or https URL split into the parts every policy decision looks at.
// Nothing is normalised or decoded: what is not already in the narrow accepted form
// is not parsed at all.
struct ParsedUrl {
    std::string scheme;        // "http" or "https"
    std::string host;          // ASCII lower case, never empty; an IPv6 literal keeps its brackets
    std::string path;          // from the first '/', '?' or '#' after the authority; at least "/"
    std::string port;          // the digits as written, empty when the URL names no port
    bool defaultPort = true;   // no port, or the scheme's own port ("443" / "80") written out

    bool operator==(const ParsedUrl&) const = default;
};

inline constexpr std::size_t kMaxUrlLength = 16384;

// Splits an absolute http(s) URL given as UTF-8 bytes. Anything outside the accepted
// form (user information, escapes or non-ASCII bytes in the authority, control bytes or
// backslashes anywhere, a bad port, other schemes) gives no result; callers treat that
// as a refusal. Never throws for bad input.
std::optional<ParsedUrl> parseUrl(std::string_view url);

}  // namespace vesko
