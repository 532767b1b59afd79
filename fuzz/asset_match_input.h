#pragma once
// How asset_match_fuzz reads its input, shared with the differential test that replays
// the committed corpus.
//
//   byte 0      mode: 0xFF checks a pattern's literal prefixes, anything else is a request
//   request:    byte 1 selects the kind, byte 2 the method, the rest is the URL
//   prefixes:   the rest is PATTERN, a NUL byte, TEXT

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesko::fuzzing {

struct MatchInput {
    bool prefixCheck = false;
    std::string url;     // request mode
    std::string method;
    std::string kind;
    std::string pattern;  // prefix mode
    std::string text;
};

inline MatchInput decodeMatchInput(const std::uint8_t* data, std::size_t size) {
    static constexpr const char* kKinds[] = {"script", "stylesheet", "image", "font", "xmlhttprequest",
                                             "other", "document", "media"};
    static constexpr const char* kMethods[] = {"GET", "GET", "GET", "POST", "get", "HEAD"};
    MatchInput input;
    if (size == 0) return input;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] == 0xFF) {
        input.prefixCheck = true;
        const std::size_t split = rest.find('\0');
        input.pattern = std::string(rest.substr(0, split));
        if (split != std::string_view::npos) input.text = std::string(rest.substr(split + 1));
        return input;
    }
    input.kind = kKinds[data[0] % 8];
    input.method = size > 1 ? kMethods[data[1] % 6] : "GET";
    input.url = size > 2 ? std::string(rest.substr(1)) : std::string();
    return input;
}

}  // namespace vesko::fuzzing
