#include "assets/runtime_probe_page.h"

#include <array>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "policy/compiled_config.h"

namespace vesko {
namespace {

constexpr std::string_view kNonce = "0123456789abcdef0123456789abcdef";

std::string str(std::string_view v) { return std::string(v); }

TEST(RuntimeProbePage, AddressesFollowTheNonceAndTheHosts) {
    const ProbeAddresses a = probeAddresses(kNonce);
    const std::string path = "/__vesko_internal_probe__/" + str(kNonce);
    EXPECT_EQ(probePath(kNonce), path);
    EXPECT_EQ(a.index, "https://" + str(config::kPortalHost) + path + "/index");
    EXPECT_EQ(a.cors, "https://" + str(config::kProbeCdnHost) + path + "/cors");
    EXPECT_EQ(a.mixed, "http://" + str(config::kProbeCdnHost) + path + "/mixed.js");
    // Every address carries the marker that the interception answers 404 outside a probe.
    for (const std::string& url : {a.index, a.cors, a.mixed}) {
        EXPECT_NE(url.find(kProbePathMarker), std::string::npos) << url;
    }
}

TEST(RuntimeProbePage, PageLoadsTheTestAddressesAndPostsTheNonce) {
    const ProbeAddresses a = probeAddresses(kNonce);
    const std::string page = probePage(kNonce);
    // The fixed head ends where the script begins, 198 bytes in (two non-ASCII letters).
    EXPECT_EQ(page.find("<script>") + 8, 198u);
    EXPECT_TRUE(page.starts_with("<!doctype html><meta charset=utf-8><title>Vesko \xc2\xb7 kontrolli"));
    EXPECT_NE(page.find("const n='" + str(kNonce) + "';"), std::string::npos);
    EXPECT_NE(page.find("s.src='" + a.mixed + "';"), std::string::npos);
    EXPECT_NE(page.find("fetch('" + a.cors + "',{cache:'no-store'})"), std::string::npos);
    EXPECT_TRUE(page.ends_with("{type:'vesko-probe',nonce:n,cors,mixed}));</script>"));
}

TEST(RuntimeProbePage, PagesOfTwoNoncesDifferOnlyInTheNonce) {
    const std::string other = "ffffffffffffffffffffffffffffffff";
    std::string page = probePage(kNonce);
    std::string next = probePage(other);
    ASSERT_EQ(page.size(), next.size());
    for (std::size_t at; (at = page.find(kNonce)) != std::string::npos;) {
        page.replace(at, kNonce.size(), other);
    }
    EXPECT_EQ(page, next);
}

TEST(RuntimeProbePage, RefusesWhatIsNotANonce) {
    struct Case {
        std::string_view nonce;
        bool valid;
    };
    static constexpr Case kCases[] = {
            {"0123456789abcdef0123456789abcdef", true},
            {"00000000000000000000000000000000", true},
            {"0123456789abcdef0123456789abcde", false},    // 31
            {"0123456789abcdef0123456789abcdef0", false},  // 33
            {"", false},
            {"0123456789ABCDEF0123456789abcdef", false},   // upper case
            {"0123456789abcdef0123456789abcdeg", false},
            {"0123456789abcdef0123456789abcd'+", false},   // would end the script literal
            {"0123456789abcdef/../../../abcdef", false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.nonce);
        EXPECT_EQ(isProbeNonce(c.nonce), c.valid);
        if (c.valid) {
            EXPECT_NO_THROW(probePage(c.nonce));
        } else {
            for (auto call : {+[](std::string_view n) { (void)probePage(n); },
                              +[](std::string_view n) { (void)probeAddresses(n); },
                              +[](std::string_view n) { (void)probePath(n); }}) {
                try {
                    call(c.nonce);
                    ADD_FAILURE() << "no error";
                } catch (const std::runtime_error& e) {
                    EXPECT_STREQ(e.what(), "BAD_PROBE_NONCE");
                }
            }
        }
    }
}

TEST(RuntimeProbePage, HexLowerIsHighNibbleFirst) {
    EXPECT_EQ(hexLower({}), "");
    const std::array<unsigned char, 6> bytes{0x00, 0x01, 0x0f, 0x10, 0xab, 0xff};
    EXPECT_EQ(hexLower(bytes), "00010f10abff");
    std::array<unsigned char, 16> sixteen{};
    for (std::size_t i = 0; i < sixteen.size(); ++i) sixteen[i] = static_cast<unsigned char>(i * 17);
    const std::string nonce = hexLower(sixteen);
    EXPECT_EQ(nonce, "00112233445566778899aabbccddeeff");
    EXPECT_TRUE(isProbeNonce(nonce));
}

}  // namespace
}  // namespace vesko
