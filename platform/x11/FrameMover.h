#pragma once

#include <map>
#include <optional>
#include <vector>

#include "core/Geometry.h"
#include "platform/x11/ClientInfo.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// Moves and resizes a window's outer frame through the window manager, and waits (briefly,
// with a deadline) until the manager has done it, so the next read sees the result.
class FrameMover {
  public:
    explicit FrameMover(X11Connection& x) : x_(x) {}

    // A change of a window's outer frame, in root coordinates. Either part may be absent: a
    // move keeps the size, a resize keeps the top-left corner.
    struct Move {
        std::optional<Point> position;
        std::optional<Size> size;
    };

    // Sends every move at once, then waits for all of them together, so moving a dozen
    // windows costs about what moving one does.
    void apply(const std::map<xcb_window_t, Move>& moves);

    // What the window's size hints let it take of a requested client size.
    static Size acceptedClientSize(const ClientInfo& c, Size requested);

    static constexpr int kSettleMs = 200;

  private:
    void unmaximise(const ClientInfo& c);
    struct Sent {
        Rect before, target;
        Extents extents;
        bool move, resize;
    };
    void send(xcb_window_t window, const Rect& outer, const Extents& e, bool move, bool resize);
    // Waits until each window shows its target, or has settled on the manager's own answer;
    // returns those that did not change at all.
    std::vector<xcb_window_t> waitForAll(const std::map<xcb_window_t, Sent>& sent);

    X11Connection& x_;
};

}  // namespace quenda::x11
