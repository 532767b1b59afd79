#pragma once

#include <cstddef>
#include <regex>
#include <string>
#include <string_view>

namespace vesko {

// Regex libraries compile and match recursively, about one stack frame per pattern byte
// and per text byte; a few thousand bytes are enough to overflow the 1 MiB stack of a
// Windows UI thread. Real CDN rules are a few hundred bytes long.
inline constexpr std::size_t kMaxRegexFilterLength = 1024;
// Back-reference numbers and repetition counts longer than this overflow the integer the
// standard library reads them into (undefined behaviour); no real rule needs more.
inline constexpr std::size_t kMaxRegexNumberDigits = 9;

// True when every back-reference number and repetition count has at most
// kMaxRegexNumberDigits digits.
bool regexNumbersFit(std::string_view pattern);

// Compiles a rule's "regexFilter" (ECMAScript grammar, default flags). Throws
// std::regex_error: error_complexity for a pattern that is too long or has an oversized
// number, otherwise whatever the library reports for a malformed pattern.
std::regex compileRegexFilter(const std::string& pattern);

}  // namespace vesko
