#include "page/page_scripts.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "page/activity_tracker_js.h"
#include "page/background_open_js.h"
#include "page/dirty_marker_js.h"
#include "page/webrtc_removal_js.h"
#include "page/zone_result_js.h"

namespace vesko {
namespace {

// Joined at compile time: the texts are constants, so there is nothing to build or
// guard at run time.
template <std::size_t... N>
constexpr auto concat(const std::array<char, N>&... parts) {
    std::array<char, (N + ... + 0)> out{};
    auto at = out.begin();
    ((at = std::copy(parts.begin(), parts.end(), at)), ...);
    return out;
}

// A block must start with ";" so that it stays independent of how the text before it
// ends, and end with a line break so that the separators below give one empty line.
template <std::size_t N>
constexpr bool isBlock(const std::array<char, N>& text) {
    return N >= 2 && text.front() == ';' && text.back() == '\n' && text[N - 2] != '\n';
}

constexpr std::array<char, 1> kLineBreak{'\n'};

static_assert(isBlock(embedded::kActivityTrackerJs));
static_assert(isBlock(embedded::kBackgroundOpenJs));
static_assert(isBlock(embedded::kZoneResultJs));
static_assert(isBlock(embedded::kDirtyMarkerJs));
static_assert(isBlock(embedded::kWebrtcRemovalJs));

constexpr auto kPageActivity = concat(embedded::kActivityTrackerJs, kLineBreak,
                                      embedded::kBackgroundOpenJs, kLineBreak,
                                      embedded::kZoneResultJs, kLineBreak);
constexpr auto kDirtyMarker = concat(kLineBreak, embedded::kDirtyMarkerJs);
constexpr auto kWebrtcRemoval = concat(embedded::kWebrtcRemovalJs, kLineBreak);

}  // namespace

std::string_view pageActivityText() {
    return {kPageActivity.data(), kPageActivity.size()};
}

std::string_view dirtyMarkerText() {
    return {kDirtyMarker.data(), kDirtyMarker.size()};
}

std::string documentScript(std::string_view zoneDiagnosticScript) {
    std::string script;
    script.reserve(kWebrtcRemoval.size() + zoneDiagnosticScript.size() + kPageActivity.size() + kDirtyMarker.size());
    script.append(kWebrtcRemoval.data(), kWebrtcRemoval.size());
    script.append(zoneDiagnosticScript);
    script.append(pageActivityText());
    script.append(dirtyMarkerText());
    return script;
}

}  // namespace vesko
