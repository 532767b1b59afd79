#include "policy/url_parser.h"

#include <string>

#include <gtest/gtest.h>

namespace vesko {
namespace {

struct Case {
    std::string_view input;
    std::string_view scheme;
    std::string_view host;
    std::string_view path;
    std::string_view port;
    bool defaultPort;
};

static constexpr Case kAccepted[] = {
    // Scheme and host are lower-cased; the path keeps its case.
    {"HTTPS://HOST/A/B?x=1#f", "https", "host", "/A/B?x=1#f", "", true},
    {"HtTp://Portal.Example/Q", "http", "portal.example", "/Q", "", true},
    // Whatever follows the authority becomes a path that starts with '/'.
    {"https://h", "https", "h", "/", "", true},
    {"https://h?x=1", "https", "h", "/?x=1", "", true},
    {"https://h#top", "https", "h", "/#top", "", true},
    {"https://h/", "https", "h", "/", "", true},
    {"https://h//x", "https", "h", "//x", "", true},
    // Ports: text as written, and whether it is the scheme's own.
    {"https://h:443/x", "https", "h", "/x", "443", true},
    {"https://h:8443/x", "https", "h", "/x", "8443", false},
    {"http://h:80", "http", "h", "/", "80", true},
    {"https://h:80/", "https", "h", "/", "80", false},
    {"http://h:443/", "http", "h", "/", "443", false},
    {"https://h:1/", "https", "h", "/", "1", false},
    {"https://h:65535/", "https", "h", "/", "65535", false},
    {"https://h:443?q", "https", "h", "/?q", "443", true},
    // IPv6 literals keep their brackets; their content is not examined.
    {"https://[::1]:8443/x", "https", "[::1]", "/x", "8443", false},
    {"https://[::1]/", "https", "[::1]", "/", "", true},
    {"https://[::FFFF:1]", "https", "[::ffff:1]", "/", "", true},
    // Only the first "://" separates the scheme.
    {"https://h/r?u=http://x", "https", "h", "/r?u=http://x", "", true},
    {"https://h?u=https://evil/", "https", "h", "/?u=https://evil/", "", true},
    // Bytes the authority refuses are fine after it.
    {"https://h/a@b%20c d", "https", "h", "/a@b%20c d", "", true},
    {"https://h/\xC3\xA9", "https", "h", "/\xC3\xA9", "", true},
    {"https://h/\xFF", "https", "h", "/\xFF", "", true},
    // Hosts are not validated beyond the refusals.
    {"https://h./", "https", "h.", "/", "", true},
    {"https://0x7f.1/", "https", "0x7f.1", "/", "", true},
    {"https://a_b!$/", "https", "a_b!$", "/", "", true},
};

TEST(ParseUrl, SplitsAcceptedForms) {
    for (const auto& c : kAccepted) {
        SCOPED_TRACE(c.input);
        const auto parsed = parseUrl(c.input);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->scheme, c.scheme);
        EXPECT_EQ(parsed->host, c.host);
        EXPECT_EQ(parsed->path, c.path);
        EXPECT_EQ(parsed->port, c.port);
        EXPECT_EQ(parsed->defaultPort, c.defaultPort);
    }
}

static constexpr std::string_view kRefused[] = {
    // Not an absolute http(s) URL.
    "", "h", "ht", "://", "ftp://h/", "https:/h", "https:h", "about:blank",
    "data:image/png;base64,AAAA", "blob:https://h/x", "ws://h/", "httpss://h/", " https://h/",
    "https ://h/", "file:///C:/Windows/",
    // Empty authority or host.
    "https://", "https:///x", "https://?x", "https://#x", "https://:443/",
    "https:////h/",
    // Ports.
    "https://h:/", "https://h:", "https://h:0/", "https://h:65536/", "https://h:0443/",
    "https://h:123456/", "https://h:8a/", "https://h:-1/", "https://h:+443/", "https://h: 443/",
    "https://h:99999/", "https://a:b:c/", "https://h:443:443/",
    // User information, escapes, spaces.
    "https://user@h/", "https://user:pw@h/", "https://@h/", "https://h%2e/", "https://%68/",
    "https://h x/", "https://h /",
    // Control bytes, DEL and backslashes anywhere.
    "https://h/a\\b", "https:\\\\h/", "https://h\\x/", "https://h/a\nb", "https://h/a\rb",
    "https://h\t/", "https://h/\x7F", "https://h/\x01", "\x01https://h/",
    // Non-ASCII in the authority.
    "https://h\xC3\xA9/", "https://\xEF\xBC\x8E/", "https://h:44\xD9\xA3/",
    // Bracketed hosts.
    "https://[::1]x/", "https://[::1/", "https://[::1]:/", "https://[::1]]/",
    // Doubled schemes.
    "https://https://h/",
};

TEST(ParseUrl, RefusesEverythingElse) {
    for (std::string_view input : kRefused) {
        SCOPED_TRACE(testing::PrintToString(std::string(input)));
        EXPECT_FALSE(parseUrl(input).has_value());
    }
}

TEST(ParseUrl, NulInsideTheStringIsRefused) {
    using namespace std::string_literals;
    EXPECT_FALSE(parseUrl("https://h/\0x"s).has_value());
    EXPECT_FALSE(parseUrl("https://h\0.evil/"s).has_value());
}

TEST(ParseUrl, EveryRefusedByteRefusesInHostAndPath) {
    std::string refused = "\\\x7F";
    for (int c = 0; c < 0x20; ++c) refused.push_back(static_cast<char>(c));
    for (char c : refused) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c)));
        EXPECT_FALSE(parseUrl(std::string("https://h") + c + "x/").has_value());
        EXPECT_FALSE(parseUrl(std::string("https://h/") + c).has_value());
        EXPECT_FALSE(parseUrl(std::string("https://h/?q=") + c).has_value());
    }
}

TEST(ParseUrl, LengthLimitIsInclusive) {
    const std::string prefix = "https://h/";
    const std::string longest = prefix + std::string(kMaxUrlLength - prefix.size(), 'a');
    ASSERT_EQ(longest.size(), 16384u);
    const auto parsed = parseUrl(longest);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->path.size(), kMaxUrlLength - prefix.size() + 1);
    EXPECT_FALSE(parseUrl(longest + "a").has_value());
}

}  // namespace
}  // namespace vesko
