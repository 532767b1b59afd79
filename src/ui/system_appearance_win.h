#pragma once

#include "ui/frame_palette.h"

namespace vesko {

// Whether the user has a high-contrast theme on.
bool highContrastOn();

// The frame's colours: the system's own while a high-contrast theme is on, else the
// frame's normal look.
FramePalette systemFramePalette();

// The user's text size as a factor on the frame (see textScaleForMessageFont).
double systemTextScale();

}  // namespace vesko
