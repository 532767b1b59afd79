#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "assets/asset_pack.h"

namespace vesko::pack {

// The summary `vesko-pack inspect --json` prints for a pack that parses:
// {"ok": true, "dataOffset", "fileCount", "files": [...] by name, "exactRules",
// "regexRules", "rules"} (the last three are counts).
nlohmann::ordered_json inspectJson(const AssetPack& pack);

// The same for people: header, schema, every file and every rule.
std::string inspectText(const AssetPack& pack);

// What matchAsset answers and through which step: {"file", "mime", "step"}, nulls for none.
nlohmann::ordered_json matchJson(const AssetPack& pack, std::string_view url, std::string_view method,
                                 std::string_view kind);

std::string matchText(const AssetPack& pack, std::string_view url, std::string_view method,
                      std::string_view kind);

}  // namespace vesko::pack
