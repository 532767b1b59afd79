#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "ui/frame_colors.h"
#include "ui/frame_focus.h"
#include "ui/frame_palette.h"
#include "ui/frame_geometry.h"
#include "ui/glyphs.h"
#include "ui/hit_testing.h"
#include "ui/status_line.h"

namespace vesko {

// What the frame shows of one tab.
struct PaintTab {
    std::string title;  // UTF-8
    std::uint32_t id = 0;
    bool loading = false;
    bool ajaxBusy = false;
    bool dirty = false;
    bool canGoBack = false;
    bool canGoForward = false;
    double zoom = 1.0;

    bool busy() const { return loading || ajaxBusy; }
};

// Everything the frame's look depends on, gathered by the window before painting.
struct FrameSnapshot {
    int clientWidth = 0;
    int clientHeight = 0;
    double dpiScale = 1.0;
    bool engineReady = false;
    bool maximized = false;
    bool animationsEnabled = true;
    bool addressFocused = false;
    std::vector<PaintTab> tabs;
    int activeTab = -1;
    int firstVisibleTab = 0;
    HoverState hover;
    int pressedToolbarButton = -1;
    float newTabHoverLevel = 0.0f;
    StatusLine status;
    std::int64_t nowMs = 0;       // Unix milliseconds, the status line's clock
    std::uint64_t tickMs = 0;     // GetTickCount64, the animations' clock
    FramePalette palette = normalPalette();
    // The keyboard focus; its mark is drawn only while the window itself has the focus.
    FrameFocus focus;
    bool windowFocused = false;
    bool menuOpen = false;
    std::string windowTitle;  // UTF-8, what the title bar says
    std::string address;      // UTF-8, the address field's text

    // The tab in front, or nullptr when there is none.
    const PaintTab* activeTabOrNull() const {
        return activeTab >= 0 && static_cast<std::size_t>(activeTab) < tabs.size()
                   ? &tabs[static_cast<std::size_t>(activeTab)]
                   : nullptr;
    }

    // The part the mouse handling reads, so hit-testing and painting see the same frame.
    FrameState hitState() const {
        return FrameState{clientWidth, clientHeight, dpiScale, static_cast<int>(tabs.size()), firstVisibleTab,
                          engineReady, maximized};
    }
};

// Drawing operations in device pixels, painted in list order into the back buffer.

// An opaque rectangle fill.
struct FillOp {
    Rect rect;
    Color color;
};

// An anti-aliased rounded fill (see roundedRectArcs) at the given opacity.
struct RoundedFillOp {
    Rect rect;
    Color color;
    float diameter = 0.0f;
    std::uint8_t alpha = 255;
};

// A glyph centred at `centre`, its units scaled by `scale`, opaque.
struct GlyphOp {
    Point centre;
    double scale = 1.0;
    GlyphKind kind = GlyphKind::Back;
    Color color;
};

// A tab's busy spinner: the ring (flat caps) and the arc (round caps), pen kSpinnerPenWidth.
struct SpinnerOp {
    Point centre;
    double scale = 1.0;
    SpinnerArc arc;
    Color track;
    Color turning;
};

// The application icon (resource 1) drawn at size × size.
struct IconOp {
    Point topLeft;
    int size = 0;
};

enum class TextLayout {
    Left,      // DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS
    Centered,  // DT_CENTER | DT_VCENTER | DT_SINGLELINE
    Right,     // DT_RIGHT | DT_VCENTER | DT_SINGLELINE
};

// Text in the UI font on a transparent background.
struct TextOp {
    Rect rect;
    std::string text;  // UTF-8
    Color color;
    TextLayout layout = TextLayout::Left;
};

// A rectangle's outline `thickness` pixels wide, inside the rectangle.
struct OutlineOp {
    Rect rect;
    Color color;
    int thickness = 1;
};

using PaintOp = std::variant<FillOp, RoundedFillOp, GlyphOp, SpinnerOp, IconOp, TextOp, OutlineOp>;

// The whole frame: background, tab strip with tabs, scroll marks and new-tab button,
// toolbar with buttons, address box, information button, progress line and menu button
// (the strip's contents and the toolbar only once the engine is ready), caption buttons,
// status line and zoom. The page views and the address text are child windows and are
// not part of it.
std::vector<PaintOp> paintFrame(const FrameSnapshot& frame);

// The font height in pixels (a character height, negative for CreateFontW).
int uiFontHeight(double dpiScale);

}  // namespace vesko
