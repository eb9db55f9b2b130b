#include "platform/x11/DesktopPass.h"

#include <algorithm>

#include "platform/x11/Ewmh.h"
#include "platform/x11/Monitors.h"
#include "platform/x11/WindowTypes.h"

namespace quenda::x11 {

namespace {

// The root's facts, asked at construction and read at take().
class RootRequest {
  public:
    RootRequest(X11Connection& x, bool withLists) : x_(x), monitors_(x) {
        const Atoms& a = x.atoms();
        const xcb_window_t root = x.root();
        if (withLists) {
            stacking_ = x.requestProperty(root, a.NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW, 65536);
            clients_ = x.requestProperty(root, a.NET_CLIENT_LIST, XCB_ATOM_WINDOW, 65536);
        }
        desktop_ = x.requestProperty(root, a.NET_CURRENT_DESKTOP, XCB_ATOM_CARDINAL, 1);
        active_ = x.requestProperty(root, a.NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 1);
        supported_ = x.requestProperty(root, a.NET_SUPPORTED, XCB_ATOM_ATOM, 4096);
    }

    void take(DesktopPass& p) {
        if (stacking_) p.stacking = values32(x_.property(*stacking_).get());
        if (clients_) p.clients = values32(x_.property(*clients_).get());
        // Managers that keep only one of the lists.
        if (p.clients.empty()) p.clients = p.stacking;
        if (p.stacking.empty()) p.stacking = p.clients;
        p.currentDesktop = first32(x_.property(desktop_).get());
        p.active = first32(x_.property(active_).get()).value_or(XCB_WINDOW_NONE);
        const auto hints = values32(x_.property(supported_).get());
        p.hiddenSupported =
            std::find(hints.begin(), hints.end(), x_.atoms().NET_WM_STATE_HIDDEN) != hints.end();
        p.restackSupported =
            std::find(hints.begin(), hints.end(), x_.atoms().NET_RESTACK_WINDOW) != hints.end();
        p.origin = originOf(monitors_.take());
    }

  private:
    X11Connection& x_;
    MonitorsRequest monitors_;
    std::optional<xcb_get_property_cookie_t> stacking_, clients_;
    xcb_get_property_cookie_t desktop_, active_, supported_;
};

}  // namespace

bool DesktopPass::minimized(const ClientInfo& c, const Atoms& a) const {
    if (hiddenSupported) return c.hasState(a.NET_WM_STATE_HIDDEN);
    return c.iconic;
}

bool DesktopPass::onCurrentDesktop(const ClientInfo& c) const {
    return !c.desktop || *c.desktop == kAllDesktops || !currentDesktop ||
           *c.desktop == *currentDesktop;
}

std::vector<WindowListEntry> DesktopPass::windowList(const Atoms& a) const {
    std::vector<WindowListEntry> list;
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        const auto found = info.find(*it);
        if (found == info.end()) continue;
        const ClientInfo& c = found->second;
        if (isDesktopWindow(c, a) || !onCurrentDesktop(c) || !c.viewable || minimized(c, a))
            continue;
        const Rect outer = c.outer();
        list.push_back({layerOf(c, a), c.pid,
                        Rect{outer.x - origin.x, outer.y - origin.y, outer.width, outer.height},
                        c.opacity, c.id});
    }
    return list;
}

DesktopPass readDesktop(X11Connection& x, ClientCache* cache) {
    DesktopPass p;
    if (!x.alive()) return p;
    RootRequest(x, true).take(p);
    std::vector<xcb_window_t> all = p.clients;
    for (xcb_window_t w : p.stacking) {
        if (std::find(all.begin(), all.end(), w) == all.end()) all.push_back(w);
    }
    if (cache) cache->keepOnly(all);
    p.info = fetchClients(x, all, false, cache);
    return p;
}

DesktopPass readWindow(X11Connection& x, xcb_window_t window, bool withDetails,
                       ClientCache* cache) {
    DesktopPass p;
    if (!x.alive()) return p;
    RootRequest root(x, false);
    ClientsRequest client(x, {window}, withDetails, cache);
    root.take(p);
    p.info = client.take();
    return p;
}

}  // namespace quenda::x11
