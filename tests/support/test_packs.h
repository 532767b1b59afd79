#pragma once
// Asset packs made in memory, for the unit tests and the Wine tests alike.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesko::testing {

// "VESKOP01", the index length, the index text, then the data region.
inline std::vector<std::uint8_t> makePack(std::string_view index, std::string_view data = {},
                                          std::string_view magic = "VESKOP01") {
    std::vector<std::uint8_t> bytes(magic.begin(), magic.end());
    const auto length = static_cast<std::uint32_t>(index.size());
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(length >> shift));
    bytes.insert(bytes.end(), index.begin(), index.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// A rule object as the index holds it; `filter` is a JSON member such as
// "\"urlFilter\": \"|https://h/x.js|\"".
inline std::string ruleJson(std::string_view file, std::string_view filter, std::string_view kinds = "\"script\"") {
    return std::string(R"({"action": {"type": "redirect", "redirect": {"extensionPath": "/assets/)") +
           std::string(file) + R"("}}, "condition": {)" + std::string(filter) + R"(, "resourceTypes": [)" +
           std::string(kinds) + "]}}";
}

inline std::string fileJson(std::string_view name, std::uint64_t offset, std::uint64_t size,
                            std::string_view mime = "text/javascript") {
    return R"({"name": ")" + std::string(name) + R"(", "mime": ")" + std::string(mime) +
           R"(", "offset": )" + std::to_string(offset) + R"(, "size": )" + std::to_string(size) + "}";
}

inline std::string indexJson(std::string_view files, std::string_view rules) {
    return R"({"schema": "vesko-assets-v1", "files": [)" + std::string(files) + R"(], "rules": [)" +
           std::string(rules) + "]}";
}

// The smallest pack the parser accepts: no files, no rules.
inline std::vector<std::uint8_t> minimalPack() {
    return makePack(indexJson("", ""));
}

}  // namespace vesko::testing
