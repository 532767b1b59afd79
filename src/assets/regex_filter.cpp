#include "assets/regex_filter.h"

namespace vesko {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t digitRun(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && isDigit(text[end])) ++end;
    return end - from;
}

}  // namespace

bool regexNumbersFit(std::string_view pattern) {
    // Counts the digit runs that the library turns into numbers: after a backslash
    // (back-references) and at the start of a brace or after its comma (repetition
    // counts). Runs elsewhere are literal characters and cost nothing. Digits inside a
    // bracket expression are counted too; that only ever refuses oddities like "[{0123456789]".
    bool inBrace = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        std::size_t run = 0;
        if (c == '\\') {
            if (i + 1 >= pattern.size()) break;
            run = digitRun(pattern, i + 1);
            if (run == 0) ++i;  // an escaped character, never the start of anything
        } else if (c == '{') {
            inBrace = true;
            run = digitRun(pattern, i + 1);
        } else if (c == ',' && inBrace) {
            run = digitRun(pattern, i + 1);
        } else if (c == '}') {
            inBrace = false;
        }
        if (run > kMaxRegexNumberDigits) return false;
        i += run;
    }
    return true;
}

std::regex compileRegexFilter(const std::string& pattern) {
    if (pattern.size() > kMaxRegexFilterLength || !regexNumbersFit(pattern)) {
        throw std::regex_error(std::regex_constants::error_complexity);
    }
    return std::regex(pattern, std::regex::ECMAScript);
}

}  // namespace vesko
