#include "ui/preferences.h"

#include <nlohmann/json.hpp>

namespace vesko {

Preferences parsePreferences(std::span<const std::uint8_t> bytes) noexcept {
    Preferences preferences;
    if (bytes.size() > kPreferencesMaxBytes) return preferences;
    try {
        // Strict: exceptions on, comments not allowed.
        const nlohmann::ordered_json document =
            nlohmann::ordered_json::parse(bytes.begin(), bytes.end(), nullptr, true, false);
        if (!document.is_object()) return preferences;
        const auto member = document.find("warnOnClose");
        if (member == document.end()) return preferences;
        if (!member->is_boolean()) return preferences;
        preferences.warnOnClose = member->get<bool>();
    } catch (...) {
        // Any unusable file means the defaults.
    }
    return preferences;
}

std::string serializePreferences(const Preferences& preferences) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    document["warnOnClose"] = preferences.warnOnClose;
    return document.dump(2) + "\n";
}

}  // namespace vesko
