// The URL parser, the portal policy built on it, and download file names.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "policy/compiled_config.h"
#include "policy/download_name.h"
#include "policy/download_type.h"
#include "policy/portal_policy.h"
#include "policy/resource_kind.h"
#include "policy/url_parser.h"

namespace vesko {
namespace {

TEST(ParseUrl, SplitsAcceptedForms) {
    // The parse: scheme, host, path, port, default port.
    const struct { std::string_view input; ParsedUrl parsed; } cases[] = {
        // Scheme and host are lower-cased; the path keeps its case.
        {"HTTPS://HOST/A/B?x=1#f", {"https", "host", "/A/B?x=1#f", "", true}},
        // Whatever follows the authority becomes a path that starts with '/'.
        {"http://h", {"http", "h", "/", "", true}},
        {"https://h?x=1", {"https", "h", "/?x=1", "", true}},
        // Ports: text as written, and whether it is the scheme's own.
        {"https://h:443/x", {"https", "h", "/x", "443", true}},
        {"http://h:80", {"http", "h", "/", "80", true}},
        {"https://h:80/", {"https", "h", "/", "80", false}},
        {"https://h:65535/", {"https", "h", "/", "65535", false}},
        // IPv6 literals keep their brackets; their content is not examined.
        {"https://[::FFFF:1]:8443/x", {"https", "[::ffff:1]", "/x", "8443", false}},
        // Only the first "://" separates the scheme; bytes the authority refuses are fine after it.
        {"https://h/r?u=http://x", {"https", "h", "/r?u=http://x", "", true}},
        {"https://h/a@b%20c d\xFF", {"https", "h", "/a@b%20c d\xFF", "", true}},
        // Hosts are not validated beyond the refusals.
        {"https://a_b!$./", {"https", "a_b!$.", "/", "", true}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseUrl(c.input), c.parsed) << c.input;
}

TEST(ParseUrl, RefusesEverythingElse) {
    static constexpr std::string_view kRefused[] = {
        // Not an absolute http(s) URL; empty authority or host.
        "", "h", "about:blank", "ftp://h/", "https:/h", "httpss://h/", " https://h/", "https://", "https:///x",
        "https://?x", "https://:443/",
        // Ports.
        "https://h:/", "https://h:0/", "https://h:0443/", "https://h:65536/", "https://h:123456/", "https://h:8a/",
        "https://a:b:c/",
        // User information, escapes, spaces and non-ASCII bytes in the authority; brackets.
        "https://user@h/", "https://h%2e/", "https://h x/", "https://h\x80/", "https://[::1]x/", "https://[::1/",
        "https://[::1]:/",
    };
    for (std::string_view input : kRefused) EXPECT_FALSE(parseUrl(input).has_value()) << input;
    // Control bytes, DEL and the backslash anywhere; the space is fine in the path.
    std::string refused = "\\\x7F";
    for (int c = 0; c < 0x20; ++c) refused.push_back(static_cast<char>(c));
    for (char c : refused) EXPECT_FALSE(parseUrl(std::string("https://h/") + c).has_value()) << int(c);
    // 16384 bytes at most.
    const std::string longest = "https://h/" + std::string(16374, 'a');
    EXPECT_TRUE(parseUrl(longest).has_value());
    EXPECT_FALSE(parseUrl(longest + "a").has_value());
}

// Rows use {P} for the portal host and {C} for each of the probe and CDN hosts in turn.
// The navigation columns allow about:blank or not; the CDN columns are for images and for
// every other kind.
struct PolicyCase {
    std::string_view url;
    bool portal, blobPortal, portalOrBlob, navigation, navigationOrBlank, cdnScript, cdnImage;
};

constexpr bool T = true;
constexpr bool F = false;

static constexpr PolicyCase kPolicyCases[] = {
    // url                            portal blob either nav  nav+b script image
    {"https://{P}/",                    T,   F,   T,    T,   T,    T,    T},
    {"http://{P}/x",                    T,   F,   T,    T,   T,    T,    T},
    {"https://{P}:8443/x",              F,   F,   F,    F,   F,    F,    F},
    {"https://{P}.evil.test/",          F,   F,   F,    F,   F,    F,    F},
    {"blob:https://{P}/uuid",           F,   T,   T,    T,   T,    T,    T},
    {"BLOB:https://{P}/x",              F,   F,   F,    F,   F,    F,    F},
    {"blob:https://{C}/x",              F,   F,   F,    F,   F,    F,    F},
    {"about:blank",                     F,   F,   F,    F,   T,    F,    F},
    {"about:blank#x",                   F,   F,   F,    F,   F,    F,    F},
    // Inline data only for images.
    {"data:image/svg+xml,<svg/>",       F,   F,   F,    F,   F,    F,    T},
    {"data:image",                      F,   F,   F,    F,   F,    F,    F},
    // CDN hosts on their default port only.
    {"https://{C}/lib.js",              F,   F,   F,    F,   F,    T,    T},
    {"http://{C}:80/x",                 F,   F,   F,    F,   F,    T,    T},
    {"https://{C}:444/x",               F,   F,   F,    F,   F,    F,    F},
    {"https://example.org/",            F,   F,   F,    F,   F,    F,    F},
};

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    if (const auto at = text.find(from); at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(PortalPolicy, DecisionTable) {
    std::vector<std::string_view> cdnHosts{config::kProbeCdnHost};
    cdnHosts.insert(cdnHosts.end(), config::kCdnHosts.begin(), config::kCdnHosts.end());
    for (const auto& c : kPolicyCases) {
        for (std::string_view host : cdnHosts) {
            const std::string url = replaced(replaced(std::string(c.url), "{P}", config::kPortalHost), "{C}", host);
            SCOPED_TRACE(url);
            EXPECT_EQ(PortalPolicy::isPortalUrl(url), c.portal);
            EXPECT_EQ(PortalPolicy::isBlobPortalUrl(url), c.blobPortal);
            EXPECT_EQ(PortalPolicy::isPortalOrBlobUrl(url), c.portalOrBlob);
            EXPECT_EQ(PortalPolicy::isAllowedNavigation(url, false), c.navigation);
            EXPECT_EQ(PortalPolicy::isAllowedNavigation(url, true), c.navigationOrBlank);
            for (ResourceKind kind : kResourceKinds) {
                EXPECT_EQ(PortalPolicy::isAllowedCdnRequest(url, kind),
                          kind == ResourceKind::image ? c.cdnImage : c.cdnScript)
                    << resourceKindName(kind);
            }
            if (c.url.find("{C}") == std::string_view::npos) break;
        }
    }
}

struct NameCase { std::string_view input; std::string_view expected; };

static constexpr NameCase kNameCases[] = {
    // Directory parts go, whichever separator the page used.
    {"C:\\Users\\a\\report.pdf", "report.pdf"}, {"a/b\\c/d.txt", "d.txt"},
    // Forbidden characters and bytes below 0x20 become '_'; DEL and non-ASCII stay.
    {"a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"}, {"a\x1F" "b\x7F\xC3\xA9", "a_b\x7F\xC3\xA9"},
    // Trailing dots and spaces go, and what is left when nothing is.
    {"file. . .", "file"}, {".hidden", ".hidden"}, {"..", "KORDIS_document.pdf"}, {"dir/", "KORDIS_document.pdf"},
    // Device names in any case, with or without extensions.
    {"con", "_con"}, {"PRN.tar.gz", "_PRN.tar.gz"}, {"Aux", "_Aux"}, {"nul.", "_nul"}, {"con .txt", "_con .txt"},
    {"com1.txt", "_com1.txt"}, {"LPT9", "_LPT9"}, {"com\xC2\xB9.txt", "_com\xC2\xB9.txt"},
    {"com0.txt", "com0.txt"}, {"com10.txt", "com10.txt"}, {"com\xC2\xB4.txt", "com\xC2\xB4.txt"},
    {"console.txt", "console.txt"},
};

TEST(SanitizeDownloadName, Table) {
    for (const auto& c : kNameCases) EXPECT_EQ(sanitizeDownloadName(c.input), c.expected) << c.input;
}

TEST(SanitizeDownloadName, InvisibleCharactersGoBeforeAnyOtherRule) {
    static constexpr NameCase kCases[] = {
        // The right-to-left override that makes "fdp.exe" read as "exe.pdf", at either end too.
        {"invoice\xE2\x80\xAE" "fdp.exe", "invoicefdp.exe"}, {"\xE2\x80\xAE" "a.pdf", "a.pdf"},
        {"a.pdf\xE2\x80\xAE", "a.pdf"},
        // Each kind: bidirectional marks, embeddings and isolates, zero-width characters,
        // the soft hyphen, the Arabic letter mark, the Mongolian vowel separator, the byte
        // order mark, a tag character, a variation selector, a Hangul filler, the line separator.
        {"a\xE2\x80\x8B" "b\xE2\x80\x8F" "c\xE2\x80\xAA" "d\xE2\x81\xA0" "e\xE2\x81\xA4" "f", "abcdef"},
        {"a\xE2\x81\xA6" "b\xE2\x81\xA9" "c\xC2\xAD" "d\xD8\x9C" "e\xE1\xA0\x8E" "f\xEF\xBB\xBF" "g", "abcdefg"},
        {"a\xF3\xA0\x80\x81" "b\xEF\xB8\x8F" "c\xE3\x85\xA4" "d\xE2\x80\xA8" "e", "abcde"},
        // Their neighbours stay: a visible hyphen, a no-break space, an Arabic letter, an emoji.
        {"a\xE2\x80\x90" "b\xC2\xA0" "c\xD8\xA8" "d\xF0\x9F\x98\x80", "a\xE2\x80\x90" "b\xC2\xA0" "c\xD8\xA8" "d\xF0\x9F\x98\x80"},
        // The other rules see the name without them: a device name, trailing dots, a
        // name of nothing else, a directory part.
        {"con\xE2\x80\x8B.txt", "_con.txt"}, {"a.pdf.\xE2\x80\x8B", "a.pdf"},
        {"\xE2\x80\x8B\xE2\x80\x8B", "KORDIS_document.pdf"}, {"a\\\xE2\x80\xAE" "b.pdf", "b.pdf"},
        // Bytes that are not well-formed UTF-8 become '_': stray, truncated, overlong,
        // surrogate. Stray bytes around a removed character cannot join into a new one.
        {"a\x80" "b\xE2\x80", "a_b__"}, {"\xC0\xAF" "\xE0\x80\xAE" "\xED\xA0\x80", "________"},
        {"\xE2" "\xE2\x80\xAE" "\x80\xAE.exe", "___.exe"}, {"\xF4\x90\x80\x80", "____"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(sanitizeDownloadName(c.input), c.expected);
    }
}

TEST(IsBlockedDownloadType, ProgramsAndScriptsWhateverTheSpelling) {
    static constexpr struct { std::string_view path; bool blocked; } kCases[] = {
        {"a.exe", true}, {"a.EXE", true}, {"a.Js", true}, {"report.tar.exe", true}, {"x.msixbundle", true},
        {".lnk", true}, {"C:\\Users\\u\\Downloads\\x.exe", true}, {"C:/dir/x.cmd", true}, {"D:x.bat", true},
        // Windows drops trailing dots and spaces; a ':' names a stream of the file before it.
        {"a.exe.", true}, {"a.exe . ", true}, {"a.exe::$DATA", true}, {"a.txt:b.vbs", true}, {"a.exe:", true},
        // Documents stay, also when a blocked extension is not the last one.
        {"a.pdf", false}, {"a.docx", false}, {"a.xlsx", false}, {"a.png", false}, {"a.exe.pdf", false},
        {"exe", false}, {"a.exe_", false}, {"a.exe__$DATA", false}, {"C:\\x.exe\\a.csv", false}, {"", false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(isBlockedDownloadType(c.path), c.blocked);
    }
    // What the name rules make of an alternate stream's name is no program either.
    EXPECT_EQ(sanitizeDownloadName("a.exe::$DATA"), "a.exe__$DATA");
}

TEST(SanitizeDownloadName, LongNamesAreCutAt180BytesOnACharacterBoundary) {
    const std::string a177(177, 'a');
    const std::string a178(178, 'a');
    const struct { std::string input, expected; } cases[] = {
        {std::string(200, 'a'), std::string(180, 'a')},
        // A character across the cut is dropped whole; one ending at the cut stays.
        {a178 + "a\xC3\xA9tail", a178 + "a"}, {a177 + "\xF0\x9F\x98\x80tail", a177},
        {a178 + "\xC3\xA9\x80tail", a178 + "\xC3\xA9"},
        // Trailing dots go before the cut, so a cut may end in one; the device mark counts.
        {a178 + "a.pdf", a178 + "a."}, {"con." + std::string(200, 'x'), "_con." + std::string(175, 'x')},
    };
    for (const auto& c : cases) EXPECT_EQ(sanitizeDownloadName(c.input), c.expected) << c.input.substr(170);
}

}  // namespace
}  // namespace vesko
