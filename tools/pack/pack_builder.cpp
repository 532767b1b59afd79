#include "pack_builder.h"

#include <map>
#include <regex>
#include <stdexcept>
#include <string_view>

#include "assets/asset_pack.h"
#include "file_io.h"
#include "policy/resource_kind.h"

namespace vesko::pack {
namespace {

using Json = nlohmann::ordered_json;

const Json* member(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

const std::string* stringMember(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return (value != nullptr && value->is_string()) ? value->get_ptr<const std::string*>() : nullptr;
}

bool isKnownKind(std::string_view kind) {
    return parseResourceKind(kind).has_value();
}

std::string fileLabel(std::size_t position, const Json& file) {
    std::string label = "file " + std::to_string(position + 1);
    if (const std::string* name = stringMember(file, "name")) label += " \"" + *name + "\"";
    return label;
}

class Assembler {
public:
    explicit Assembler(const SourceReader& readSource) : readSource_(readSource) {}

    PackBuild run(const Json& manifest) {
        const Json* files = member(manifest, "files");
        const Json* rules = member(manifest, "rules");
        if (files == nullptr || !files->is_array()) problem("manifest: \"files\" must be an array");
        if (rules == nullptr || !rules->is_array()) problem("manifest: \"rules\" must be an array");
        if (!build_.problems.empty()) return std::move(build_);

        for (std::size_t i = 0; i < files->size(); ++i) readFile(i, (*files)[i]);
        for (std::size_t i = 0; i < rules->size(); ++i) readRule(i, (*rules)[i]);
        for (const auto& [name, used] : usedFiles_) {
            if (!used && name != kZoneDiagnosticFile) {
                problem(fileLabel(filePositions_.at(name), (*files)[filePositions_.at(name)]) +
                        ": no rule serves it");
            }
        }
        if (!build_.problems.empty()) return std::move(build_);
        assemble(*rules);
        return std::move(build_);
    }

private:
    void problem(std::string text) { build_.problems.push_back(std::move(text)); }

    void readFile(std::size_t position, const Json& file) {
        const std::string label = fileLabel(position, file);
        const std::string* source = stringMember(file, "source");
        const std::string* name = stringMember(file, "name");
        const std::string* mime = stringMember(file, "mime");
        if (source == nullptr || name == nullptr || mime == nullptr) {
            problem(label + ": needs the strings \"source\", \"name\" and \"mime\"");
            return;
        }
        if (name->empty()) problem(label + ": the name is empty");
        if (name->find_first_of("/\\") != std::string::npos) problem(label + ": the name contains '/' or '\\'");
        if (mime->empty()) problem(label + ": the media type is empty");
        if (const auto earlier = filePositions_.find(*name); earlier != filePositions_.end()) {
            problem(label + ": the name repeats file " + std::to_string(earlier->second + 1));
            return;
        }
        filePositions_.emplace(*name, position);
        usedFiles_.emplace(*name, false);
        Entry entry{*name, *mime, {}};
        try {
            entry.bytes = readSource_(*source);
        } catch (const std::exception& e) {
            problem(label + ": " + e.what());
        }
        entries_.push_back(std::move(entry));
    }

    void readRule(std::size_t position, const Json& rule) {
        std::string label = "rule " + std::to_string(position + 1);
        const Json* condition = member(rule, "condition");
        const std::string* urlFilter = condition ? stringMember(*condition, "urlFilter") : nullptr;
        const std::string* regexFilter = condition ? stringMember(*condition, "regexFilter") : nullptr;
        if (urlFilter != nullptr) {
            label += " (" + *urlFilter + ")";
        } else if (regexFilter != nullptr) {
            label += " (" + *regexFilter + ")";
        }
        if (!rule.is_object()) {
            problem(label + ": must be an object");
            return;
        }

        const Json* action = member(rule, "action");
        const std::string* type = action ? stringMember(*action, "type") : nullptr;
        if (type == nullptr || *type != "redirect") problem(label + ": \"action\".\"type\" must be \"redirect\"");
        const Json* redirect = action ? member(*action, "redirect") : nullptr;
        const std::string* path = redirect ? stringMember(*redirect, "extensionPath") : nullptr;
        if (path == nullptr || !path->starts_with(kAssetPathPrefix)) {
            problem(label + ": \"action\".\"redirect\".\"extensionPath\" must begin with \"/assets/\"");
        } else {
            const std::string fileName = path->substr(kAssetPathPrefix.size());
            const auto used = usedFiles_.find(fileName);
            if (fileName == kZoneDiagnosticFile) {
                problem(label + ": the diagnostic hook must never be served to a request");
            } else if (used == usedFiles_.end()) {
                problem(label + ": \"" + *path + "\" names no file of the manifest");
            } else {
                used->second = true;
            }
        }

        const Json* kinds = condition ? member(*condition, "resourceTypes") : nullptr;
        if (kinds == nullptr || !kinds->is_array() || kinds->empty()) {
            problem(label + ": \"condition\".\"resourceTypes\" must be a non-empty array");
        } else {
            for (const Json& kind : *kinds) {
                if (!kind.is_string() || !isKnownKind(kind.get_ref<const std::string&>())) {
                    problem(label + ": " + kind.dump() + " is not a resource kind");
                } else if (parseResourceKind(kind.get_ref<const std::string&>()) == ResourceKind::document) {
                    problem(label + ": documents are never answered from the pack");
                }
            }
        }

        const bool hasUrl = condition && member(*condition, "urlFilter");
        const bool hasRegex = condition && member(*condition, "regexFilter");
        if (hasUrl && hasRegex) {
            problem(label + ": has both \"urlFilter\" and \"regexFilter\"; the regex would never be used");
        } else if (hasUrl) {
            checkUrlFilter(label, position, urlFilter);
        } else if (hasRegex) {
            checkRegexFilter(label, regexFilter);
        } else {
            problem(label + ": needs a \"urlFilter\" or a \"regexFilter\"");
        }
    }

    void checkUrlFilter(const std::string& label, std::size_t position, const std::string* filter) {
        if (filter == nullptr || filter->size() < 3 || filter->front() != '|' || filter->back() != '|') {
            problem(label + ": \"urlFilter\" must be '|' URL '|'");
            return;
        }
        const std::string url = filter->substr(1, filter->size() - 2);
        const auto [earlier, added] = exactUrls_.emplace(url, position);
        if (!added) {
            problem(label + ": rule " + std::to_string(earlier->second + 1) +
                    " already answers this URL, so this rule is never used");
        }
    }

    void checkRegexFilter(const std::string& label, const std::string* filter) {
        if (filter == nullptr) {
            problem(label + ": \"regexFilter\" must be a string");
            return;
        }
        if (filter->size() > kMaxRegexFilterLength) {
            problem(label + ": \"regexFilter\" is longer than " + std::to_string(kMaxRegexFilterLength) + " bytes");
            return;
        }
        if (!regexNumbersFit(*filter)) {
            problem(label + ": \"regexFilter\" has a back-reference or repetition count longer than " +
                    std::to_string(kMaxRegexNumberDigits) + " digits");
            return;
        }
        try {
            compileRegexFilter(*filter);
        } catch (const std::regex_error& e) {
            problem(label + ": \"regexFilter\" does not compile: " + e.what());
        }
    }

    void assemble(const Json& rules) {
        Json index = Json::object();
        index["schema"] = kAssetSchema;
        Json files = Json::array();
        std::uint64_t offset = 0;
        for (const Entry& entry : entries_) {
            Json file = Json::object();
            file["name"] = entry.name;
            file["mime"] = entry.mime;
            file["offset"] = offset;
            file["size"] = static_cast<std::uint64_t>(entry.bytes.size());
            files.push_back(std::move(file));
            offset += entry.bytes.size();
        }
        index["files"] = std::move(files);
        index["rules"] = rules;
        const std::string text = index.dump();
        if (text.size() > kMaxAssetIndexLength) {
            problem("index: " + std::to_string(text.size()) + " bytes, more than the " +
                    std::to_string(kMaxAssetIndexLength) + " a pack may hold");
            return;
        }

        std::vector<std::uint8_t> bytes(kAssetPackMagic.begin(), kAssetPackMagic.end());
        const auto length = static_cast<std::uint32_t>(text.size());
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(length >> shift));
        bytes.insert(bytes.end(), text.begin(), text.end());
        for (const Entry& entry : entries_) bytes.insert(bytes.end(), entry.bytes.begin(), entry.bytes.end());

        // The browser's own reader has the last word.
        try {
            parseAssetPack(bytes);
        } catch (const std::exception& e) {
            problem(std::string("the assembled pack does not parse: ") + e.what());
            return;
        }
        build_.bytes = std::move(bytes);
    }

    struct Entry {
        std::string name;
        std::string mime;
        std::vector<std::uint8_t> bytes;
    };

    const SourceReader& readSource_;
    PackBuild build_;
    std::vector<Entry> entries_;
    std::map<std::string, std::size_t, std::less<>> filePositions_;
    std::map<std::string, bool, std::less<>> usedFiles_;
    std::map<std::string, std::size_t> exactUrls_;
};

}  // namespace

PackBuild assemblePack(const nlohmann::ordered_json& manifest, const SourceReader& readSource) {
    return Assembler(readSource).run(manifest);
}

PackBuild buildPack(const std::filesystem::path& manifestPath, const std::filesystem::path& nodeModules) {
    const std::filesystem::path folder = manifestPath.parent_path();
    auto readJson = [](const std::filesystem::path& path) {
        const std::vector<std::uint8_t> bytes = readFileBytes(path);
        try {
            return Json::parse(bytes.begin(), bytes.end());
        } catch (const Json::parse_error& e) {
            throw std::runtime_error(path.string() + ": " + e.what());
        }
    };
    Json manifest = readJson(manifestPath);
    if (const std::string* rulesFile = stringMember(manifest, "rules")) {
        manifest["rules"] = readJson(folder / *rulesFile);
    }
    const SourceReader readSource = [&](const std::string& source) {
        constexpr std::string_view kNpm = "npm:";
        if (source.starts_with(kNpm)) return readFileBytes(nodeModules / source.substr(kNpm.size()));
        return readFileBytes(folder / source);
    };
    return assemblePack(manifest, readSource);
}

}  // namespace vesko::pack
