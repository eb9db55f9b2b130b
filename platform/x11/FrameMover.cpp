#include "platform/x11/FrameMover.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/x11/XcbReply.h"

namespace quenda::x11 {

namespace {
std::optional<ClientInfo> fetchOne(X11Connection& x, xcb_window_t window) {
    auto clients = fetchClients(x, {window});
    auto it = clients.find(window);
    if (it == clients.end()) return std::nullopt;
    return it->second;
}

bool sameRect(const Rect& a, const Rect& b) {
    return std::lround(a.x) == std::lround(b.x) && std::lround(a.y) == std::lround(b.y) &&
           std::lround(a.width) == std::lround(b.width) &&
           std::lround(a.height) == std::lround(b.height);
}
}  // namespace

Size FrameMover::acceptedClientSize(const ClientInfo& c, Size requested) {
    if (!c.hints) return requested;
    const xcb_size_hints_t& h = *c.hints;
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

void FrameMover::unmaximise(const ClientInfo& c) {
    auto* e = x_.ewmh();
    const bool maximised = c.has(c.states, e->_NET_WM_STATE_MAXIMIZED_VERT) ||
                           c.has(c.states, e->_NET_WM_STATE_MAXIMIZED_HORZ);
    const bool fullscreen = c.has(c.states, e->_NET_WM_STATE_FULLSCREEN);
    if (!maximised && !fullscreen) return;
    // A maximised window ignores moves, and its extents differ: restore it first and wait
    // until the manager says so.
    if (maximised) {
        xcb_ewmh_request_change_wm_state(
            e, 0, c.id, XCB_EWMH_WM_STATE_REMOVE, e->_NET_WM_STATE_MAXIMIZED_VERT,
            e->_NET_WM_STATE_MAXIMIZED_HORZ, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }
    if (fullscreen) {
        xcb_ewmh_request_change_wm_state(e, 0, c.id, XCB_EWMH_WM_STATE_REMOVE,
                                         e->_NET_WM_STATE_FULLSCREEN, XCB_ATOM_NONE,
                                         XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }
    xcb_flush(x_.c());
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleMs);
    while (std::chrono::steady_clock::now() < end) {
        const auto now = fetchOne(x_, c.id);
        if (!now) return;
        if (!now->has(now->states, e->_NET_WM_STATE_MAXIMIZED_VERT) &&
            !now->has(now->states, e->_NET_WM_STATE_MAXIMIZED_HORZ) &&
            !now->has(now->states, e->_NET_WM_STATE_FULLSCREEN))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void FrameMover::send(xcb_window_t window, const Rect& outer, const Extents& e, bool move,
                      bool resize) {
    uint32_t flags = 0;
    if (move) flags |= XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
    if (resize) flags |= XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;
    // North-west gravity: x and y say where the outer frame goes, whatever gravity the
    // window asked for itself; width and height are the client's.
    const auto cw = static_cast<uint32_t>(std::max(1.0, outer.width - e.left - e.right));
    const auto ch = static_cast<uint32_t>(std::max(1.0, outer.height - e.top - e.bottom));
    xcb_ewmh_request_moveresize_window(x_.ewmh(), 0, window, XCB_GRAVITY_NORTH_WEST,
                                       XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                       static_cast<xcb_ewmh_moveresize_window_opt_flags_t>(flags),
                                       static_cast<uint32_t>(std::lround(outer.x)),
                                       static_cast<uint32_t>(std::lround(outer.y)), cw, ch);
    xcb_flush(x_.c());
}

std::vector<xcb_window_t> FrameMover::waitForAll(const std::map<xcb_window_t, Sent>& sent) {
    std::map<xcb_window_t, Rect> last;
    std::vector<xcb_window_t> waiting;
    for (const auto& [window, s] : sent) waiting.push_back(window);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleMs);
    while (!waiting.empty()) {
        const auto now = fetchClients(x_, waiting);
        std::vector<xcb_window_t> still;
        for (xcb_window_t w : waiting) {
            auto it = now.find(w);
            if (it == now.end()) continue;  // gone: nothing to wait for
            const Rect outer = it->second.outer();
            const Sent& s = sent.at(w);
            if (sameRect(outer, s.target)) continue;
            // Changed, and the same twice in a row: the manager settled on its own answer.
            auto seen = last.find(w);
            if (!sameRect(outer, s.before) && seen != last.end() && sameRect(outer, seen->second))
                continue;
            last[w] = outer;
            still.push_back(w);
        }
        waiting = std::move(still);
        if (waiting.empty() || std::chrono::steady_clock::now() >= end) break;
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    std::vector<xcb_window_t> unchanged;
    for (xcb_window_t w : waiting) {
        auto seen = last.find(w);
        if (seen == last.end() || sameRect(seen->second, sent.at(w).before)) unchanged.push_back(w);
    }
    return unchanged;
}

void FrameMover::apply(const std::map<xcb_window_t, Move>& moves) {
    if (moves.empty()) return;
    std::vector<xcb_window_t> windows;
    for (const auto& [window, move] : moves) windows.push_back(window);
    auto infos = fetchClients(x_, windows);
    for (auto& [window, info] : infos) {
        auto* e = x_.ewmh();
        if (info.has(info.states, e->_NET_WM_STATE_MAXIMIZED_VERT) ||
            info.has(info.states, e->_NET_WM_STATE_MAXIMIZED_HORZ) ||
            info.has(info.states, e->_NET_WM_STATE_FULLSCREEN)) {
            unmaximise(info);
            if (auto again = fetchOne(x_, window)) info = *again;
        }
    }

    std::map<xcb_window_t, Sent> sent;
    for (const auto& [window, info] : infos) {
        const Move& m = moves.at(window);
        const Rect before = info.outer();
        // Decorations and client-side shadows, as one set of extents around the visible frame.
        const Extents e{info.frame.left - info.gtk.left, info.frame.right - info.gtk.right,
                        info.frame.top - info.gtk.top, info.frame.bottom - info.gtk.bottom};
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
        send(window, target, e, m.position.has_value(), m.size.has_value());
        sent[window] = {before, target, e, m.position.has_value(), m.size.has_value()};
    }
    if (sent.empty()) return;

    const auto unchanged = waitForAll(sent);
    if (unchanged.empty()) return;
    // WORKAROUND: openbox keeps a window's area in the window's own gravity and drops a
    // request that looks unchanged in those terms; a one-pixel detour makes it act.
    std::map<xcb_window_t, Sent> again;
    for (xcb_window_t w : unchanged) {
        const Sent& s = sent.at(w);
        Rect detour = s.target;
        detour.x += 1;
        send(w, detour, s.extents, true, s.resize);
        send(w, s.target, s.extents, true, s.resize);
        again[w] = s;
    }
    waitForAll(again);
}

}  // namespace quenda::x11
