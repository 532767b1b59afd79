#include "app/files.h"
#include "app/preferences.h"
#include "base/wide_text_win.h"
#include "ui/browser_app.h"

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

void BrowserApp::loadPreferences() {
    warnOnClose = vesko::loadPreferences().warnOnClose;
}

void BrowserApp::savePreferences() {
    // The new value stays in force for this run whether or not it reached the disk.
    if (!vesko::savePreferences(Preferences{warnOnClose})) {
        setStatus(toWide(kPreferencesNotSavedText), kPreferencesNotSavedSeconds);
    }
}

}  // namespace vesko
