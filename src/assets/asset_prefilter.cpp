#include "assets/asset_prefilter.h"

#include <algorithm>

namespace vesko {
namespace {

// Escaped punctuation is a plain literal in every ECMAScript regex library; escaped
// letters and digits are classes, assertions, code points or back-references, and '_'
// is left out because strict ECMAScript rejects "\_".
bool isLiteralEscape(char c) {
    constexpr std::string_view kPunctuation = "!\"#$%&'()*+,-./:;<=>?@[\\]^`{|}~";
    return kPunctuation.find(c) != std::string_view::npos;
}

bool isSyntaxCharacter(char c) {
    constexpr std::string_view kSyntax = "^$\\.*+?()[]{}|";
    return kSyntax.find(c) != std::string_view::npos;
}

bool isQuantifierStart(char c) {
    return c == '*' || c == '+' || c == '?' || c == '{';
}

// True when the pattern is one alternative at the top level and every bracket expression
// reads the same in all regex libraries. A top-level '|' would let a match start with a
// different alternative's text. ECMAScript ends a class at the first unescaped ']' even
// right after "[" or "[^", while other readings take that ']' as a member; some libraries
// also give "[[:alpha:]]" a meaning inside a class. Patterns with either are not read.
bool isSingleUnambiguousAlternative(std::string_view pattern) {
    int depth = 0;
    bool inClass = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            ++i;  // the escaped character, inside or outside a class
            continue;
        }
        if (inClass) {
            if (c == '[') return false;
            if (c == ']') inClass = false;
            continue;
        }
        switch (c) {
        case '[': {
            std::size_t j = i + 1;
            if (j < pattern.size() && pattern[j] == '^') ++j;
            if (j < pattern.size() && pattern[j] == ']') return false;
            inClass = true;
            break;
        }
        case '(':
            ++depth;
            break;
        case ')':
            if (--depth < 0) return false;
            break;
        case '|':
            if (depth == 0) return false;
            break;
        default:
            break;
        }
    }
    return !inClass && depth == 0;
}

}  // namespace

std::vector<std::string> regexLiteralPrefixes(std::string_view pattern) {
    std::vector<std::string> prefixes(1);
    if (!isSingleUnambiguousAlternative(pattern)) return prefixes;

    std::size_t i = 0;
    // A leading '^' always holds where a whole-string match starts (no multiline flag).
    if (!pattern.empty() && pattern[0] == '^') i = 1;
    while (i < pattern.size()) {
        char literal = 0;
        std::size_t next = 0;
        if (pattern[i] == '\\') {
            if (i + 1 >= pattern.size() || !isLiteralEscape(pattern[i + 1])) break;
            literal = pattern[i + 1];
            next = i + 2;
        } else if (isSyntaxCharacter(pattern[i])) {
            break;
        } else {
            literal = pattern[i];
            next = i + 1;
        }
        if (next < pattern.size() && isQuantifierStart(pattern[next])) {
            // "x?" (but not the lazy "x??"): every match either has the x here or not.
            const bool plainOptional = pattern[next] == '?' &&
                                       (next + 1 >= pattern.size() || !isQuantifierStart(pattern[next + 1]));
            if (!plainOptional || prefixes.size() * 2 > kMaxLiteralPrefixes) break;
            const std::size_t count = prefixes.size();
            for (std::size_t k = 0; k < count; ++k) prefixes.push_back(prefixes[k] + literal);
            i = next + 1;
            continue;
        }
        for (std::string& prefix : prefixes) prefix.push_back(literal);
        i = next;
    }
    return prefixes;
}

std::uint32_t RegexPrefilter::child(std::uint32_t node, unsigned char byte) const noexcept {
    const auto& children = nodes_[node].children;
    const auto it = std::lower_bound(children.begin(), children.end(), byte,
        [](const auto& entry, unsigned char b) { return entry.first < b; });
    return (it != children.end() && it->first == byte) ? it->second : kNone;
}

std::uint32_t RegexPrefilter::childOrAdd(std::uint32_t node, unsigned char byte) {
    const std::uint32_t existing = child(node, byte);
    if (existing != kNone) return existing;
    const auto added = static_cast<std::uint32_t>(nodes_.size());
    nodes_.emplace_back();
    auto& children = nodes_[node].children;
    const auto it = std::lower_bound(children.begin(), children.end(), byte,
        [](const auto& entry, unsigned char b) { return entry.first < b; });
    children.emplace(it, byte, added);
    return added;
}

// Positions and node numbers fit 32 bits easily: patterns come from an index of at most
// 4 MiB, so there are never more than a few million of either.
void RegexPrefilter::add(std::string_view pattern) {
    for (const std::string& prefix : regexLiteralPrefixes(pattern)) {
        std::uint32_t node = 0;
        for (char c : prefix) node = childOrAdd(node, static_cast<unsigned char>(c));
        // "a?a?" reads as "", "a", "a" and "aa": one entry per node is enough.
        auto& positions = nodes_[node].positions;
        if (positions.empty() || positions.back() != count_) positions.push_back(static_cast<std::uint32_t>(count_));
    }
    ++count_;
}

}  // namespace vesko
