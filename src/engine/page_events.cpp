#include "engine/page_events.h"

namespace vesko {

std::string tabTitle(std::string_view documentTitle) {
    return documentTitle.empty() ? std::string(kDefaultTabTitle) : std::string(documentTitle);
}

std::int32_t pageKeyCommand(std::int32_t eventKind, std::int32_t virtualKey, KeyModifiers modifiers) {
    if (eventKind != kKeyEventKeyDown && eventKind != kKeyEventSystemKeyDown) return 0;
    return keyToCommand(virtualKey, modifiers);
}

}  // namespace vesko
