#include "platform/x11/X11Screens.h"

#include <algorithm>
#include <array>

#include "platform/x11/ClientInfo.h"
#include "platform/x11/XcbReply.h"

namespace quenda::x11 {

namespace {
using PropReply = Reply<xcb_get_property_reply_t>;

// Pushes the monitor's edges inward for each strut rectangle that overlaps it. Struts are
// measured from the edges of the whole root window, not of the monitor.
void applyStrut(Rect& visible, const Rect& monitor, const std::vector<uint32_t>& s, double rootW,
                double rootH) {
    if (s.size() < 4) return;
    const bool partial = s.size() >= 12;
    auto span = [&](int startIndex, double full) -> std::pair<double, double> {
        if (!partial) return {0, full};
        return {double(s[startIndex]), double(s[startIndex + 1]) + 1};
    };
    const auto [ly0, ly1] = span(4, rootH);
    const auto [ry0, ry1] = span(6, rootH);
    const auto [tx0, tx1] = span(8, rootW);
    const auto [bx0, bx1] = span(10, rootW);
    const Rect left{0, ly0, double(s[0]), ly1 - ly0};
    const Rect right{rootW - s[1], ry0, double(s[1]), ry1 - ry0};
    const Rect top{tx0, 0, tx1 - tx0, double(s[2])};
    const Rect bottom{bx0, rootH - s[3], bx1 - bx0, double(s[3])};
    if (s[0] && !left.intersected(monitor).isEmpty()) {
        const double edge = std::max(visible.minX(), left.maxX());
        visible.width -= edge - visible.x;
        visible.x = edge;
    }
    if (s[1] && !right.intersected(monitor).isEmpty()) {
        visible.width = std::min(visible.maxX(), right.minX()) - visible.x;
    }
    if (s[2] && !top.intersected(monitor).isEmpty()) {
        const double edge = std::max(visible.minY(), top.maxY());
        visible.height -= edge - visible.y;
        visible.y = edge;
    }
    if (s[3] && !bottom.intersected(monitor).isEmpty()) {
        visible.height = std::min(visible.maxY(), bottom.minY()) - visible.y;
    }
}
}  // namespace

uint32_t X11Screens::identity(const QString& name) {
    // FNV-1a: the same monitor name gives the same number in every run.
    uint32_t h = 2166136261u;
    for (const char ch : name.toUtf8()) {
        h ^= static_cast<uint8_t>(ch);
        h *= 16777619u;
    }
    return h ? h : 1;
}

std::vector<X11Screens::Monitor> X11Screens::monitors() {
    std::vector<Monitor> result;
    if (!x_.alive()) return result;
    xcb_connection_t* c = x_.c();
    Reply<xcb_randr_get_monitors_reply_t> r(
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, x_.root(), 1), nullptr));
    if (r) {
        std::vector<xcb_get_atom_name_cookie_t> names;
        for (auto it = xcb_randr_get_monitors_monitors_iterator(r.get()); it.rem;
             xcb_randr_monitor_info_next(&it)) {
            names.push_back(xcb_get_atom_name(c, it.data->name));
            result.push_back({{},
                              {double(it.data->x), double(it.data->y), double(it.data->width),
                               double(it.data->height)},
                              {},
                              it.data->primary != 0});
        }
        for (size_t i = 0; i < names.size(); ++i) {
            Reply<xcb_get_atom_name_reply_t> n(xcb_get_atom_name_reply(c, names[i], nullptr));
            if (n) {
                result[i].name = QString::fromLatin1(xcb_get_atom_name_name(n.get()),
                                                     xcb_get_atom_name_name_length(n.get()));
            }
        }
    }
    if (result.empty()) {  // no RandR monitors: the whole root is one screen
        result.push_back(
            {QStringLiteral("root"),
             {0, 0, double(x_.screen()->width_in_pixels), double(x_.screen()->height_in_pixels)},
             {},
             true});
    }
    // The primary first; the rest keep the server's order.
    std::stable_partition(result.begin(), result.end(), [](const Monitor& m) { return m.primary; });
    for (Monitor& m : result) m.visible = m.root;

    // Struts of the docks and panels on the current desktop.
    auto* e = x_.ewmh();
    PropReply desktopR(xcb_get_property_reply(
        c, xcb_get_property(c, 0, x_.root(), e->_NET_CURRENT_DESKTOP, XCB_ATOM_CARDINAL, 0, 1),
        nullptr));
    const auto current = first32(desktopR.get());
    const auto clients = clientList(x_, false);
    std::vector<std::array<xcb_get_property_cookie_t, 3>> cookies;
    for (xcb_window_t w : clients) {
        cookies.push_back(
            {xcb_get_property(c, 0, w, e->_NET_WM_STRUT_PARTIAL, XCB_ATOM_CARDINAL, 0, 12),
             xcb_get_property(c, 0, w, e->_NET_WM_STRUT, XCB_ATOM_CARDINAL, 0, 4),
             xcb_get_property(c, 0, w, e->_NET_WM_DESKTOP, XCB_ATOM_CARDINAL, 0, 1)});
    }
    const double rootW = x_.screen()->width_in_pixels, rootH = x_.screen()->height_in_pixels;
    for (const auto& k : cookies) {
        PropReply partial(xcb_get_property_reply(c, k[0], nullptr));
        PropReply plain(xcb_get_property_reply(c, k[1], nullptr));
        PropReply desktop(xcb_get_property_reply(c, k[2], nullptr));
        const auto d = first32(desktop.get());
        if (d && current && *d != 0xFFFFFFFFu && *d != *current) continue;
        auto strut = values32(partial.get());
        if (strut.size() < 12) strut = values32(plain.get());
        for (Monitor& m : result) applyStrut(m.visible, m.root, strut, rootW, rootH);
    }
    x_.drainErrors();
    return result;
}

ScreenInfo X11Screens::toScreen(const Monitor& m, const Monitor& primary) const {
    // Window coordinates put the primary's top-left at the origin; screen coordinates flip
    // them with the primary's height.
    const double H = primary.root.height;
    auto flip = [&](const Rect& r) {
        const double x = r.x - primary.root.x, y = r.y - primary.root.y;
        return Rect{x, H - (y + r.height), r.width, r.height};
    };
    return {identity(m.name), flip(m.root), flip(m.visible), m.name};
}

std::vector<ScreenInfo> X11Screens::screens() {
    const auto all = monitors();
    std::vector<ScreenInfo> result;
    for (const Monitor& m : all) result.push_back(toScreen(m, all.front()));
    return result;
}

std::optional<ScreenInfo> X11Screens::mainScreen() {
    const auto all = monitors();
    if (all.empty()) return std::nullopt;
    // The screen holding the centre of the active window, else the primary.
    auto* e = x_.ewmh();
    PropReply activeR(xcb_get_property_reply(
        x_.c(),
        xcb_get_property(x_.c(), 0, x_.root(), e->_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    const auto active = first32(activeR.get());
    if (active && *active != XCB_WINDOW_NONE) {
        const auto info = fetchClients(x_, {*active});
        if (auto it = info.find(*active); it != info.end()) {
            const Rect f = it->second.outer();
            const double cx = f.x + f.width / 2, cy = f.y + f.height / 2;
            for (const Monitor& m : all) {
                if (cx >= m.root.minX() && cx < m.root.maxX() && cy >= m.root.minY() &&
                    cy < m.root.maxY())
                    return toScreen(m, all.front());
            }
        }
    }
    return toScreen(all.front(), all.front());
}

Point X11Screens::pointerLocation() {
    if (!x_.alive()) return {};
    Reply<xcb_query_pointer_reply_t> r(
        xcb_query_pointer_reply(x_.c(), xcb_query_pointer(x_.c(), x_.root()), nullptr));
    if (!r) return {};
    const auto all = monitors();
    const Rect& primary = all.front().root;
    return {double(r->root_x) - primary.x, primary.height - (double(r->root_y) - primary.y)};
}

}  // namespace quenda::x11
