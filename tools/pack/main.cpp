// vesko-pack: builds, inspects and queries the asset pack.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "assets/asset_pack.h"
#include "file_io.h"
#include "har_audit.h"
#include "pack_builder.h"
#include "pack_report.h"

namespace {

using namespace vesko;
using namespace vesko::pack;

constexpr const char* kUsage =
    "usage:\n"
    "  vesko-pack build MANIFEST OUT [--node-modules DIR]\n"
    "  vesko-pack inspect [--json] PACK\n"
    "  vesko-pack match [--json] PACK URL [METHOD] [KIND]   (METHOD GET, KIND script by default)\n"
    "  vesko-pack audit [--json] PACK HAR\n";

struct Arguments {
    std::vector<std::string> positional;
    bool json = false;
    std::string nodeModules;
};

int usage() {
    std::cerr << kUsage;
    return 2;
}

void printJson(const nlohmann::ordered_json& value) {
    std::cout << value.dump(2) << "\n";
}

AssetPack loadPack(const std::string& path) {
    return parseAssetPack(readFileBytes(path));
}

int runBuild(const Arguments& args) {
    if (args.positional.size() != 2) return usage();
    const std::filesystem::path manifest = args.positional[0];
    const std::filesystem::path nodeModules =
        args.nodeModules.empty() ? manifest.parent_path() / "node_modules" : std::filesystem::path(args.nodeModules);
    const PackBuild build = buildPack(manifest, nodeModules);
    if (!build.problems.empty()) {
        for (const std::string& problem : build.problems) std::cerr << manifest.string() << ": " << problem << "\n";
        std::cerr << build.problems.size() << " problem(s); nothing written\n";
        return 1;
    }
    writeFileAtomically(args.positional[1], build.bytes);
    std::cout << args.positional[1] << ": " << build.bytes.size() << " bytes\n";
    return 0;
}

int runInspect(const Arguments& args) {
    if (args.positional.size() != 1) return usage();
    try {
        const AssetPack pack = loadPack(args.positional[0]);
        if (args.json) {
            printJson(inspectJson(pack));
        } else {
            std::cout << inspectText(pack);
        }
        return 0;
    } catch (const std::exception& e) {
        if (args.json) {
            printJson(nlohmann::ordered_json{{"ok", false}, {"error", e.what()}});
        } else {
            std::cerr << args.positional[0] << ": " << e.what() << "\n";
        }
        return 1;
    }
}

int runMatch(const Arguments& args) {
    if (args.positional.size() < 2 || args.positional.size() > 4) return usage();
    const AssetPack pack = loadPack(args.positional[0]);
    const std::string& url = args.positional[1];
    const std::string method = args.positional.size() > 2 ? args.positional[2] : "GET";
    const std::string kind = args.positional.size() > 3 ? args.positional[3] : "script";
    if (args.json) {
        printJson(matchJson(pack, url, method, kind));
    } else {
        std::cout << matchText(pack, url, method, kind);
    }
    return 0;
}

int runAudit(const Arguments& args) {
    if (args.positional.size() != 2) return usage();
    const AssetPack pack = loadPack(args.positional[0]);
    const std::vector<std::uint8_t> harBytes = readFileBytes(args.positional[1]);
    const AuditReport report = auditHar(pack, nlohmann::json::parse(harBytes.begin(), harBytes.end()));
    if (args.json) {
        printJson(auditJson(report));
    } else {
        std::cout << auditText(report);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string_view command = argv[1];
    Arguments args;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--json") {
            args.json = true;
        } else if (arg == "--node-modules" && i + 1 < argc) {
            args.nodeModules = argv[++i];
        } else {
            args.positional.emplace_back(arg);
        }
    }
    try {
        if (command == "build") return runBuild(args);
        if (command == "inspect") return runInspect(args);
        if (command == "match") return runMatch(args);
        if (command == "audit") return runAudit(args);
    } catch (const std::exception& e) {
        std::cerr << "vesko-pack " << command << ": " << e.what() << "\n";
        return 1;
    }
    return usage();
}
