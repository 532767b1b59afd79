#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

// Texts one of which every whole-string match of `pattern` (ECMAScript grammar, default
// flags) must begin with. A single optional literal ("https?") splits the reading in two,
// up to kMaxLiteralPrefixes texts. The reading is deliberately narrow: anything that could
// make the answer wrong (top-level alternatives, other quantified atoms, escapes other than
// escaped punctuation, brackets whose reading differs between regex libraries) ends the
// prefixes, and an unsure pattern gets the one empty prefix, which every text has.
inline constexpr std::size_t kMaxLiteralPrefixes = 4;
std::vector<std::string> regexLiteralPrefixes(std::string_view pattern);

// Skips whole-string patterns that cannot match a text because the text does not begin
// with their literal prefix. Patterns keep the positions in which they were added, and
// candidates are visited in ascending position, so a caller that stops at its first real
// match sees the same pattern as a plain in-order scan.
class RegexPrefilter {
public:
    // Adds the pattern at the next position (0, 1, 2, ...).
    void add(std::string_view pattern);

    std::size_t size() const noexcept { return count_; }

    // Calls visit(position) once for every pattern one of whose prefixes begins `text`, in
    // ascending position, until visit returns true. Returns whether a visit returned true.
    template <typename Visit>
    bool forEachCandidate(std::string_view text, Visit&& visit) const;

private:
    struct Node {
        std::vector<std::pair<unsigned char, std::uint32_t>> children;  // sorted by byte
        std::vector<std::uint32_t> positions;                            // ascending
    };

    std::uint32_t child(std::uint32_t node, unsigned char byte) const noexcept;
    std::uint32_t childOrAdd(std::uint32_t node, unsigned char byte);

    static constexpr std::uint32_t kNone = 0xffffffffu;

    std::vector<Node> nodes_{Node{}};
    std::size_t count_ = 0;
};

template <typename Visit>
bool RegexPrefilter::forEachCandidate(std::string_view text, Visit&& visit) const {
    // The lists met along the text's path through the trie; each is ascending, so a small
    // merge yields ascending positions without allocating in the usual case.
    constexpr std::size_t kInline = 16;
    std::array<std::span<const std::uint32_t>, kInline> inlineLists;
    std::vector<std::span<const std::uint32_t>> moreLists;
    std::size_t listCount = 0;
    auto collect = [&](const Node& node) {
        if (node.positions.empty()) return;
        if (listCount < kInline) {
            inlineLists[listCount++] = node.positions;
        } else {
            if (moreLists.empty()) moreLists.assign(inlineLists.begin(), inlineLists.end());
            moreLists.emplace_back(node.positions);
            ++listCount;
        }
    };

    std::uint32_t node = 0;
    collect(nodes_[0]);
    for (char c : text) {
        node = child(node, static_cast<unsigned char>(c));
        if (node == kNone) break;
        collect(nodes_[node]);
    }

    std::span<std::span<const std::uint32_t>> lists =
        moreLists.empty() ? std::span(inlineLists.data(), listCount) : std::span(moreLists);
    std::uint32_t previous = kNone;
    for (;;) {
        std::span<const std::uint32_t>* lowest = nullptr;
        for (auto& list : lists) {
            if (!list.empty() && (lowest == nullptr || list.front() < lowest->front())) {
                lowest = &list;
            }
        }
        if (lowest == nullptr) return false;
        const std::uint32_t position = lowest->front();
        *lowest = lowest->subspan(1);
        // Two prefixes of one pattern can both begin the text ("a?a" gives "a" and "aa").
        if (position == previous) continue;
        previous = position;
        if (visit(static_cast<std::size_t>(position))) return true;
    }
}

}  // namespace vesko
