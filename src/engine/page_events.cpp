#include "engine/page_events.h"

namespace vesko {

std::string tabTitle(std::string_view documentTitle) {
    return documentTitle.empty() ? std::string(kDefaultTabTitle) : std::string(documentTitle);
}

}  // namespace vesko
