#pragma once

#include <optional>
#include <vector>

#include "core/Geometry.h"
#include "platform/ports/Screens.h"

namespace quenda {

// Where the corner button goes for a window, and the zone in which the pointer makes it
// show in hover mode. Pure geometry, in window coordinates (top-left origin, y down).

// The frames of the window's own close and zoom buttons, where the desktop can tell them;
// without them the usual offsets from the window's left edge stand in.
struct TitleBarButtons {
    std::optional<Rect> close;
    std::optional<Rect> zoom;
};

struct CornerPlacement {
    enum class Shape : uint8_t {
        aboveTitleBar,   // a horizontal capsule just above the window
        leftOfWindow,    // a vertical capsule left of a window pushed to the top
        insideTitleBar,  // a flatter capsule over the top of the title bar
    };
    Shape shape = Shape::aboveTitleBar;
    Rect button;
    Rect hoverZone;
    friend bool operator==(const CornerPlacement&, const CornerPlacement&) = default;
};

enum class CornerSide : uint8_t { left = 0, right = 1 };

// The button's place for a window with frame `window` on a screen whose free area is
// `visibleFrame` (none: no screen at all).
CornerPlacement placeCornerButton(const Rect& window, const std::optional<Rect>& visibleFrame,
                                  CornerSide side, const TitleBarButtons& buttons = {});

// The palette's frame for a palette of `size` hanging below the button at `button`, kept
// 4 pixels inside the free area of the screen that holds the button's bottom-left corner
// (not moved when no screen holds it).
Rect placePalette(const Rect& button, const Size& size, const std::vector<ScreenInfo>& screens);

namespace corner {
inline constexpr double kButtonWidth = 34;
inline constexpr double kButtonHeight = 16;
inline constexpr double kInsideHeight = 15;
inline constexpr double kSideWidth = 17;
inline constexpr double kSideHeight = 24;
inline constexpr double kRightInset = 48;  // the button plus a 14-pixel margin
inline constexpr double kRightZoneWidth = 74;
inline constexpr double kCloseOffset = 14;      // the close button's usual left offset
inline constexpr double kZoomRightOffset = 68;  // the zoom button's usual right edge
inline constexpr double kButtonCentreY = 14;    // their usual vertical centre
inline constexpr double kMinLeftInset = 8;
inline constexpr double kAboveGap = 19;
inline constexpr double kNoScreenTop = 25;
inline constexpr double kPaletteOffset = 6;
inline constexpr double kPaletteMargin = 4;
// The smallest window that gets a button is one pixel larger than these.
inline constexpr double kMinWindowWidth = 300;
inline constexpr double kMinWindowHeight = 150;
// The button counts as under the pointer this far outside its frame.
inline constexpr double kHoverSlack = 4;
// A chosen command runs this long after the palette has gone, in seconds.
inline constexpr double kRunDelay = 0.05;
}  // namespace corner

}  // namespace quenda
