#pragma once

#include <cstdint>

namespace vesko {

// The user's text size as a factor on the frame: the system message font's height (a
// LOGFONT height, either sign) against its default of 9 points, 12 pixels at 96 dpi, at
// the `dpi` the font was measured for. Never below 1, since the setting only makes text
// larger (and a system whose default font is smaller keeps the frame as designed), and
// never above 2.25, the setting's largest step.
double textScaleForMessageFont(int fontHeight, std::uint32_t dpi);

}  // namespace vesko
