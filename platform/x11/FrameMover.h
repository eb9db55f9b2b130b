#pragma once

#include <optional>

#include "core/Geometry.h"
#include "platform/x11/ClientInfo.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// Moves and resizes a window's outer frame through the window manager, and waits (briefly,
// with a deadline) until the manager has done it, so the next read sees the result.
class FrameMover {
  public:
    explicit FrameMover(X11Connection& x) : x_(x) {}

    // Frames are in root coordinates. Either part may be absent: a move keeps the size, a
    // resize keeps the top-left corner.
    void apply(xcb_window_t window, std::optional<Point> position, std::optional<Size> size);

    // What the window's size hints let it take of a requested client size.
    static Size acceptedClientSize(const ClientInfo& c, Size requested);

    static constexpr int kSettleMs = 200;

  private:
    void unmaximise(const ClientInfo& c);
    void send(xcb_window_t window, const Rect& outer, const Extents& e, bool move, bool resize);
    std::optional<Rect> waitForChange(xcb_window_t window, const Rect& before, const Rect& target);

    X11Connection& x_;
};

}  // namespace quenda::x11
