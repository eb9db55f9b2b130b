#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include <xcb/xcb.h>

#include "platform/x11/ClientInfo.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

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

}  // namespace quenda::x11
