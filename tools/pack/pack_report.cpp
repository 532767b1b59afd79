#include "pack_report.h"

#include "assets/asset_rules.h"

namespace vesko::pack {
namespace {

using Json = nlohmann::ordered_json;

std::string joinKinds(const Json& kinds) {
    std::string text;
    if (!kinds.is_array()) return text;
    for (const Json& kind : kinds) {
        if (!text.empty()) text += ',';
        text += kind.is_string() ? kind.get<std::string>() : kind.dump();
    }
    return text;
}

// A kind name that is none of the seven kinds is matched by no rule.
AssetMatch explainByName(const AssetPack& pack, std::string_view url, std::string_view method,
                         std::string_view kind) {
    const auto known = parseResourceKind(kind);
    return known ? explainAssetMatch(pack, url, method, *known) : AssetMatch{};
}

}  // namespace

Json inspectJson(const AssetPack& pack) {
    Json out = Json::object();
    out["ok"] = true;
    out["dataOffset"] = pack.dataOffset;
    out["fileCount"] = pack.fileCount;
    Json files = Json::array();
    for (const auto& [name, entry] : pack.files) {
        files.push_back(Json{{"name", entry.name}, {"mime", entry.mime}, {"offset", entry.offset},
                             {"size", entry.size}});
    }
    out["files"] = std::move(files);
    out["exactRules"] = pack.exactRules.size();
    out["regexRules"] = pack.regexRules.size();
    out["rules"] = pack.ruleDocuments.size();
    return out;
}

std::string inspectText(const AssetPack& pack) {
    const std::uint64_t dataSize = pack.packBytes.size() - pack.dataOffset;
    std::string out;
    out += "magic       " + std::string(kAssetPackMagic) + "\n";
    out += "index       " + std::to_string(pack.dataOffset - kAssetPackHeaderSize) + " bytes\n";
    out += "data        " + std::to_string(dataSize) + " bytes at offset " + std::to_string(pack.dataOffset) + "\n";
    out += "pack        " + std::to_string(pack.packBytes.size()) + " bytes\n";
    out += "schema      " + pack.index.value("schema", std::string()) + "\n";
    out += "files       " + std::to_string(pack.files.size()) + " (" + std::to_string(pack.fileCount) +
           " served)\n";
    for (const auto& [name, entry] : pack.files) {
        out += "  " + std::to_string(entry.size) + "\t" + entry.mime + "\t" + name + "\n";
    }
    out += "rules       " + std::to_string(pack.ruleDocuments.size()) + " (" +
           std::to_string(pack.exactRules.size()) + " exact URLs, " + std::to_string(pack.regexRules.size()) +
           " regular expressions)\n";
    std::size_t number = 0;
    for (const Json& rule : pack.ruleDocuments) {
        ++number;
        const Json& condition = rule.at("condition");
        const std::string target = rule.at("action").at("redirect").at("extensionPath").get<std::string>();
        std::string filter;
        if (condition.contains("urlFilter")) {
            filter = "exact " + condition.at("urlFilter").get<std::string>();
        } else {
            filter = "regex " + condition.at("regexFilter").get<std::string>();
        }
        out += "  #" + std::to_string(number) + "\t[" + joinKinds(condition.at("resourceTypes")) + "]\t" + filter +
               "\t-> " + target + "\n";
    }
    return out;
}

Json matchJson(const AssetPack& pack, std::string_view url, std::string_view method, std::string_view kind) {
    const AssetMatch match = explainByName(pack, url, method, kind);
    Json out = Json::object();
    if (match.entry == nullptr) {
        out["file"] = nullptr;
        out["mime"] = nullptr;
        out["step"] = nullptr;
    } else {
        out["file"] = match.entry->name;
        out["mime"] = match.entry->mime;
        out["step"] = assetMatchStepName(match.step);
    }
    return out;
}

std::string matchText(const AssetPack& pack, std::string_view url, std::string_view method, std::string_view kind) {
    const AssetMatch match = explainByName(pack, url, method, kind);
    if (match.entry == nullptr) return "none: the request goes to the network or is refused\n";
    static constexpr const char* kStepText[] = {"", "exact rule", "regular-expression rule",
                                                "version-query fallback", "file-name fallback"};
    return match.entry->name + " (" + match.entry->mime + ", " + std::to_string(match.entry->size) +
           " bytes) through the " + kStepText[static_cast<int>(match.step)] + "\n";
}

}  // namespace vesko::pack
