#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include <QString>

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include "core/Geometry.h"

namespace quenda::x11 {

class X11Connection;

// Frame extents: left, right, top, bottom.
struct Extents {
    double left = 0, right = 0, top = 0, bottom = 0;
};

// Everything the window layer asks of one client window, read in one pass.
struct ClientInfo {
    xcb_window_t id = 0;
    std::optional<int32_t> pid;
    std::vector<xcb_atom_t> types;
    std::vector<xcb_atom_t> states;
    std::optional<uint32_t> desktop;
    bool transient = false;
    bool iconic = false;  // WM_STATE Iconic: minimised, or on another desktop
    bool viewable = false;
    Extents frame, gtk;
    std::optional<double> opacity;
    std::optional<QString> title;
    QString wmClass;
    Rect client;  // root coordinates
    std::optional<xcb_size_hints_t> hints;

    // The visible outer frame in root coordinates: client, less client-side shadows, plus
    // the window manager's decorations.
    Rect outer() const {
        return {client.x - frame.left + gtk.left, client.y - frame.top + gtk.top,
                client.width + frame.left + frame.right - gtk.left - gtk.right,
                client.height + frame.top + frame.bottom - gtk.top - gtk.bottom};
    }
    bool has(const std::vector<xcb_atom_t>& list, xcb_atom_t a) const;
};

// Reads the given windows with every request sent before any reply is awaited, so a
// hundred windows cost about one round trip. Windows that vanished are left out.
std::map<xcb_window_t, ClientInfo> fetchClients(X11Connection& x,
                                                const std::vector<xcb_window_t>& windows);

// The root's client list, bottom to top (stacking order when the manager keeps it).
std::vector<xcb_window_t> clientList(X11Connection& x, bool stacking);

}  // namespace quenda::x11
