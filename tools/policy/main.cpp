// vesko-policy: prints what the browser's URL policy decides, one JSON line per input line.
#include <iostream>
#include <string>
#include <string_view>

#include "line_input.h"
#include "policy_report.h"
#include "probe_option.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: vesko-policy [--download-name | --config | --help]\n"
    "\n"
    "Reads one URL per line from standard input and prints, per line, a JSON object with\n"
    "the parse and the answer of every policy predicate.\n"
    "\n"
    "  --download-name  read suggested download names instead and print, per line, the\n"
    "                   sanitized file name as a JSON string\n"
    "  --config         print the compiled-in configuration as JSON and exit\n"
    "  --probe-page NONCE [PORT]  print the runtime probe page for NONCE whose WebSocket\n"
    "                           tries the listener at PORT (default 0), byte for byte\n"
    "  --probe-addresses NONCE  print its index, cors and mixed addresses, one per line\n"
    "  --help           print this text and exit\n"
    "\n"
    "A trailing LF or CR LF ends a line; every other byte belongs to it. Bytes that are\n"
    "not valid UTF-8 are shown as U+FFFD.\n";

enum class Mode { urls, downloadNames, config, help };

template <typename Describe>
void answerEachLine(Describe describe) {
    std::string line;
    while (vesko::tool::readLine(std::cin, line)) {
        std::cout << vesko::tool::toJsonLine(describe(line));
        // Flush only when no more input is waiting, so interactive use answers at once
        // and piped batches are not slowed down by a write per line.
        if (std::cin.rdbuf()->in_avail() <= 0) std::cout.flush();
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::cin.tie(nullptr);

    if (argc == 3 || argc == 4) {
        const std::string_view port = argc == 4 ? argv[3] : "";
        if (auto status = vesko::tool::runProbeOption(argv[1], argv[2], port, std::cout, std::cerr)) {
            return *status;
        }
    }

    Mode mode = Mode::urls;
    if (argc > 2) {
        std::cerr << "vesko-policy: expected at most one option\n" << kUsage;
        return 2;
    }
    if (argc == 2) {
        const std::string_view option = argv[1];
        if (option == "--download-name") mode = Mode::downloadNames;
        else if (option == "--config") mode = Mode::config;
        else if (option == "--help" || option == "-h") mode = Mode::help;
        else {
            std::cerr << "vesko-policy: unknown option " << option << "\n" << kUsage;
            return 2;
        }
    }

    switch (mode) {
        case Mode::help:
            std::cout << kUsage;
            break;
        case Mode::config:
            std::cout << vesko::tool::toJsonDocument(vesko::tool::describeConfig());
            break;
        case Mode::downloadNames:
            answerEachLine(vesko::tool::describeDownloadName);
            break;
        case Mode::urls:
            answerEachLine(vesko::tool::describeUrl);
            break;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
