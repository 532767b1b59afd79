#include "view_events.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string_view>

namespace vesko::standin {
namespace {

// '*' matches any run of characters, everything else itself.
bool globMatches(std::wstring_view pattern, std::wstring_view text) {
    std::size_t p = 0, t = 0, star = std::wstring_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool raisableScheme(std::wstring_view uri) {
    for (const std::wstring_view scheme : {L"http:", L"https:", L"file:"}) {
        if (uri.size() >= scheme.size() && _wcsnicmp(uri.data(), scheme.data(), scheme.size()) == 0) return true;
    }
    return false;
}

}  // namespace

void ViewEvents::clear() {
    navigationStarting.clear();
    frameNavigationStarting.clear();
    sourceChanged.clear();
    historyChanged.clear();
    navigationCompleted.clear();
    titleChanged.clear();
    webResourceRequested.clear();
    permissionRequested.clear();
    webMessageReceived.clear();
    newWindowRequested.clear();
    windowCloseRequested.clear();
    downloadStarting.clear();
    frameCreated.clear();
    contextMenuRequested.clear();
    certificateErrorDetected.clear();
    launchingExternalUriScheme.clear();
}

void ResourceFilters::add(std::wstring uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                          COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
    filters_.push_back({std::move(uri), context, kinds, false});
}

void ResourceFilters::setAsideExisting() {
    for (Filter& filter : filters_) filter.setAside = true;
}

bool ResourceFilters::remove(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                             COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
    const auto it = std::find_if(filters_.begin(), filters_.end(), [&](const Filter& f) {
        return f.uri == uri && f.context == context && f.kinds == kinds;
    });
    if (it == filters_.end()) return false;
    filters_.erase(it);
    return true;
}

bool ResourceFilters::match(const std::wstring& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                            COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS source) const {
    if (!raisableScheme(uri)) return false;
    return std::any_of(filters_.begin(), filters_.end(), [&](const Filter& f) {
        return !f.setAside && (f.context == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL || f.context == context) &&
               (static_cast<std::uint32_t>(f.kinds) & static_cast<std::uint32_t>(source)) != 0 &&
               globMatches(f.uri, uri);
    });
}

}  // namespace vesko::standin
