#include "ui/dpi_scale.h"

namespace vesko {

double dpiScaleForDpi(std::uint32_t dpi) {
    if (dpi == 0) return 1.0;
    return static_cast<double>(dpi) / static_cast<double>(kBaseDpi);
}

int scalePx(double v, double dpiScale) {
    return static_cast<int>(v * dpiScale + 0.5);
}

}  // namespace vesko
