#pragma once
// The default pack's rules and file names over one-byte files. Matching and request
// decisions never read file contents, so benchmarks behave exactly as with the built pack
// without depending on the npm download.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "assets/asset_pack.h"

namespace vesko::bench {

inline std::string sourcePath(const char* relative) {
    std::string here = __FILE__;
    return here.substr(0, here.rfind('/') + 1) + "../" + relative;
}

inline nlohmann::ordered_json readJson(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return nlohmann::ordered_json::parse(
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

inline const AssetPack& defaultRulesPack() {
    using Json = nlohmann::ordered_json;
    static const AssetPack pack = [] {
        const Json manifest = readJson(sourcePath("pack/manifest.json"));
        Json index = {{"schema", "vesko-assets-v1"}, {"files", Json::array()}};
        std::uint64_t offset = 0;
        for (const Json& file : manifest.at("files")) {
            index["files"].push_back(
                {{"name", file.at("name")}, {"mime", file.at("mime")}, {"offset", offset++}, {"size", 1}});
        }
        index["rules"] = readJson(sourcePath("pack/rules.json"));
        const std::string text = index.dump();
        std::vector<std::uint8_t> bytes{'V', 'E', 'S', 'K', 'O', 'P', '0', '1'};
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(text.size() >> shift));
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.insert(bytes.end(), offset, 'x');
        return parseAssetPack(std::move(bytes));
    }();
    return pack;
}

}  // namespace vesko::bench
