#pragma once
// A screencast frame (PNG or JPEG bytes) decoded into a bitmap GDI can draw.

#include <windows.h>

#include <memory>
#include <string_view>

namespace vesko::standin {

class FrameBitmap {
public:
    // Decodes image; an empty bitmap (valid() false) when the bytes are no image.
    explicit FrameBitmap(std::string_view image);
    ~FrameBitmap();
    FrameBitmap(const FrameBitmap&) = delete;
    FrameBitmap& operator=(const FrameBitmap&) = delete;

    bool valid() const { return bitmap_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    HBITMAP handle() const { return bitmap_; }

    // Draws the frame at the top left of the target, scaled to width by height pixels.
    void draw(HDC target, int width, int height) const;

private:
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace vesko::standin
