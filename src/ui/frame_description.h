#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/frame_geometry.h"
#include "ui/frame_paint.h"
#include "ui/hit_testing.h"

namespace vesko {

// What each part of the frame is to assistive technology. The UI Automation provider maps
// these to control types and patterns, the MSAA object to roles.
enum class FrameRole : std::uint8_t {
    TitleBar,
    Button,
    MenuButton,  // a button that opens a menu (expand and collapse)
    TabList,
    TabItem,
    ToolBar,
    Edit,
    Text,
    StatusBar,
};

// How a text that changes is announced.
enum class LiveSetting : std::uint8_t { Off, Polite, Assertive };

// One part of the frame. `key` names it for as long as it exists: fixed for the frame's
// own parts, derived from the tab's id for a tab and its close button, so a tab keeps
// its key while others open and close around it.
struct FrameElement {
    std::uint32_t key = 0;
    int parent = -1;  // index into the description; -1 for a child of the window
    FrameRole role = FrameRole::Button;
    std::string name;   // UTF-8
    std::string value;  // UTF-8: an edit's text
    std::string itemStatus;  // UTF-8: a tab's busy or unsaved state, empty when neither
    Rect bounds;        // client coordinates; empty when off-screen
    bool enabled = true;
    bool focusable = false;
    bool focused = false;
    bool selected = false;  // the active tab
    bool offscreen = false;
    bool expanded = false;  // the menu button while its menu is open
    bool busy = false;      // a tab whose page is loading or working
    LiveSetting live = LiveSetting::Off;
    // What Invoke, Select or Expand does: the same as a click on the element.
    FrameClick click;
};

// The frame described in document order: the title bar and its three buttons; once the
// engine is ready the tab list with each tab and its close button, the scroll and new-tab
// buttons, the toolbar with its buttons and the address field; then the status bar with
// the status text and the zoom text. A parent always comes before its children.
std::vector<FrameElement> describeFrame(const FrameSnapshot& frame);

// The element with `key`, or nullptr.
const FrameElement* findElement(const std::vector<FrameElement>& elements, std::uint32_t key);

// Keys of the frame's own parts.
namespace frame_keys {
inline constexpr std::uint32_t TitleBar = 1;
inline constexpr std::uint32_t Minimize = 2;
inline constexpr std::uint32_t Maximize = 3;
inline constexpr std::uint32_t Close = 4;
inline constexpr std::uint32_t TabList = 5;
inline constexpr std::uint32_t ScrollLeft = 6;
inline constexpr std::uint32_t ScrollRight = 7;
inline constexpr std::uint32_t NewTab = 8;
inline constexpr std::uint32_t ToolBar = 9;
inline constexpr std::uint32_t Back = 10;
inline constexpr std::uint32_t Forward = 11;
inline constexpr std::uint32_t ReloadOrStop = 12;
inline constexpr std::uint32_t Home = 13;
inline constexpr std::uint32_t PageInfo = 14;
inline constexpr std::uint32_t Address = 15;
inline constexpr std::uint32_t Menu = 16;
inline constexpr std::uint32_t StatusBar = 17;
inline constexpr std::uint32_t StatusText = 18;
inline constexpr std::uint32_t ZoomText = 19;
}  // namespace frame_keys

// A tab's element and its close button's, from the tab's id.
std::uint32_t tabKey(std::uint32_t tabId);
std::uint32_t tabCloseKey(std::uint32_t tabId);

}  // namespace vesko
