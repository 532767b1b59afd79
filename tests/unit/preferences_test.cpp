#include "app/preferences.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace vesko {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

struct Case {
    const char* name;
    std::string_view text;
    bool warnOnClose;
};

static constexpr Case kCases[] = {
    // Usable documents.
    {"false turns the warning off", R"({"warnOnClose": false})", false},
    {"true", R"({"warnOnClose": true})", true},
    {"as written", "{\n  \"warnOnClose\": false\n}\n", false},
    {"other members are ignored", R"({"theme": "dark", "warnOnClose": false, "x": [1, {"y": null}]})", false},
    {"member absent", R"({"other": false})", true},
    {"empty object", "{}", true},
    {"byte order mark", "\xEF\xBB\xBF{\"warnOnClose\": false}", false},
    // Values that are not a JSON boolean leave the warning on.
    {"number 0", R"({"warnOnClose": 0})", true},
    {"string false", R"({"warnOnClose": "false"})", true},
    {"null", R"({"warnOnClose": null})", true},
    {"array", R"({"warnOnClose": [false]})", true},
    // Not an object.
    {"array document", "[false]", true},
    {"bare false", "false", true},
    {"string document", R"("warnOnClose")", true},
    // Not strict JSON.
    {"empty file", "", true},
    {"only white space", " \n\t", true},
    {"comment", "// off\n{\"warnOnClose\": false}", true},
    {"block comment", "{/* off */\"warnOnClose\": false}", true},
    {"trailing comma", R"({"warnOnClose": false,})", true},
    {"single quotes", "{'warnOnClose': false}", true},
    {"capitalised False", R"({"warnOnClose": False})", true},
    {"two documents", R"({"warnOnClose": false}{})", true},
    {"cut short", R"({"warnOnClose": fal)", true},
    {"key in another case", R"({"WarnOnClose": false})", true},
    {"invalid UTF-8 in a member", "{\"n\xFF\": 1, \"warnOnClose\": false}", true},
};

TEST(Preferences, Parse) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parsePreferences(bytesOf(c.text)).warnOnClose, c.warnOnClose);
    }
}

TEST(Preferences, SizeLimit) {
    // A valid document padded with spaces to exactly the limit is read; one byte more
    // makes the file unusable.
    std::string text = R"({"warnOnClose": false})";
    text.append(8192 - text.size(), ' ');
    EXPECT_FALSE(parsePreferences(bytesOf(text)).warnOnClose);
    text.push_back(' ');
    EXPECT_TRUE(parsePreferences(bytesOf(text)).warnOnClose);
    text.append(9000 - text.size(), ' ');
    EXPECT_TRUE(parsePreferences(bytesOf(text)).warnOnClose);
}

TEST(Preferences, DeepNestingIsJustUnusable) {
    std::string text = R"({"warnOnClose": false, "x": )";
    text.append(4000, '[');
    EXPECT_TRUE(parsePreferences(bytesOf(text)).warnOnClose);
    text.append(4000, ']');
    text.push_back('}');
    EXPECT_FALSE(parsePreferences(bytesOf(text)).warnOnClose);
}

TEST(Preferences, WrittenFormByteForByte) {
    const std::string on = serializePreferences({true});
    const std::string off = serializePreferences({false});
    EXPECT_EQ(on, "{\n  \"warnOnClose\": true\n}\n");
    EXPECT_EQ(off, "{\n  \"warnOnClose\": false\n}\n");
    EXPECT_EQ(on.size(), 26u);
    EXPECT_EQ(off.size(), 27u);
}

TEST(Preferences, RoundTripDropsOtherMembers) {
    const auto read = parsePreferences(bytesOf(R"({"theme": "dark", "warnOnClose": false})"));
    EXPECT_EQ(serializePreferences(read), "{\n  \"warnOnClose\": false\n}\n");
    for (bool value : {true, false}) {
        EXPECT_EQ(parsePreferences(bytesOf(serializePreferences({value}))).warnOnClose, value);
    }
}

}  // namespace
}  // namespace vesko
