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

#include <memory>
#include <stdexcept>

namespace vesko {

// Owners of the GDI+ objects a paint creates (flat API).
struct GdiplusDeleter {
    void operator()(Gdiplus::GpGraphics* graphics) const { Gdiplus::DllExports::GdipDeleteGraphics(graphics); }
    void operator()(Gdiplus::GpPen* pen) const { Gdiplus::DllExports::GdipDeletePen(pen); }
    void operator()(Gdiplus::GpSolidFill* brush) const { Gdiplus::DllExports::GdipDeleteBrush(brush); }
    void operator()(Gdiplus::GpPath* path) const { Gdiplus::DllExports::GdipDeletePath(path); }
};
using GraphicsOwner = std::unique_ptr<Gdiplus::GpGraphics, GdiplusDeleter>;
using PenOwner = std::unique_ptr<Gdiplus::GpPen, GdiplusDeleter>;
using GpBrushOwner = std::unique_ptr<Gdiplus::GpSolidFill, GdiplusDeleter>;
using PathOwner = std::unique_ptr<Gdiplus::GpPath, GdiplusDeleter>;

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
