#include "platform/x11/ClientInfo.h"

#include <algorithm>

#include <QStringList>

#include <xcb/res.h>

#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

namespace quenda::x11 {

bool ClientInfo::has(const std::vector<xcb_atom_t>& list, xcb_atom_t a) const {
    return std::find(list.begin(), list.end(), a) != list.end();
}

namespace {

struct Cookies {
    xcb_get_property_cookie_t type, state, desktop, transient, pid, extents, gtk, opacity, netName,
        name, wmClass, wmState, hints;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t position;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_res_query_client_ids_cookie_t owner;
};

using PropReply = Reply<xcb_get_property_reply_t>;

Extents extents(const xcb_get_property_reply_t* r) {
    const auto v = values32(r);
    if (v.size() < 4) return {};
    return {double(v[0]), double(v[1]), double(v[2]), double(v[3])};
}

std::optional<QString> text(const xcb_get_property_reply_t* r, bool utf8) {
    if (!r || r->format != 8 || r->type == XCB_ATOM_NONE) return std::nullopt;
    const auto* data = static_cast<const char*>(xcb_get_property_value(r));
    const int len = xcb_get_property_value_length(r);
    return utf8 ? QString::fromUtf8(data, len) : QString::fromLatin1(data, len);
}

}  // namespace

std::vector<xcb_window_t> clientList(X11Connection& x, bool stacking) {
    const xcb_atom_t atom =
        stacking ? x.ewmh()->_NET_CLIENT_LIST_STACKING : x.ewmh()->_NET_CLIENT_LIST;
    PropReply r(xcb_get_property_reply(
        x.c(), xcb_get_property(x.c(), 0, x.root(), atom, XCB_ATOM_WINDOW, 0, 65536), nullptr));
    return values32(r.get());
}

std::map<xcb_window_t, ClientInfo> fetchClients(X11Connection& x,
                                                const std::vector<xcb_window_t>& windows) {
    xcb_connection_t* c = x.c();
    auto* e = x.ewmh();
    auto prop = [c](xcb_window_t w, xcb_atom_t a, xcb_atom_t type, uint32_t len) {
        return xcb_get_property(c, 0, w, a, type, 0, len);
    };
    std::vector<Cookies> cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t w : windows) {
        Cookies k;
        k.type = prop(w, e->_NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 32);
        k.state = prop(w, e->_NET_WM_STATE, XCB_ATOM_ATOM, 32);
        k.desktop = prop(w, e->_NET_WM_DESKTOP, XCB_ATOM_CARDINAL, 1);
        k.transient = prop(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
        k.pid = prop(w, e->_NET_WM_PID, XCB_ATOM_CARDINAL, 1);
        k.extents = prop(w, e->_NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
        k.gtk = prop(w, x.gtkFrameExtents, XCB_ATOM_CARDINAL, 4);
        k.opacity = prop(w, x.windowOpacity, XCB_ATOM_CARDINAL, 1);
        k.netName = prop(w, e->_NET_WM_NAME, x.utf8String, 1024);
        k.name = prop(w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 1024);
        k.wmClass = prop(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
        k.wmState = prop(w, x.wmState, x.wmState, 2);
        k.hints = xcb_icccm_get_wm_normal_hints(c, w);
        k.geometry = xcb_get_geometry(c, w);
        k.position = xcb_translate_coordinates(c, w, x.root(), 0, 0);
        k.attributes = xcb_get_window_attributes(c, w);
        // The process that owns the connection, as the server knows it: right for sandboxed
        // clients, whose own _NET_WM_PID names a pid inside their namespace.
        xcb_res_client_id_spec_t spec{w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        k.owner = xcb_res_query_client_ids(c, 1, &spec);
        cookies.push_back(k);
    }

    std::map<xcb_window_t, ClientInfo> result;
    for (size_t i = 0; i < windows.size(); ++i) {
        const Cookies& k = cookies[i];
        ClientInfo info;
        info.id = windows[i];
        PropReply type(xcb_get_property_reply(c, k.type, nullptr));
        PropReply state(xcb_get_property_reply(c, k.state, nullptr));
        PropReply desktop(xcb_get_property_reply(c, k.desktop, nullptr));
        PropReply transient(xcb_get_property_reply(c, k.transient, nullptr));
        PropReply pid(xcb_get_property_reply(c, k.pid, nullptr));
        PropReply ext(xcb_get_property_reply(c, k.extents, nullptr));
        PropReply gtk(xcb_get_property_reply(c, k.gtk, nullptr));
        PropReply opacity(xcb_get_property_reply(c, k.opacity, nullptr));
        PropReply netName(xcb_get_property_reply(c, k.netName, nullptr));
        PropReply name(xcb_get_property_reply(c, k.name, nullptr));
        PropReply wmClass(xcb_get_property_reply(c, k.wmClass, nullptr));
        PropReply wmState(xcb_get_property_reply(c, k.wmState, nullptr));
        xcb_size_hints_t hints{};
        const bool hasHints = xcb_icccm_get_wm_normal_hints_reply(c, k.hints, &hints, nullptr);
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, k.geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(c, k.position, nullptr));
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, k.attributes, nullptr));
        Reply<xcb_res_query_client_ids_reply_t> owner(
            xcb_res_query_client_ids_reply(c, k.owner, nullptr));

        // A window that vanished answers nothing about its geometry: it is not there.
        if (!geometry || !position || !attributes) continue;
        info.types = values32(type.get());
        info.states = values32(state.get());
        info.desktop = first32(desktop.get());
        info.transient = first32(transient.get()).value_or(XCB_WINDOW_NONE) != XCB_WINDOW_NONE;
        info.frame = extents(ext.get());
        info.gtk = extents(gtk.get());
        if (const auto o = first32(opacity.get())) info.opacity = double(*o) / 0xFFFFFFFFu;
        info.title = text(netName.get(), true);
        if (!info.title) info.title = text(name.get(), false);
        if (const auto cls = text(wmClass.get(), false)) {
            // WM_CLASS is "instance\0Class\0": the class names the application.
            const QStringList parts = cls->split(QLatin1Char('\0'), Qt::SkipEmptyParts);
            info.wmClass = parts.value(1, parts.value(0));
        }
        info.iconic = first32(wmState.get()) == XCB_ICCCM_WM_STATE_ICONIC;
        info.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        info.client = {double(position->dst_x), double(position->dst_y), double(geometry->width),
                       double(geometry->height)};
        if (hasHints) info.hints = hints;
        if (owner) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(owner.get()); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                    xcb_res_client_id_value_value_length(it.data) >= 1) {
                    info.pid = static_cast<int32_t>(*xcb_res_client_id_value_value(it.data));
                }
            }
        }
        if (!info.pid) {
            if (const auto p = first32(pid.get())) info.pid = static_cast<int32_t>(*p);
        }
        result.emplace(info.id, std::move(info));
    }
    x.drainErrors();
    return result;
}

}  // namespace quenda::x11
