#include "platform/x11/ClientCache.h"

#include <unordered_set>

namespace quenda::x11 {

void ClientCache::handle(const xcb_generic_event_t& e) {
    const Atoms& a = x_.atoms();
    const auto entry = [this](xcb_window_t w) {
        auto it = entries_.find(w);
        return it == entries_.end() ? nullptr : &it->second;
    };
    switch (e.response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY: {
            const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
            Entry* en = entry(p.window);
            if (!en) return;
            const xcb_atom_t atom = p.atom;
            if (atom == XCB_ATOM_WM_NAME || atom == XCB_ATOM_WM_CLASS ||
                atom == XCB_ATOM_WM_NORMAL_HINTS || atom == a.NET_WM_NAME ||
                atom == a.NET_WM_ALLOWED_ACTIONS) {
                en->details.reset();
            } else if (atom == a.NET_WM_WINDOW_TYPE || atom == a.NET_WM_STATE ||
                       atom == a.NET_WM_DESKTOP || atom == XCB_ATOM_WM_TRANSIENT_FOR ||
                       atom == a.NET_FRAME_EXTENTS || atom == a.GTK_FRAME_EXTENTS ||
                       atom == a.NET_WM_WINDOW_OPACITY || atom == a.WM_STATE) {
                // A manager that hides a window says so in these, even when it only unmaps
                // the frame around it: measure the map state again too.
                en->props.reset();
                en->viewable.reset();
            } else if (atom == a.NET_WM_PID) {
                en->pidAsked = false;
            }
            return;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto& c = reinterpret_cast<const xcb_configure_notify_event_t&>(e);
            if (Entry* en = entry(c.window)) en->size.reset();
            return;
        }
        case XCB_MAP_NOTIFY:
            if (Entry* en = entry(reinterpret_cast<const xcb_map_notify_event_t&>(e).window))
                en->viewable.reset();
            return;
        case XCB_UNMAP_NOTIFY:
            if (Entry* en = entry(reinterpret_cast<const xcb_unmap_notify_event_t&>(e).window))
                en->viewable.reset();
            return;
        case XCB_REPARENT_NOTIFY:
            if (Entry* en = entry(reinterpret_cast<const xcb_reparent_notify_event_t&>(e).window))
                en->viewable.reset();
            return;
        case XCB_DESTROY_NOTIFY:
            // Its id may soon name another window: a new client often gets the same range.
            entries_.erase(reinterpret_cast<const xcb_destroy_notify_event_t&>(e).window);
            return;
        default:
            return;
    }
}

void ClientCache::keepDetails(xcb_window_t window, const ClientDetails& details) {
    if (auto it = entries_.find(window); it != entries_.end()) it->second.details = details;
}

void ClientCache::keepOnly(const std::vector<xcb_window_t>& live) {
    const std::unordered_set<xcb_window_t> keep(live.begin(), live.end());
    std::erase_if(entries_, [&](const auto& kv) { return !keep.count(kv.first); });
}

}  // namespace quenda::x11
