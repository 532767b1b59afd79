// The engine's pure pieces: result texts, error codes, hex digests and the pin check.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine/hresult_text.h"
#include "engine/loader_digest.h"

namespace vesko {
namespace {

TEST(HresultHex, LowerCaseWithoutLeadingZeros) {
    struct Case {
        std::uint32_t input;
        const char* expected;
    };
    static constexpr Case kCases[] = {
        {0x0, "0x0"},                // success: one zero, not an empty text
        {0x1, "0x1"},                // S_FALSE
        {0x80070005, "0x80070005"},  // E_ACCESSDENIED
        {0x80004005, "0x80004005"},  // E_FAIL
        {0x8007139f, "0x8007139f"},  // lower-case letters
        {0x00abcdef, "0xabcdef"},
        {0xffffffff, "0xffffffff"},  // sign bit set: no sign, no widening to 64 bits
        {0x10, "0x10"},              // a zero that is not leading stays
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(hresultHex(static_cast<std::int32_t>(c.input)), c.expected);
    }
}

std::string thrownBy(std::int32_t result, const char* code) {
    try {
        ThrowIfFailed(result, code);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

TEST(ThrowIfFailed, OnlyNegativeResultsThrowWithTheirCode) {
    EXPECT_EQ(thrownBy(static_cast<std::int32_t>(0x80070005), "WEBVIEW_ENVIRONMENT_FAILED"),
              "WEBVIEW_ENVIRONMENT_FAILED 0x80070005");
    EXPECT_EQ(thrownBy(static_cast<std::int32_t>(0x80000000), "X"), "X 0x80000000");
    EXPECT_EQ(thrownBy(0, "X"), "no error");
    EXPECT_EQ(thrownBy(1, "X"), "no error");           // S_FALSE succeeds
    EXPECT_EQ(thrownBy(0x7fffffff, "X"), "no error");  // largest success code
}

TEST(ToHexLower, TwoDigitsPerByteHighNibbleFirst) {
    const std::array<std::uint8_t, 5> bytes{0x00, 0x0f, 0xf0, 0xab, 0x7e};
    EXPECT_EQ(toHexLower(bytes), "000ff0ab7e");
    EXPECT_EQ(toHexLower({}), "");
}

TEST(MatchesPinnedDigest, WholeLowerCaseDigestOnly) {
    const std::string digest = "2d64a312551930dc56612cf358fcfd23133c0596a88c3ec1c467c392ff00b493";
    std::string upper = digest;
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    struct Case {
        const char* name;
        std::string actual;
        std::string pinned;
        bool expected;
    };
    const Case cases[] = {
        {"equal", digest, digest, true},
        {"pin in upper case", digest, upper, false},
        {"one digit differs", digest, digest.substr(0, 63) + "4", false},
        {"empty pin", digest, "", false},
        {"both empty", "", "", false},
        {"both short and equal", "abcd", "abcd", false},
        {"pin with a trailing blank", digest, digest + " ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(matchesPinnedDigest(c.actual, c.pinned), c.expected);
    }
}

}  // namespace
}  // namespace vesko
