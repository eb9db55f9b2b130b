#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <vector>

#include "core/Geometry.h"
#include "platform/x11/ClientsRequest.h"
#include "platform/x11/ManagerRoundTrip.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// Moves and resizes windows' outer frames through the window manager, and waits (with a
// deadline) until the manager has dealt with them, so the next read sees the result.
class FrameMover {
  public:
    FrameMover(X11Connection& x, ClientCache* cache) : x_(x), cache_(cache), manager_(x) {}

    // A change of a window's outer frame, in root coordinates. Either part may be absent: a
    // move keeps the size, a resize keeps the top-left corner.
    struct Move {
        std::optional<Point> position;
        std::optional<Size> size;
    };

    // Sends every move at once, then waits for all of them together, so moving a dozen
    // windows costs about what moving one does. Windows that are gone are skipped.
    void apply(const std::map<xcb_window_t, Move>& moves);

    // Waits until the manager has handled every request sent so far (or the deadline).
    void waitForManager() { manager_.wait(kManagerDeadline); }

    // What the window's size hints let it take of a requested client size.
    static Size acceptedClientSize(const ClientInfo& c, Size requested);

    // How long the manager may take to answer before we read what there is.
    static constexpr std::chrono::milliseconds kManagerDeadline{300};

  private:
    void unmaximise(Clients& clients);

    X11Connection& x_;
    ClientCache* cache_;
    ManagerRoundTrip manager_;
};

// One _NET_MOVERESIZE_WINDOW, as a pager sends it, that puts the window's visible frame at
// `visible`. x and y place the manager's frame (explicit north-west gravity, whatever
// gravity the window asked for itself), so a client-side shadow (`gtk`) is left outside;
// width and height are the client's: the visible size less the decorations, plus shadows.
void requestMoveResize(X11Connection& x, xcb_window_t window, const Rect& visible,
                       const Extents& frame, const Extents& gtk, bool move, bool resize);

}  // namespace quenda::x11
