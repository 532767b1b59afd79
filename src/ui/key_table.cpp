#include "ui/key_table.h"

#include "ui/commands.h"

namespace vesko {
namespace {

std::int32_t ctrlCommand(std::int32_t key, bool shift) {
    switch (key) {
        case kVkTab: return shift ? commands::PreviousTab : commands::NextTab;
        case kVkPrior: return commands::PreviousTab;
        case kVkNext: return commands::NextTab;
        case '0': case kVkNumpad0: return commands::ZoomReset;
        case 'L': return commands::FocusAddress;
        case 'P': return commands::Print;
        case 'R': return commands::ReloadOrStop;
        case 'T': return shift ? commands::ReopenClosedTab : commands::NewTab;
        case 'W': return commands::CloseTab;
        case kVkAdd: case kVkOemPlus: return commands::ZoomIn;
        case kVkSubtract: case kVkOemMinus: return commands::ZoomOut;
        default: return commands::None;
    }
}

std::int32_t altCommand(std::int32_t key) {
    switch (key) {
        case kVkLeft: return commands::Back;
        case kVkRight: return commands::Forward;
        case kVkHome: return commands::Home;
        default: return commands::None;
    }
}

}  // namespace

std::int32_t keyToCommand(std::int32_t virtualKey, KeyModifiers modifiers) {
    if (modifiers.ctrl && virtualKey >= kVkTab && virtualKey <= kVkOemMinus) {
        if (const std::int32_t command = ctrlCommand(virtualKey, modifiers.shift)) return command;
    }
    if (modifiers.alt) {
        if (const std::int32_t command = altCommand(virtualKey)) return command;
    }
    return virtualKey == kVkF5 ? commands::ReloadOrStop : commands::None;
}

bool commandRepeats(std::int32_t command) {
    switch (command) {
        case commands::ZoomIn: case commands::ZoomOut: case commands::ZoomReset:
        case commands::NextTab: case commands::PreviousTab:
            return true;
        default:
            return false;
    }
}

std::optional<int> ctrlDigitTabIndex(std::int32_t virtualKey, KeyModifiers modifiers, int tabCount) {
    if (!modifiers.ctrl) return std::nullopt;
    if (virtualKey >= '1' && virtualKey <= '8') return virtualKey - '1';
    if (virtualKey == '9') return tabCount - 1;
    return std::nullopt;
}

std::int32_t pageKeyCommand(std::int32_t eventKind, std::int32_t virtualKey, KeyModifiers modifiers) {
    if (eventKind != kKeyEventKeyDown && eventKind != kKeyEventSystemKeyDown) return 0;
    return keyToCommand(virtualKey, modifiers);
}

}  // namespace vesko
