// The frame's drawing with GDI and GDI+ into a bitmap, checked at chosen pixels: texts
// that come from pages, and the dot of the information glyph.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <type_traits>

#include "ui/frame_painter_win.h"
#include "ui_test_support_win.h"

namespace vesko {
namespace {

// A white 32-bit bitmap selected into a memory device context.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<const std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, width, height, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    bool dark(int x, int y) const {
        GdiFlush();
        const std::uint32_t p = bits_[y * width_ + x];
        return ((p >> 16) & 0xFF) < 160 && ((p >> 8) & 0xFF) < 160 && (p & 0xFF) < 160;
    }
    // The rightmost column with dark ink, or -1.
    int inkRight() const {
        for (int x = width_ - 1; x >= 0; --x) {
            for (int y = 0; y < height_; ++y) {
                if (dark(x, y)) return x;
            }
        }
        return -1;
    }

private:
    int width_, height_;
    HDC dc_ = CreateCompatibleDC(nullptr);
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};

TEST(FramePainting, PageTitlesKeepTheirAmpersands) {
    BrowserApp graphics(GetModuleHandleW(nullptr));
    graphics.startGraphics();
    const std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> font(createUiFont(GetDesktopWindow(), 2.0));
    const auto inkWidth = [&](const char* text) {
        Canvas canvas(300, 60);
        drawPaintOps(canvas.dc(), nullptr, font.get(), {TextOp{Rect{0, 0, 300, 60}, text, Color{}, TextLayout::Left}});
        return canvas.inkRight();
    };
    const int plain = inkWidth("W");
    ASSERT_GT(plain, 5);
    // Taken as a mnemonic prefix the ampersand would vanish: "&W" as wide as "W".
    EXPECT_GT(inkWidth("&W"), plain + 5);
    EXPECT_GT(inkWidth("Q&A"), inkWidth("QA") + 5);
}

TEST(FramePainting, TheInformationGlyphHasItsDot) {
    BrowserApp graphics(GetModuleHandleW(nullptr));
    graphics.startGraphics();
    Canvas canvas(100, 100);
    drawGlyph(canvas.dc(), Point{50, 50}, 4.0, GlyphKind::Information, Color{});
    EXPECT_TRUE(canvas.dark(50, 50 - 16));   // the dot, 4 units above the centre
    EXPECT_FALSE(canvas.dark(50, 50 - 10));  // the gap between dot and stem
    EXPECT_TRUE(canvas.dark(50, 50 + 8));    // the stem
    EXPECT_TRUE(canvas.dark(50, 50 + 28));   // the circle, 7 units below
}

}  // namespace
}  // namespace vesko
