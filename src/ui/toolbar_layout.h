#pragma once

#include <cstdint>

#include "ui/frame_geometry.h"

namespace vesko {

inline constexpr int kNoItem = -1;

// Toolbar items: the four buttons left of the address box, then the three-dots menu
// button at the right end and the page-information icon inside the address box.
inline constexpr int kToolbarBack = 0;
inline constexpr int kToolbarForward = 1;
inline constexpr int kToolbarReloadOrStop = 2;
inline constexpr int kToolbarHome = 3;
inline constexpr int kToolbarButtonCount = 4;
inline constexpr int kToolbarMenu = 4;
inline constexpr int kToolbarPageInfo = 5;

// Caption buttons, left to right at the right end of the tab strip.
inline constexpr int kCaptionMinimize = 0;
inline constexpr int kCaptionMaximize = 1;  // restore while maximised
inline constexpr int kCaptionClose = 2;
inline constexpr int kCaptionButtonCount = 3;

// How long a clicked toolbar button keeps its pressed look.
inline constexpr std::uint64_t kPressedLookMs = 160;

// The toolbar item under the pointer, or kNoItem: only the rows the buttons span.
int toolbarItemAt(Point p, int clientWidth, double dpiScale);

// The toolbar item a click at column x of the toolbar band acts on, or kNoItem. The
// whole band height counts, and clicks left of the first button still count for it.
int toolbarItemForClick(int x, int clientWidth, double dpiScale);

// The caption button under the pointer, or kNoItem.
int captionButtonAt(Point p, int clientWidth, double dpiScale);

// Where toolbar item `item` is drawn (the rows its hover spans), or an empty rectangle.
Rect toolbarItemRect(int item, int clientWidth, double dpiScale);

// Where caption button `button` is drawn and answers the pointer.
Rect captionButtonRect(int button, int clientWidth, double dpiScale);

// Back, Forward, ReloadOrStop, Home for buttons 0 to 3; 0 for anything else.
std::int32_t toolbarButtonCommand(int button);

}  // namespace vesko
