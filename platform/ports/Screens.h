#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "core/Geometry.h"

namespace quenda {

// One display as the desktop reports it, in the coordinates windows use: pixels with the
// primary monitor's top-left corner as the origin, y growing downwards.
struct ScreenInfo {
    std::optional<uint32_t> number;  // the display's identity; absent when it has none
    Rect frame;                      // the whole display
    Rect visibleFrame;               // less the panels, docks and menu bars on it
    QString name;
    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

class Screens {
  public:
    virtual ~Screens() = default;
    // Every display, the primary one first; empty when there are none.
    virtual std::vector<ScreenInfo> screens() = 0;
    // The display the user is working on (the one with the keyboard focus), if any.
    virtual std::optional<ScreenInfo> mainScreen() = 0;
    // The pointer, in the same coordinates.
    virtual Point pointerLocation() = 0;
};

}  // namespace quenda
