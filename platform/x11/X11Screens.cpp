#include "platform/x11/X11Screens.h"

#include <array>

#include "platform/x11/ClientsRequest.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/Struts.h"

namespace quenda::x11 {

namespace {

bool holds(const Rect& r, double x, double y) {
    return x >= r.minX() && x < r.maxX() && y >= r.minY() && y < r.maxY();
}

// Root coordinates shifted so the primary's top-left is the origin.
Rect shifted(const Rect& r, const Rect& primary) {
    return {r.x - primary.x, r.y - primary.y, r.width, r.height};
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

QString X11Screens::nameOf(xcb_atom_t atom) {
    if (atom == XCB_ATOM_NONE) return QStringLiteral("screen");
    auto it = names_.find(atom);
    if (it != names_.end()) return it->second;
    const auto r = x_.reply(xcb_get_atom_name_reply, xcb_get_atom_name(x_.c(), atom));
    if (!r) return {};
    const QString name = QString::fromLatin1(xcb_get_atom_name_name(r.get()),
                                             xcb_get_atom_name_name_length(r.get()));
    return names_[atom] = name;
}

X11Screens::Layout X11Screens::read() {
    Layout l;
    if (!x_.alive()) return l;
    const Atoms& a = x_.atoms();
    const xcb_window_t root = x_.root();
    MonitorsRequest monitors(x_);
    const auto desktopC = x_.requestProperty(root, a.NET_CURRENT_DESKTOP, XCB_ATOM_CARDINAL, 1);
    const auto activeC = x_.requestProperty(root, a.NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 1);
    const auto clientsC = x_.requestProperty(root, a.NET_CLIENT_LIST, XCB_ATOM_WINDOW, 65536);
    l.monitors = monitors.take();
    const auto current = first32(x_.property(desktopC).get());
    l.active = first32(x_.property(activeC).get()).value_or(XCB_WINDOW_NONE);
    const auto clients = values32(x_.property(clientsC).get());

    // Struts of the docks and panels on the current desktop, all asked at once.
    std::vector<std::array<xcb_get_property_cookie_t, 3>> cookies;
    for (xcb_window_t w : clients) {
        cookies.push_back({x_.requestProperty(w, a.NET_WM_STRUT_PARTIAL, XCB_ATOM_CARDINAL, 12),
                           x_.requestProperty(w, a.NET_WM_STRUT, XCB_ATOM_CARDINAL, 4),
                           x_.requestProperty(w, a.NET_WM_DESKTOP, XCB_ATOM_CARDINAL, 1)});
    }
    const Size rootSize{double(x_.screen()->width_in_pixels),
                        double(x_.screen()->height_in_pixels)};
    std::vector<Strut> struts;
    for (const auto& k : cookies) {
        const PropReply partial = x_.property(k[0]), plain = x_.property(k[1]),
                        desktop = x_.property(k[2]);
        const auto d = first32(desktop.get());
        if (d && current && *d != kAllDesktops && *d != *current) continue;
        if (auto s = strutFrom(values32(partial.get()), values32(plain.get()), rootSize))
            struts.push_back(*s);
    }
    for (const Monitor& m : l.monitors) l.visible.push_back(visibleArea(m.root, struts, rootSize));
    return l;
}

ScreenInfo X11Screens::toScreen(const Layout& l, size_t i) {
    const Rect& primary = l.monitors.front().root;
    const QString name = nameOf(l.monitors[i].name);
    return {identity(name), shifted(l.monitors[i].root, primary), shifted(l.visible[i], primary),
            name};
}

std::vector<ScreenInfo> X11Screens::screens() {
    const Layout l = read();
    std::vector<ScreenInfo> result;
    for (size_t i = 0; i < l.monitors.size(); ++i) result.push_back(toScreen(l, i));
    return result;
}

std::optional<ScreenInfo> X11Screens::mainScreen() {
    const Layout l = read();
    if (l.monitors.empty()) return std::nullopt;
    // The monitor holding the centre of the active window, else the primary.
    if (l.active != XCB_WINDOW_NONE) {
        const Clients active = fetchClients(x_, {l.active});
        if (auto it = active.find(l.active); it != active.end()) {
            const Rect f = it->second.outer();
            for (size_t i = 0; i < l.monitors.size(); ++i) {
                if (holds(l.monitors[i].root, f.x + f.width / 2, f.y + f.height / 2))
                    return toScreen(l, i);
            }
        }
    }
    return toScreen(l, 0);
}

Point X11Screens::pointerLocation() {
    if (!x_.alive()) return {};
    MonitorsRequest monitors(x_);
    const auto r = x_.reply(xcb_query_pointer_reply, xcb_query_pointer(x_.c(), x_.root()));
    const Rect primary = monitors.take().front().root;
    if (!r) return {};
    const Rect at = shifted({double(r->root_x), double(r->root_y), 0, 0}, primary);
    return at.origin();
}

}  // namespace quenda::x11
