#pragma once

#include <cstdint>

namespace vesko {

inline constexpr std::uint32_t kBaseDpi = 96;

// The window's scale factor: dpi / 96. Windows answers 0 for a window it cannot
// measure; that counts as 96 so that no length ever scales to zero and becomes a divisor.
double dpiScaleForDpi(std::uint32_t dpi);

// A length given at 96 dpi, in device pixels: the integer part of v × scale + 0.5, so
// positive lengths round to the nearest pixel with halves upward.
int scalePx(double v, double dpiScale);

}  // namespace vesko
