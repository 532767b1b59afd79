#include "assets/regex_filter.h"

#include <gtest/gtest.h>

namespace vesko {
namespace {

struct NumberCase {
    const char* pattern;
    bool fits;
};

TEST(RegexFilter, RefusesOnlyNumbersTheLibraryWouldOverflow) {
    const NumberCase cases[] = {
        {R"(https://cdn\.example/lib-3\.7\.1\.js)", true},
        {R"(https://h/12345678901234567890\.js)", true},  // a literal digit run
        {R"((a)\1)", true},
        {R"((a)\123456789)", true},
        {R"((a)\1234567890)", false},
        {R"(a{123456789})", true},
        {R"(a{1234567890})", false},
        {R"(a{1,1234567890})", false},
        {R"(a{2,3}b,12345678901234)", true},  // the comma after the brace is literal
        {R"(\\12345678901234)", true},  // an escaped backslash, then literal digits
        {R"(x\)", true},
        {"", true},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(regexNumbersFit(c.pattern), c.fits);
    }
}

TEST(RegexFilter, CompilesOrReportsComplexity) {
    EXPECT_TRUE(std::regex_match("https://h/a-1.js", compileRegexFilter(R"(https://h/a-\d\.js)")));
    for (const std::string pattern : {std::string(1025, 'a'), std::string(R"((a)\2222222222222222222222)")}) {
        try {
            compileRegexFilter(pattern);
            ADD_FAILURE() << "compiled " << pattern.substr(0, 40);
        } catch (const std::regex_error& e) {
            EXPECT_EQ(e.code(), std::regex_constants::error_complexity);
        }
    }
    EXPECT_THROW(compileRegexFilter("https://(x"), std::regex_error);
}

}  // namespace
}  // namespace vesko
