#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <xcb/res.h>
#include <xcb/xcb.h>

#include "platform/x11/ClientCache.h"
#include "platform/x11/ClientInfo.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

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
