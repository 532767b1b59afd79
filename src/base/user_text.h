#pragma once
// The small vocabulary every layer speaks to the user with: a status text and how long it
// stays, the held modifier keys, and how a failed action is reported.

#include <cstdint>
#include <string>
#include <string_view>

namespace vesko {

// A status text with how long it stays; 0 seconds means until the next text replaces it.
struct StatusMessage {
    std::string_view text;
    std::uint32_t seconds;
};

// Modifier keys held at the time of a key message (GetKeyState negative).
struct KeyModifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// The previous-state bit of a key message's lParam (and of the engine's KeyEventLParam):
// set for an auto-repeat of a held key.
inline constexpr std::uint32_t kKeyWasDownBit = 1u << 30;

inline constexpr std::string_view kUnknownErrorText = "Veprimi nuk p\xC3\xABrfundoi.";
// How long the error guard shows a failure.
inline constexpr std::uint32_t kErrorStatusSeconds = 20;

// "Veprimi nuk përfundoi: " followed by the error code: how a failed action is reported.
inline std::string userErrorText(std::string_view code) {
    std::string text = "Veprimi nuk p\xC3\xABrfundoi: ";
    text += code;
    return text;
}

}  // namespace vesko
