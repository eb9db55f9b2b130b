#include "platform/x11/FrameMover.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/Ewmh.h"

namespace quenda::x11 {

namespace {

bool sameRect(const Rect& a, const Rect& b) {
    return std::lround(a.x) == std::lround(b.x) && std::lround(a.y) == std::lround(b.y) &&
           std::lround(a.width) == std::lround(b.width) &&
           std::lround(a.height) == std::lround(b.height);
}

bool maximisedOrFullscreen(const ClientInfo& c, const Atoms& a) {
    return c.hasState(a.NET_WM_STATE_MAXIMIZED_VERT) || c.hasState(a.NET_WM_STATE_MAXIMIZED_HORZ) ||
           c.hasState(a.NET_WM_STATE_FULLSCREEN);
}

struct Sent {
    Rect before, target;
    Extents frame, gtk;
    bool move, resize;
};

}  // namespace

void requestMoveResize(X11Connection& x, xcb_window_t window, const Rect& visible,
                       const Extents& frame, const Extents& gtk, bool move, bool resize) {
    uint32_t flags = XCB_GRAVITY_NORTH_WEST | kSourcePager << moveresize::kSourceShift;
    if (move) flags |= moveresize::kX | moveresize::kY;
    if (resize) flags |= moveresize::kWidth | moveresize::kHeight;
    const double clientW = visible.width - frame.left - frame.right + gtk.left + gtk.right;
    const double clientH = visible.height - frame.top - frame.bottom + gtk.top + gtk.bottom;
    x.sendToManager(
        window, x.atoms().NET_MOVERESIZE_WINDOW,
        {flags, uint32_t(std::lround(visible.x - gtk.left)),
         uint32_t(std::lround(visible.y - gtk.top)), uint32_t(std::lround(std::max(1.0, clientW))),
         uint32_t(std::lround(std::max(1.0, clientH)))});
}

Size FrameMover::acceptedClientSize(const ClientInfo& c, Size requested) {
    if (!c.details || !c.details->hints) return requested;
    const xcb_size_hints_t& h = *c.details->hints;
    const bool hasMin = h.flags & XCB_ICCCM_SIZE_HINT_P_MIN_SIZE;
    const bool hasBase = h.flags & XCB_ICCCM_SIZE_HINT_BASE_SIZE;
    const double minW = hasMin ? h.min_width : hasBase ? h.base_width : 1;
    const double minH = hasMin ? h.min_height : hasBase ? h.base_height : 1;
    const double baseW = hasBase ? h.base_width : hasMin ? h.min_width : 0;
    const double baseH = hasBase ? h.base_height : hasMin ? h.min_height : 0;
    double w = std::max(requested.width, std::max(1.0, minW));
    double hgt = std::max(requested.height, std::max(1.0, minH));
    if (h.flags & XCB_ICCCM_SIZE_HINT_P_MAX_SIZE) {
        if (h.max_width > 0) w = std::min(w, double(h.max_width));
        if (h.max_height > 0) hgt = std::min(hgt, double(h.max_height));
    }
    // The manager keeps the size on the window's grid above its base size.
    if (h.flags & XCB_ICCCM_SIZE_HINT_P_RESIZE_INC) {
        if (h.width_inc > 1) w = baseW + std::floor((w - baseW) / h.width_inc) * h.width_inc;
        if (h.height_inc > 1) hgt = baseH + std::floor((hgt - baseH) / h.height_inc) * h.height_inc;
    }
    return {w, hgt};
}

void FrameMover::unmaximise(Clients& clients) {
    const Atoms& a = x_.atoms();
    std::vector<xcb_window_t> restored;
    for (const auto& [w, c] : clients) {
        if (!maximisedOrFullscreen(c, a)) continue;
        // A maximised window ignores moves, and its extents differ while it is: restore it
        // first and read it again.
        x_.sendToManager(w, a.NET_WM_STATE,
                         {kStateRemove, a.NET_WM_STATE_MAXIMIZED_VERT,
                          a.NET_WM_STATE_MAXIMIZED_HORZ, kSourcePager, 0});
        x_.sendToManager(w, a.NET_WM_STATE,
                         {kStateRemove, a.NET_WM_STATE_FULLSCREEN, 0, kSourcePager, 0});
        restored.push_back(w);
    }
    if (restored.empty()) return;
    manager_.wait(kManagerDeadline);
    Clients again = fetchClients(x_, restored, true, cache_);
    for (xcb_window_t w : restored) {
        if (auto it = again.find(w); it != again.end())
            clients[w] = std::move(it->second);
        else
            clients.erase(w);
    }
}

void FrameMover::apply(const std::map<xcb_window_t, Move>& moves) {
    if (moves.empty() || !x_.alive()) return;
    std::vector<xcb_window_t> windows;
    for (const auto& [window, move] : moves) windows.push_back(window);
    Clients clients = fetchClients(x_, windows, true, cache_);
    unmaximise(clients);

    std::map<xcb_window_t, Sent> sent;
    for (const auto& [window, info] : clients) {
        const Move& m = moves.at(window);
        const Rect before = info.outer();
        const Extents e = info.visibleExtents();
        Rect target = before;
        if (m.position) {
            target.x = m.position->x;
            target.y = m.position->y;
        }
        if (m.size) {
            const Size client = acceptedClientSize(
                info, {m.size->width - e.left - e.right, m.size->height - e.top - e.bottom});
            target.width = client.width + e.left + e.right;
            target.height = client.height + e.top + e.bottom;
        }
        if (sameRect(before, target)) continue;
        requestMoveResize(x_, window, target, info.frame, info.gtk, m.position.has_value(),
                          m.size.has_value());
        sent[window] = {
            before, target, info.frame, info.gtk, m.position.has_value(), m.size.has_value()};
    }
    if (sent.empty()) return;
    manager_.wait(kManagerDeadline);

    std::vector<xcb_window_t> moved;
    for (const auto& [w, s] : sent) moved.push_back(w);
    bool nudged = false;
    for (const auto& [w, now] : fetchClients(x_, moved, false, cache_)) {
        const Sent& s = sent.at(w);
        if (!sameRect(now.outer(), s.before)) continue;
        // WORKAROUND: openbox keeps a window's area in the window's own gravity and drops a
        // request that looks unchanged in those terms (a south-east xterm asked to keep its
        // frame where a north-west reading puts it); a one-pixel detour makes it act.
        Rect detour = s.target;
        detour.x += 1;
        requestMoveResize(x_, w, detour, s.frame, s.gtk, true, s.resize);
        requestMoveResize(x_, w, s.target, s.frame, s.gtk, true, s.resize);
        nudged = true;
    }
    if (nudged) manager_.wait(kManagerDeadline);
    x_.drainEvents();
}

}  // namespace quenda::x11
