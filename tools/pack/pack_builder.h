#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vesko::pack {

struct PackBuild {
    std::vector<std::uint8_t> bytes;    // the pack; empty when there are problems
    std::vector<std::string> problems;  // each names the file or rule it concerns
};

// Reads the bytes of a manifest file's "source"; throws std::runtime_error when it cannot.
using SourceReader = std::function<std::vector<std::uint8_t>(const std::string& source)>;

// Builds a pack from a manifest document:
//   {"files": [{"source", "name", "mime"}, ...], "rules": [rule objects of the index]}
// Files are laid out in manifest order and the index is written compactly in a fixed key
// order, so equal inputs give equal bytes. Everything the browser would refuse is
// reported, and so is whatever it would accept but never use: a file no rule names, a
// rule that cannot be reached, a kind no request has.
PackBuild assemblePack(const nlohmann::ordered_json& manifest, const SourceReader& readSource);

// Reads the manifest file and its sources. A source "npm:PATH" is read from
// `nodeModules`/PATH, any other source relative to the manifest's folder; "rules" may be
// the array itself or the name of a JSON file holding it, relative to the manifest.
PackBuild buildPack(const std::filesystem::path& manifestPath, const std::filesystem::path& nodeModules);

}  // namespace vesko::pack
