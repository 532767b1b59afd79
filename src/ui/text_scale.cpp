#include "ui/text_scale.h"

#include <algorithm>
#include <cstdlib>

#include "ui/dpi_scale.h"

namespace vesko {

double textScaleForMessageFont(int fontHeight, std::uint32_t dpi) {
    constexpr double kDefaultHeight = 12.0;
    const double defaultAtDpi = kDefaultHeight * dpiScaleForDpi(dpi);
    return std::clamp(std::abs(fontHeight) / defaultAtDpi, 1.0, 2.25);
}

}  // namespace vesko
