#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include <QString>

#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include "core/Geometry.h"
#include "platform/x11/X11Connection.h"

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
    bool hasType(xcb_atom_t a) const;
    bool hasState(xcb_atom_t a) const;
};

using Clients = std::map<xcb_window_t, ClientInfo>;

// What windows said in properties, their owners, sizes and map states, kept between reads.
// Each window read once is watched (property changes and its structure: resize, map, unmap,
// reparent, destruction), and each part of its entry is read again only after the window
// reported a change to it, as taskbars do. The position is never kept: the frame around
// the window moves it without telling us, so every read measures it.
class ClientCache {
  public:
    explicit ClientCache(X11Connection& x) : x_(x) {}
    // Takes in one event of the connection.
    void handle(const xcb_generic_event_t& e);
    // Forgets windows that are not in `live` (gone from the manager's lists).
    void keepOnly(const std::vector<xcb_window_t>& live);
    void keepDetails(xcb_window_t window, const ClientDetails& details);

  private:
    friend class ClientsRequest;
    struct Entry {
        // Each part is nothing when it must be read again.
        std::optional<ClientProps> props;
        std::optional<ClientDetails> details;
        std::optional<Size> size;
        std::optional<bool> viewable;
        std::optional<int32_t> pid;
        bool pidAsked = false;
        bool watched = false;
    };
    X11Connection& x_;
    std::unordered_map<xcb_window_t, Entry> entries_;
};

// Reads many windows at once: every question is sent at construction, before any answer
// is awaited in take(), so fifty windows cost about one round trip. Windows that vanished
// are left out of the answer. With a cache, only geometry and what changed are asked.
class ClientsRequest {
  public:
    ClientsRequest(X11Connection& x, std::vector<xcb_window_t> windows, bool withDetails,
                   ClientCache* cache = nullptr);
    ~ClientsRequest();
    ClientsRequest(const ClientsRequest&) = delete;
    ClientsRequest& operator=(const ClientsRequest&) = delete;
    Clients take();

  private:
    struct Cookies;
    X11Connection& x_;
    ClientCache* cache_;
    ClientCache own_;  // a cache of this read only, when none is given
    std::vector<xcb_window_t> windows_;
    std::vector<Cookies> cookies_;
    std::optional<xcb_res_query_client_ids_cookie_t> owners_;
    bool withDetails_;
    bool again_ = false;  // this is the second read of windows that changed during the first
    bool taken_ = false;
};

// Reads the details of every client that lacks them (of those `which` picks), in one round
// trip, and keeps them in the cache.
void fetchDetails(X11Connection& x, Clients& clients,
                  const std::function<bool(const ClientInfo&)>& which = {},
                  ClientCache* cache = nullptr);

inline Clients fetchClients(X11Connection& x, const std::vector<xcb_window_t>& windows,
                            bool withDetails = false, ClientCache* cache = nullptr) {
    return ClientsRequest(x, windows, withDetails, cache).take();
}

// The root's client list, bottom to top (stacking order when the manager keeps it).
std::vector<xcb_window_t> clientList(X11Connection& x, bool stacking);

}  // namespace quenda::x11
