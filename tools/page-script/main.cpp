// vesko-page-script: prints the page scripts that the program embeds, byte for byte,
// with nothing added, so tests and operators run exactly what a view runs.
//
//   vesko-page-script document ZONE_DIAGNOSTIC_FILE   the whole document script
//   vesko-page-script activity                        the page-activity text
//   vesko-page-script dirty                           the dirty marker
//   vesko-page-script collector                       the diagnostics report's collector

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "page/diagnostics_report.h"
#include "page/page_scripts.h"

namespace {

constexpr std::string_view kUsage =
        "usage: vesko-page-script document ZONE_DIAGNOSTIC_FILE\n"
        "       vesko-page-script activity\n"
        "       vesko-page-script dirty\n"
        "       vesko-page-script collector\n";

std::optional<std::string> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

int write(std::string_view text) {
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (argc == 3 && command == "document") {
        const auto zone = readFile(argv[2]);
        if (!zone) {
            std::cerr << "vesko-page-script: cannot read " << argv[2] << "\n";
            return 1;
        }
        return write(vesko::documentScript(*zone));
    }
    if (argc == 2 && command == "activity") return write(vesko::pageActivityText());
    if (argc == 2 && command == "dirty") return write(vesko::dirtyMarkerText());
    if (argc == 2 && command == "collector") return write(vesko::portalDiagnosticsCollector());
    std::cerr << kUsage;
    return 2;
}
