#pragma once

#include "ui/frame_geometry.h"

namespace vesko {

// Window hit-test codes (the documented WM_NCHITTEST results) that the custom frame
// answers.
inline constexpr int kHitClient = 1;
inline constexpr int kHitCaption = 2;
inline constexpr int kHitLeft = 10;
inline constexpr int kHitRight = 11;
inline constexpr int kHitTop = 12;
inline constexpr int kHitTopLeft = 13;
inline constexpr int kHitTopRight = 14;
inline constexpr int kHitBottom = 15;
inline constexpr int kHitBottomLeft = 16;
inline constexpr int kHitBottomRight = 17;

// What the frame's mouse handling needs to know about the window.
struct FrameState {
    int clientWidth = 0;
    int clientHeight = 0;
    double dpiScale = 1.0;
    int tabCount = 0;
    int firstVisibleTab = 0;
    bool engineReady = false;
    bool maximized = false;
};

// The answer to WM_NCHITTEST for a point in client coordinates: resize edges (not when
// maximised), then the client area below the strip and the caption buttons; in the strip
// the tabs and strip buttons are client area once the engine is ready, and everything
// else drags the window.
int frameHitTest(Point p, const FrameState& frame);

// What the pointer is over. The window stores it and repaints when it changes.
struct HoverState {
    int hoveredToolbarItem = -1;
    int hoveredCaptionButton = -1;
    bool newTabHovered = false;
    int hoveredTab = -1;
    bool tabCloseHovered = false;

    friend bool operator==(const HoverState&, const HoverState&) = default;
};

// The hover state for the pointer at p. The state after the pointer left the window is
// a default HoverState.
HoverState hoverAt(Point p, const FrameState& frame);

enum class FrameAction {
    None,
    Minimize,
    Maximize,
    Restore,
    Close,
    ToolbarButton,  // index: the button, 0 to 3 (toolbarButtonCommand gives its command)
    ShowMenu,
    PageInfo,
    CloseTab,  // index: the tab
    SelectTab,  // index: the tab
    NewTab,
    ScrollLeft,
    ScrollRight,
};

struct FrameClick {
    FrameAction action = FrameAction::None;
    int index = -1;

    friend bool operator==(const FrameClick&, const FrameClick&) = default;
};

// What a left click at p does. The caption buttons work at any time; the toolbar and
// the tab strip only once the engine is ready.
FrameClick clickAt(Point p, const FrameState& frame);

// The tab a middle-button release at p closes, or -1.
int middleClickTabAt(Point p, const FrameState& frame);

}  // namespace vesko
