#include "chromium/frame_bitmap.h"

#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

namespace vesko::standin {
namespace {

// GDI+ stays started for the life of the process: frames arrive until the last view goes,
// and shutting it down while another module still uses it is not safe.
bool gdiplusStarted() {
    static const bool started = [] {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

}  // namespace

FrameBitmap::FrameBitmap(std::string_view image) {
    if (image.empty() || !gdiplusStarted()) return;
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(image.data()), static_cast<UINT>(image.size()));
    if (stream == nullptr) return;
    Gdiplus::GpBitmap* decoded = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &decoded) == Gdiplus::Ok && decoded != nullptr) {
        UINT width = 0;
        UINT height = 0;
        Gdiplus::DllExports::GdipGetImageWidth(decoded, &width);
        Gdiplus::DllExports::GdipGetImageHeight(decoded, &height);
        HBITMAP bitmap = nullptr;
        if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(decoded, &bitmap, 0xFFFFFFFF) == Gdiplus::Ok) {
            bitmap_ = bitmap;
            width_ = static_cast<int>(width);
            height_ = static_cast<int>(height);
        }
        Gdiplus::DllExports::GdipDisposeImage(decoded);
    }
    stream->Release();
}

FrameBitmap::~FrameBitmap() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

void FrameBitmap::draw(HDC target, int width, int height) const {
    if (bitmap_ == nullptr) return;
    HDC source = CreateCompatibleDC(target);
    const HGDIOBJ previous = SelectObject(source, bitmap_);
    if (width == width_ && height == height_) {
        BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(target, HALFTONE);
        StretchBlt(target, 0, 0, width, height, source, 0, 0, width_, height_, SRCCOPY);
    }
    SelectObject(source, previous);
    DeleteDC(source);
}

}  // namespace vesko::standin
