// parseAssetPack on mutated packs. The input is a whole pack; the corpus holds valid packs
// so that mutations reach the index and rule checks, not just the header. Every failure
// must be one of the documented errors, and a pack that parses must keep its invariants.
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <stdexcept>
#include <vector>

#include "assets/asset_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vesko::AssetPack pack;
    try {
        pack = vesko::parseAssetPack(std::vector<std::uint8_t>(data, data + size));
    } catch (const nlohmann::ordered_json::exception&) {
        return 0;
    } catch (const std::regex_error&) {
        return 0;
    } catch (const std::runtime_error&) {
        return 0;
    }

    const std::uint64_t dataSize = pack.packBytes.size() - pack.dataOffset;
    std::uint64_t counted = 0;
    for (const auto& [name, entry] : pack.files) {
        if (entry.offset > dataSize || entry.size > dataSize - entry.offset) std::abort();
        if (name.find_first_of("/\\") != std::string::npos) std::abort();
        if (name != vesko::kZoneDiagnosticFile) ++counted;
        const auto bytes = vesko::assetBytes(pack, entry);
        if (bytes.size() != entry.size) std::abort();
    }
    if (counted != pack.fileCount) std::abort();
    for (const auto& [url, rule] : pack.exactRules) {
        if (pack.files.find(rule.fileName) == pack.files.end()) std::abort();
    }
    for (const auto& rule : pack.regexRules) {
        if (pack.files.find(rule.fileName) == pack.files.end()) std::abort();
    }
    if (pack.exactRules.size() + pack.regexRules.size() > pack.ruleDocuments.size()) std::abort();
    if (pack.regexPrefilter.size() != pack.regexRules.size()) std::abort();
    return 0;
}
