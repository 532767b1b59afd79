// The frame's drawing with GDI and GDI+ into a bitmap, checked at chosen pixels: the
// window's state as the painter sees it, texts from pages, the dot of a glyph, rounded
// fills.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/frame_painter_win.h"
#include "ui_test_support_win.h"

namespace vesko {
namespace {

using uitest::kPortal;
using uitest::WindowFixture;

// A 32-bit top-down bitmap selected into a memory device context, filled with white.
class Canvas {
public:
    Canvas(int width, int height) : width_(width) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
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
    COLORREF at(int x, int y) const {
        GdiFlush();
        const std::uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool dark(int x, int y) const {
        const COLORREF c = at(x, y);
        return GetRValue(c) < 160 && GetGValue(c) < 160 && GetBValue(c) < 160;
    }
    // The rightmost column with dark ink in the rows top..bottom, or -1.
    int inkRight(int top, int bottom) const {
        for (int x = width_ - 1; x >= 0; --x) {
            for (int y = top; y < bottom; ++y) {
                if (dark(x, y)) return x;
            }
        }
        return -1;
    }

private:
    int width_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};

class GraphicsSession {
public:
    GraphicsSession() { app.startGraphics(); }
    BrowserApp app{GetModuleHandleW(nullptr)};
};

TEST(FramePainting, PageTitlesKeepTheirAmpersands) {
    const GraphicsSession graphics;
    const std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> font(createUiFont(GetDesktopWindow(), 2.0));
    const auto inkWidth = [&](const char* text) {
        Canvas canvas(300, 60);
        drawPaintOps(canvas.dc(), nullptr, font.get(),
                     {TextOp{Rect{0, 0, 300, 60}, text, Color{0, 0, 0}, TextLayout::Left}});
        return canvas.inkRight(0, 60);
    };
    const int plain = inkWidth("W");
    ASSERT_GT(plain, 5);
    // As a mnemonic prefix the ampersand would vanish and "&W" would be as wide as "W".
    EXPECT_GT(inkWidth("&W"), plain + 5);
    EXPECT_GT(inkWidth("Q&A"), inkWidth("QA") + 5);
}

TEST(FramePainting, TheInformationGlyphHasItsDot) {
    const GraphicsSession graphics;
    Canvas canvas(100, 100);
    drawGlyph(canvas.dc(), Point{50, 50}, 4.0, GlyphKind::Information, Color{0, 0, 0});
    EXPECT_TRUE(canvas.dark(50, 50 - 16));   // the dot, 4 units above the centre
    EXPECT_FALSE(canvas.dark(50, 50 - 10));  // the gap between dot and stem
    EXPECT_TRUE(canvas.dark(50, 50 + 8));    // the stem
    EXPECT_TRUE(canvas.dark(50, 50 + 28));   // the circle, 7 units below
}

TEST(FramePainting, RoundedFillsLeaveTheirCornersAndBlend) {
    const GraphicsSession graphics;
    Canvas canvas(100, 100);
    fillRoundedRect(canvas.dc(), Rect{10, 10, 90, 90}, Color{0, 0, 0}, 40.0f, 255);
    EXPECT_EQ(canvas.at(11, 11), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(50, 50), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(50, 11), RGB(0, 0, 0));
    fillRoundedRect(canvas.dc(), Rect{0, 0, 100, 8}, Color{0, 0, 0}, 2.0f, 128);
    const COLORREF half = canvas.at(50, 4);
    EXPECT_NEAR(GetRValue(half), 127, 3);
    // Nothing for an empty rectangle.
    fillRoundedRect(canvas.dc(), Rect{95, 95, 95, 99}, Color{0, 0, 0}, 4.0f, 255);
    EXPECT_EQ(canvas.at(95, 96), RGB(255, 255, 255));
}

TEST(FramePainting, TheWindowsStateReachesThePicture) {
    WindowFixture f;
    f.addTab(kPortal);
    f.addTab(kPortal + L"b", true)->ajaxBusy = true;
    f.app.selectTab(1);
    f.app.hoveredCaptionButton = 2;
    f.app.setStatus(L"Gati p\u00EBr pun\u00EB", 0);

    const FrameSnapshot frame = frameSnapshot(f.app);
    EXPECT_EQ(frame.clientWidth, 1280);
    EXPECT_EQ(frame.clientHeight, 850);
    ASSERT_EQ(frame.tabs.size(), 2u);
    EXPECT_EQ(frame.tabs[1].title, "Skeda 2");
    EXPECT_TRUE(frame.tabs[1].dirty);
    EXPECT_TRUE(frame.tabs[1].busy());
    EXPECT_EQ(frame.activeTab, 1);
    EXPECT_EQ(frame.hover.hoveredCaptionButton, 2);
    EXPECT_EQ(frame.status.text, "Gati p\xC3\xABr pun\xC3\xAB");

    Canvas canvas(1280, 850);
    drawPaintOps(canvas.dc(), f.app.instance, f.app.uiFont.get(), paintFrame(frame));
    EXPECT_EQ(canvas.at(640, 20), RGB(0xE8, 0xED, 0xF5));        // tab strip
    EXPECT_EQ(canvas.at(45 + 238 + 60, 12), RGB(255, 255, 255));  // the selected second tab
    EXPECT_EQ(canvas.at(1280 - 138 + 100, 30), RGB(0xDB, 0x38, 0x42));  // hovered close button
    EXPECT_EQ(canvas.at(640, 840), RGB(0xEF, 0xF3, 0xF4));       // status band
    EXPECT_EQ(canvas.at(640, 200), RGB(0xF8, 0xFA, 0xFB));       // page area without a view
}

}  // namespace
}  // namespace vesko
