#pragma once

#include <optional>
#include <vector>

#include "platform/ports/WindowServer.h"
#include "platform/x11/ClientsRequest.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// The desktop as one pass read it: the root's facts and the clients asked about.
struct DesktopPass {
    std::vector<xcb_window_t> stacking;  // bottom to top
    std::vector<xcb_window_t> clients;   // the manager's client list, in its order
    Clients info;
    std::optional<uint32_t> currentDesktop;
    xcb_window_t active = XCB_WINDOW_NONE;
    bool hiddenSupported = false;
    // The manager takes `_NET_RESTACK_WINDOW` (xfwm4 does not list it, and ignores it).
    bool restackSupported = false;
    Point origin;  // the primary monitor's top-left, in root coordinates

    // Where the manager has a hidden state, that alone means minimised: openbox marks
    // windows of other desktops Iconic too.
    bool minimized(const ClientInfo& c, const Atoms& a) const;
    bool onCurrentDesktop(const ClientInfo& c) const;
    // The on-screen windows, front to back, in window coordinates.
    std::vector<WindowListEntry> windowList(const Atoms& a) const;
};

// Every client on the desktop: two round trips (the root, then all clients together).
DesktopPass readDesktop(X11Connection& x, ClientCache* cache);
// The root's facts and one window, in one round trip; the window is missing from `info`
// when it is gone.
DesktopPass readWindow(X11Connection& x, xcb_window_t window, bool withDetails, ClientCache* cache);

}  // namespace quenda::x11
