#include "policy/download_type.h"

#include <algorithm>
#include <string>

#include "policy/compiled_config.h"

namespace vesko {
namespace {

std::string lowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

bool hasBlockedExtension(std::string_view part) {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.remove_suffix(1);
    const std::size_t dot = part.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string extension = lowerAscii(part.substr(dot + 1));
    const auto& blocked = config::kBlockedDownloadExtensions;
    return std::find(blocked.begin(), blocked.end(), extension) != blocked.end();
}

}  // namespace

bool isBlockedDownloadType(std::string_view path) {
    if (const std::size_t slash = path.find_last_of("/\\"); slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
    }
    // The file's own name, then the names of any streams after it.
    while (true) {
        const std::size_t colon = path.find(':');
        if (hasBlockedExtension(path.substr(0, colon))) return true;
        if (colon == std::string_view::npos) return false;
        path.remove_prefix(colon + 1);
    }
}

}  // namespace vesko
