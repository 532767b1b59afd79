#pragma once
// GDI+ as this program includes it: the headers need the COM declarations that
// WIN32_LEAN_AND_MEAN leaves out, and min and max, which NOMINMAX takes away as macros.

#include <windows.h>
#include <objidl.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>
