#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vesko {

// The one setting kept across runs.
struct Preferences {
    // Ask before closing a tab, or the window, that holds unsaved page input.
    bool warnOnClose = true;

    friend bool operator==(const Preferences&, const Preferences&) = default;
};

inline constexpr std::string_view kPreferencesFileName = "preferences.json";
// A larger file is not a preferences document.
inline constexpr std::uint64_t kPreferencesMaxBytes = 8192;

// Shown for 7 seconds when the setting could not be saved; it stays in force for this run.
inline constexpr std::string_view kPreferencesNotSavedText =
    "Preferenca nuk u ruajt; vlen vet\xC3\xABm p\xC3\xABr k\xC3\xABt\xC3\xAB hapje.";
inline constexpr std::uint32_t kPreferencesNotSavedSeconds = 7;

// Reads "preferences.json". Anything unusable (too large, not strict JSON, not an
// object, "warnOnClose" not a JSON boolean) gives the defaults; other members are
// ignored. Never throws.
Preferences parsePreferences(std::span<const std::uint8_t> bytes) noexcept;

// The document as written: {"warnOnClose": …} with an indent of two spaces and a final
// line feed; nothing else (26 bytes for true, 27 for false).
std::string serializePreferences(const Preferences& preferences);

// The preferences file in the data folder; the defaults when it is missing or unusable
// or the folder cannot be had. Never throws. (Windows only.)
Preferences loadPreferences() noexcept;

// Replaces the preferences file atomically. False when anything failed; the previous
// file then stays intact. Never throws. (Windows only.)
bool savePreferences(const Preferences& preferences) noexcept;

}  // namespace vesko
