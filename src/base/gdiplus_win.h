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

#include <stdexcept>

namespace vesko {

// GDI+ for the life of the object. Throws GRAPHICS_INIT_FAILED.
class GdiplusSession {
public:
    GdiplusSession() {
        const Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) {
            throw std::runtime_error("GRAPHICS_INIT_FAILED");
        }
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

}  // namespace vesko
