#include "ui/frame_painter_win.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "base/files.h"
#include "base/gdiplus_win.h"
#include "base/scoped_handles_win.h"
#include "base/wide_text_win.h"

namespace vesko {
namespace {

namespace gdip = Gdiplus::DllExports;

// BeginPaint and EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }
    const RECT& update() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// The back buffer: a memory device context with a compatible bitmap selected into it.
class BackBuffer {
public:
    BackBuffer(HDC target, int width, int height)
        : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)) {
        if (dc_ != nullptr && bitmap_) selected_.emplace(dc_, bitmap_.get());
    }
    ~BackBuffer() {
        selected_.reset();
        bitmap_.reset();
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;
    bool ready() const { return selected_.has_value(); }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    BitmapOwner bitmap_;
    std::optional<SelectedObject> selected_;
};

Gdiplus::ARGB argb(Color c, std::uint8_t alpha = 255) {
    return (static_cast<Gdiplus::ARGB>(alpha) << 24) | (static_cast<Gdiplus::ARGB>(c.r) << 16) |
           (static_cast<Gdiplus::ARGB>(c.g) << 8) | static_cast<Gdiplus::ARGB>(c.b);
}

COLORREF colorRef(Color c) { return RGB(c.r, c.g, c.b); }

GraphicsOwner antiAliasedGraphics(HDC dc) {
    Gdiplus::GpGraphics* raw = nullptr;
    if (gdip::GdipCreateFromHDC(dc, &raw) != Gdiplus::Ok) return nullptr;
    GraphicsOwner graphics(raw);
    gdip::GdipSetSmoothingMode(raw, Gdiplus::SmoothingModeAntiAlias);
    gdip::GdipSetPixelOffsetMode(raw, Gdiplus::PixelOffsetModeHighQuality);
    return graphics;
}

// A pen whose width is in world units, so it scales with the glyph.
PenOwner makePen(Color color, float width, bool roundCaps) {
    Gdiplus::GpPen* raw = nullptr;
    if (gdip::GdipCreatePen1(argb(color), width, Gdiplus::UnitWorld, &raw) != Gdiplus::Ok) return nullptr;
    PenOwner pen(raw);
    if (roundCaps) {
        gdip::GdipSetPenStartCap(raw, Gdiplus::LineCapRound);
        gdip::GdipSetPenEndCap(raw, Gdiplus::LineCapRound);
        gdip::GdipSetPenLineJoin(raw, Gdiplus::LineJoinRound);
    }
    return pen;
}

GpBrushOwner makeBrush(Color color, std::uint8_t alpha = 255) {
    Gdiplus::GpSolidFill* raw = nullptr;
    if (gdip::GdipCreateSolidFill(argb(color, alpha), &raw) != Gdiplus::Ok) return nullptr;
    return GpBrushOwner(raw);
}

// Moves the origin to `centre` and scales glyph units to pixels.
void placeGlyph(Gdiplus::GpGraphics* graphics, Point centre, double scale) {
    gdip::GdipTranslateWorldTransform(graphics, static_cast<Gdiplus::REAL>(centre.x),
                                      static_cast<Gdiplus::REAL>(centre.y), Gdiplus::MatrixOrderPrepend);
    gdip::GdipScaleWorldTransform(graphics, static_cast<Gdiplus::REAL>(scale), static_cast<Gdiplus::REAL>(scale),
                                  Gdiplus::MatrixOrderPrepend);
}

UINT textFormat(TextLayout layout) {
    // Titles come from web pages: an ampersand is text, never a mnemonic prefix.
    switch (layout) {
        case TextLayout::Left: return DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
        case TextLayout::Centered: return DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
        case TextLayout::Right: return DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    }
    return DT_SINGLELINE | DT_NOPREFIX;
}

void fillRect(HDC dc, const Rect& rect, Color color) {
    const BrushOwner brush(CreateSolidBrush(colorRef(color)));
    if (!brush) return;
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc, &r, brush.get());
}

void drawText(HDC dc, HFONT font, const TextOp& op) {
    std::optional<SelectedObject> selectedFont;
    if (font != nullptr) selectedFont.emplace(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorRef(op.color));
    RECT r{op.rect.left, op.rect.top, op.rect.right, op.rect.bottom};
    const std::wstring text = toWide(op.text);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, textFormat(op.layout));
}

struct OpDrawer {
    HDC dc;
    HINSTANCE instance;
    HFONT font;

    void operator()(const FillOp& op) const { fillRect(dc, op.rect, op.color); }
    void operator()(const RoundedFillOp& op) const { fillRoundedRect(dc, op.rect, op.color, op.diameter, op.alpha); }
    void operator()(const GlyphOp& op) const { drawGlyph(dc, op.centre, op.scale, op.kind, op.color); }
    void operator()(const SpinnerOp& op) const { drawSpinner(dc, op.centre, op.scale, op.arc, op.track, op.turning); }
    void operator()(const IconOp& op) const { drawAppIcon(dc, instance, op.topLeft.x, op.topLeft.y, op.size); }
    void operator()(const TextOp& op) const { drawText(dc, font, op); }
    void operator()(const OutlineOp& op) const {
        const Rect& r = op.rect;
        const int t = op.thickness;
        fillRect(dc, {r.left, r.top, r.right, r.top + t}, op.color);
        fillRect(dc, {r.left, r.bottom - t, r.right, r.bottom}, op.color);
        fillRect(dc, {r.left, r.top + t, r.left + t, r.bottom - t}, op.color);
        fillRect(dc, {r.right - t, r.top + t, r.right, r.bottom - t}, op.color);
    }
};

struct FontSearch {
    bool found = false;
};

int CALLBACK noteFontFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM data) {
    reinterpret_cast<FontSearch*>(data)->found = true;
    return 0;  // one is enough
}

bool fontFamilyInstalled(HDC dc, const wchar_t* family) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(query.lfFaceName, family, LF_FACESIZE - 1);
    FontSearch search;
    EnumFontFamiliesExW(dc, &query, noteFontFamily, reinterpret_cast<LPARAM>(&search), 0);
    return search.found;
}

// GetDC and ReleaseDC for a window (never used while painting).
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace

void paintMainWindow(const WindowState& window, const FrameSnapshot& frame) {
    const PaintScope paint(window.window);
    if (paint.dc() == nullptr) return;
    RECT client{};
    GetClientRect(window.window, &client);
    const RECT& update = paint.update();
    const BackBuffer buffer(paint.dc(), std::max<int>(client.right - client.left, 1), std::max<int>(update.bottom, 1));
    if (!buffer.ready()) return;
    drawPaintOps(buffer.dc(), window.instance, window.uiFont.get(), paintFrame(frame));
    BitBlt(paint.dc(), update.left, update.top, update.right - update.left, update.bottom - update.top, buffer.dc(),
           update.left, update.top, SRCCOPY);
}

void drawPaintOps(HDC dc, HINSTANCE instance, HFONT font, const std::vector<PaintOp>& ops) {
    const OpDrawer drawer{dc, instance, font};
    for (const PaintOp& op : ops) std::visit(drawer, op);
}

HFONT createUiFont(HWND window, double dpiScale) {
    const wchar_t* face = L"Segoe UI";
    {
        const WindowDc dc(window);
        if (dc.get() != nullptr && fontFamilyInstalled(dc.get(), L"Segoe UI Variable Text")) {
            face = L"Segoe UI Variable Text";
        }
    }
    return CreateFontW(-uiFontHeight(dpiScale), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

void fillRoundedRect(HDC dc, const Rect& rect, Color color, float diameter, std::uint8_t alpha) {
    const auto arcs = roundedRectArcs(rect, diameter);
    if (!arcs) return;
    const GraphicsOwner graphics = antiAliasedGraphics(dc);
    if (!graphics) return;
    Gdiplus::GpPath* rawPath = nullptr;
    if (gdip::GdipCreatePath(Gdiplus::FillModeAlternate, &rawPath) != Gdiplus::Ok) return;
    const PathOwner path(rawPath);
    if ((*arcs)[0].box.width <= 0.0f) {
        // No rounding asked for: the plain rectangle (an arc of no size adds nothing).
        gdip::GdipAddPathRectangle(rawPath, static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
                                   static_cast<Gdiplus::REAL>(rect.width()), static_cast<Gdiplus::REAL>(rect.height()));
    } else {
        for (const GlyphArc& arc : *arcs) {
            gdip::GdipAddPathArc(rawPath, arc.box.x, arc.box.y, arc.box.width, arc.box.height, arc.startDegrees,
                                 arc.sweepDegrees);
        }
        gdip::GdipClosePathFigure(rawPath);
    }
    const GpBrushOwner brush = makeBrush(color, alpha);
    if (brush) gdip::GdipFillPath(graphics.get(), brush.get(), rawPath);
}

void drawGlyph(HDC dc, Point centre, double scale, GlyphKind kind, Color color) {
    const GraphicsOwner graphics = antiAliasedGraphics(dc);
    if (!graphics) return;
    placeGlyph(graphics.get(), centre, scale);
    const Glyph& glyph = glyphFor(kind);
    if (glyph.penWidth > 0.0f) {
        const PenOwner pen = makePen(color, glyph.penWidth, true);
        if (!pen) return;
        for (const GlyphLine& line : glyph.lines) {
            if (line.x1 == line.x2 && line.y1 == line.y2) {
                // A line of no length is the dot its round caps make; not every renderer
                // draws caps for it, so it is filled as that dot.
                if (const GpBrushOwner dot = makeBrush(color)) {
                    const float r = glyph.penWidth / 2.0f;
                    gdip::GdipFillEllipse(graphics.get(), dot.get(), line.x1 - r, line.y1 - r, glyph.penWidth,
                                          glyph.penWidth);
                }
                continue;
            }
            gdip::GdipDrawLine(graphics.get(), pen.get(), line.x1, line.y1, line.x2, line.y2);
        }
        for (const GlyphArc& arc : glyph.arcs) {
            gdip::GdipDrawArc(graphics.get(), pen.get(), arc.box.x, arc.box.y, arc.box.width, arc.box.height,
                              arc.startDegrees, arc.sweepDegrees);
        }
        for (const GlyphBox& box : glyph.ellipses) {
            gdip::GdipDrawEllipse(graphics.get(), pen.get(), box.x, box.y, box.width, box.height);
        }
        for (const GlyphBox& box : glyph.rectangles) {
            gdip::GdipDrawRectangle(graphics.get(), pen.get(), box.x, box.y, box.width, box.height);
        }
    }
    if (!glyph.discs.empty()) {
        const GpBrushOwner brush = makeBrush(color);
        if (!brush) return;
        for (const GlyphDisc& disc : glyph.discs) {
            const float r = disc.diameter / 2.0f;
            gdip::GdipFillEllipse(graphics.get(), brush.get(), disc.cx - r, disc.cy - r, disc.diameter, disc.diameter);
        }
    }
}

void drawSpinner(HDC dc, Point centre, double scale, const SpinnerArc& arc, Color trackColor, Color arcColor) {
    const GraphicsOwner graphics = antiAliasedGraphics(dc);
    if (!graphics) return;
    placeGlyph(graphics.get(), centre, scale);
    const GlyphBox& box = kSpinnerBox;
    if (const PenOwner track = makePen(trackColor, kSpinnerPenWidth, false)) {
        gdip::GdipDrawEllipse(graphics.get(), track.get(), box.x, box.y, box.width, box.height);
    }
    if (const PenOwner turning = makePen(arcColor, kSpinnerPenWidth, true)) {
        gdip::GdipDrawArc(graphics.get(), turning.get(), box.x, box.y, box.width, box.height,
                          static_cast<Gdiplus::REAL>(arc.startDegrees), static_cast<Gdiplus::REAL>(arc.sweepDegrees));
    }
}

void drawAppIcon(HDC dc, HINSTANCE instance, int left, int top, int size) {
    if (instance == nullptr || size <= 0) return;
    // A shared icon belongs to the system's cache and is never destroyed by its user.
    const auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
    if (icon == nullptr) return;
    DrawIconEx(dc, left, top, icon, size, size, 0, nullptr, DI_NORMAL);
}

}  // namespace vesko
