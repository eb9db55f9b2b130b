#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include <QString>

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include "core/Geometry.h"

namespace quenda::x11 {

// Frame extents: left, right, top, bottom.
struct Extents {
    double left = 0, right = 0, top = 0, bottom = 0;
};

// What a window says of itself in properties that the list needs. Its map state is not
// among them: it also depends on the frame around it, which reports nothing to us.
struct ClientProps {
    std::vector<xcb_atom_t> types;
    std::vector<xcb_atom_t> states;
    std::optional<uint32_t> desktop;
    bool transient = false;
    bool iconic = false;  // WM_STATE Iconic: minimised, or on another desktop
    Extents frame, gtk;
    std::optional<double> opacity;
};

// What only some questions need; read for a whole pass the first time one asks.
struct ClientDetails {
    std::optional<QString> title;
    QString wmClass;       // the class half of WM_CLASS: the application's name
    QString wmInstance;    // the instance half: often the program's name
    bool closable = true;  // unless the manager's allowed actions leave closing out
    std::optional<xcb_size_hints_t> hints;
};

// What the window list and the attribute reads need of one client window.
struct ClientInfo : ClientProps {
    xcb_window_t id = 0;
    std::optional<int32_t> pid;
    bool viewable = false;
    Rect client;  // root coordinates
    std::optional<ClientDetails> details;

    // The visible outer frame in root coordinates: client, less client-side shadows, plus
    // the window manager's decorations.
    Rect outer() const {
        return {client.x - frame.left + gtk.left, client.y - frame.top + gtk.top,
                client.width + frame.left + frame.right - gtk.left - gtk.right,
                client.height + frame.top + frame.bottom - gtk.top - gtk.bottom};
    }
    // Decorations and client-side shadows, as one set of extents around the client.
    Extents visibleExtents() const {
        return {frame.left - gtk.left, frame.right - gtk.right, frame.top - gtk.top,
                frame.bottom - gtk.bottom};
    }
    bool hasType(xcb_atom_t a) const {
        return std::find(types.begin(), types.end(), a) != types.end();
    }
    bool hasState(xcb_atom_t a) const {
        return std::find(states.begin(), states.end(), a) != states.end();
    }
};

using Clients = std::map<xcb_window_t, ClientInfo>;

}  // namespace quenda::x11
