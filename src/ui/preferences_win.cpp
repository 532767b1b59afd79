#include "base/files.h"
#include "ui/preferences.h"
#include "base/wide_text_win.h"

namespace vesko {

Preferences loadPreferences() noexcept {
    try {
        const auto bytes = readFileBytes(dataDirectory() / kPreferencesFileName, kPreferencesMaxBytes);
        return parsePreferences(bytes);
    } catch (...) {
        // Missing, too large or unreadable file, or no data folder: the defaults, silently.
        return Preferences{};
    }
}

bool savePreferences(const Preferences& preferences) noexcept {
    try {
        writeFileAtomic(dataDirectory() / kPreferencesFileName, serializePreferences(preferences));
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace vesko
