#include "assets/asset_pack.h"

#include <stdexcept>
#include <utility>

namespace vesko {
namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void fail(const char* code) {
    throw std::runtime_error(code);
}

// The JSON library converts floats, negative numbers and booleans to unsigned integers
// without complaint ("offset": 1.9 would read as 1); an index written by the pack tool
// only ever holds unsigned integers, so anything else is a type error.
std::uint64_t readUnsigned(const Json& object, const char* key) {
    const Json& value = object.at(key);
    if (!value.is_number_unsigned()) {
        throw Json::type_error::create(
            302, std::string("type must be an unsigned integer, but is ") + value.type_name(), &value);
    }
    return value.get<std::uint64_t>();
}

// Iterating a JSON object walks its values and iterating a scalar yields the scalar
// itself, so "files": {"x": {...}} would quietly pass for an array without this.
const Json::array_t& readArray(const Json& value) {
    if (!value.is_array()) {
        throw Json::type_error::create(
            302, std::string("type must be array, but is ") + value.type_name(), &value);
    }
    return value.get_ref<const Json::array_t&>();
}

Json parseIndex(const std::uint8_t* text, std::size_t length) {
    const auto* first = reinterpret_cast<const char*>(text);
    const Json::parser_callback_t limitDepth = [](int depth, Json::parse_event_t event, Json&) {
        if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
            depth >= kMaxAssetIndexDepth) {
            fail("BAD_ASSET_PACK");
        }
        return true;
    };
    return Json::parse(first, first + length, limitDepth, /*allow_exceptions=*/true,
                       /*ignore_comments=*/false);
}

void readFiles(const Json& index, std::uint64_t dataSize, AssetPack& pack) {
    for (const Json& file : readArray(index.at("files"))) {
        AssetEntry entry;
        entry.name = file.at("name").get<std::string>();
        entry.mime = file.at("mime").get<std::string>();
        entry.offset = readUnsigned(file, "offset");
        entry.size = readUnsigned(file, "size");
        // Compared this way round so that no sum can wrap.
        if (entry.offset > dataSize || entry.size > dataSize - entry.offset) fail("BAD_ASSET_INDEX");
        if (entry.name.find_first_of("/\\") != std::string::npos) fail("BAD_ASSET_INDEX");
        if (pack.files.find(entry.name) != pack.files.end()) fail("BAD_ASSET_INDEX");
        if (entry.name != kZoneDiagnosticFile) ++pack.fileCount;
        std::string name = entry.name;
        pack.files.emplace(std::move(name), std::move(entry));
    }
}

void readRule(const Json& document, AssetPack& pack) {
    const Json& action = document.at("action");
    if (action.value("type", std::string()) != "redirect") fail("BAD_ASSET_RULE");
    const auto extensionPath = action.at("redirect").at("extensionPath").get<std::string>();
    if (extensionPath.size() < kAssetPathPrefix.size() || !extensionPath.starts_with(kAssetPathPrefix)) {
        fail("BAD_ASSET_RULE");
    }

    AssetRule rule;
    rule.fileName = extensionPath.substr(kAssetPathPrefix.size());
    if (pack.files.find(rule.fileName) == pack.files.end()) fail("MISSING_ASSET");

    const Json& condition = document.at("condition");
    for (const Json& kind : readArray(condition.at("resourceTypes"))) {
        rule.addResourceType(kind.get<std::string>());
    }

    if (condition.contains("urlFilter")) {
        const auto filter = condition.at("urlFilter").get<std::string>();
        if (filter.size() < 3 || filter.front() != '|' || filter.back() != '|') {
            fail("UNSUPPORTED_URL_FILTER");
        }
        // The earliest rule for a URL is the one that answers it; later ones stay listed
        // in ruleDocuments but are never consulted.
        pack.exactRules.try_emplace(filter.substr(1, filter.size() - 2), std::move(rule));
    } else if (condition.contains("regexFilter")) {
        rule.patternText = condition.at("regexFilter").get<std::string>();
        rule.pattern = compileRegexFilter(rule.patternText);
        pack.regexPrefilter.add(rule.patternText);
        pack.regexRules.push_back(std::move(rule));
    } else {
        fail("UNSUPPORTED_ASSET_RULE");
    }
    pack.ruleDocuments.push_back(document);
}

}  // namespace

AssetPack parseAssetPack(std::vector<std::uint8_t> bytes) {
    if (bytes.size() < kAssetPackHeaderSize ||
        std::string_view(reinterpret_cast<const char*>(bytes.data()), kAssetPackMagic.size()) !=
            kAssetPackMagic) {
        fail("BAD_ASSET_PACK");
    }
    const std::uint32_t indexLength = static_cast<std::uint32_t>(bytes[8]) |
                                      static_cast<std::uint32_t>(bytes[9]) << 8 |
                                      static_cast<std::uint32_t>(bytes[10]) << 16 |
                                      static_cast<std::uint32_t>(bytes[11]) << 24;
    if (indexLength > kMaxAssetIndexLength || indexLength > bytes.size() - kAssetPackHeaderSize) {
        fail("BAD_ASSET_PACK");
    }

    Json index = parseIndex(bytes.data() + kAssetPackHeaderSize, indexLength);
    if (index.value("schema", std::string()) != kAssetSchema) fail("BAD_ASSET_PACK");

    AssetPack pack;
    pack.dataOffset = kAssetPackHeaderSize + indexLength;
    const std::uint64_t dataSize = bytes.size() - pack.dataOffset;
    pack.packBytes = std::move(bytes);
    pack.index = std::move(index);

    readFiles(pack.index, dataSize, pack);
    for (const Json& rule : readArray(pack.index.at("rules"))) readRule(rule, pack);
    return pack;
}

std::span<const std::uint8_t> assetBytes(const AssetPack& pack, const AssetEntry& entry) {
    return std::span<const std::uint8_t>(pack.packBytes)
        .subspan(static_cast<std::size_t>(pack.dataOffset + entry.offset),
                 static_cast<std::size_t>(entry.size));
}

std::string zoneDiagnosticScript(const AssetPack& pack) {
    const auto it = pack.files.find(kZoneDiagnosticFile);
    if (it == pack.files.end()) fail("MISSING_ASSET");
    const auto bytes = assetBytes(pack, it->second);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace vesko
