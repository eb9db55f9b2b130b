#include "platform/x11/SystemTray.h"

#include <xcb/res.h>

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>

#include <QStringList>

namespace quenda::x11 {

namespace {

// Icons sit a level or two below the tray's window (a wrapper of the tray's own, then the
// icon); deeper walks and huge trees are not trays worth reading.
constexpr int kMaxDepth = 6;
constexpr size_t kMaxWindows = 4096;

uint32_t clientBase(const X11Connection& x, uint32_t xid) {
    return xid & ~xcb_get_setup(x.c())->resource_id_mask;
}

// The process behind each window: the owner of its connection as the server knows it, else
// what the window says of itself; nothing for a window that is gone.
std::vector<std::optional<int32_t>> ownersOf(X11Connection& x,
                                             const std::vector<xcb_window_t>& windows) {
    std::vector<std::optional<int32_t>> pids(windows.size());
    if (windows.empty()) return pids;
    if (x.hasXRes()) {
        std::vector<xcb_res_client_id_spec_t> specs;
        specs.reserve(windows.size());
        for (xcb_window_t w : windows)
            specs.push_back({w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
        std::unordered_map<uint32_t, int32_t> byClient;
        if (const auto r =
                x.reply(xcb_res_query_client_ids_reply,
                        xcb_res_query_client_ids(x.c(), uint32_t(specs.size()), specs.data()))) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(r.get()); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                    xcb_res_client_id_value_value_length(it.data) >= 1)
                    byClient[clientBase(x, it.data->spec.client)] =
                        int32_t(*xcb_res_client_id_value_value(it.data));
            }
        }
        for (size_t i = 0; i < windows.size(); ++i) {
            if (const auto f = byClient.find(clientBase(x, windows[i])); f != byClient.end())
                pids[i] = f->second;
        }
    }
    std::vector<std::pair<size_t, xcb_get_property_cookie_t>> asked;
    for (size_t i = 0; i < windows.size(); ++i) {
        if (!pids[i])
            asked.emplace_back(
                i, x.requestProperty(windows[i], x.atoms().NET_WM_PID, XCB_ATOM_CARDINAL, 1));
    }
    for (const auto& [i, cookie] : asked) {
        if (const auto p = first32(x.property(cookie).get()); p && int32_t(*p) > 0)
            pids[i] = int32_t(*p);
    }
    return pids;
}

std::optional<xcb_window_t> trayOwner(X11Connection& x, xcb_atom_t selection) {
    if (selection == XCB_ATOM_NONE) return std::nullopt;
    const auto owner =
        x.reply(xcb_get_selection_owner_reply, xcb_get_selection_owner(x.c(), selection));
    if (!owner || owner->owner == XCB_WINDOW_NONE) return std::nullopt;
    return owner->owner;
}

}  // namespace

xcb_atom_t traySelection(X11Connection& x) {
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(x.screenNumber());
    return internAtom(x.c(), name.c_str());
}

TrayReading readSystemTray(X11Connection& x, const DesktopPass& pass, xcb_atom_t selection) {
    TrayReading tray;
    if (!x.alive()) return tray;
    const auto owner = trayOwner(x, selection);
    if (!owner) return tray;
    tray.hostPid = ownersOf(x, {*owner}).front();
    if (!tray.hostPid) return tray;
    const int32_t host = *tray.hostPid;

    // Where icons are embedded: the selection's window, or one of the tray's own windows
    // (a panel places them in its bar).
    std::vector<xcb_window_t> level{*owner};
    for (xcb_window_t w : pass.clients) {
        const auto it = pass.info.find(w);
        if (it != pass.info.end() && it->second.pid == host && w != *owner) level.push_back(w);
    }
    std::set<xcb_window_t> seen(level.begin(), level.end());
    std::set<int32_t> listed;
    for (int depth = 0; depth < kMaxDepth && !level.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> trees;
        trees.reserve(level.size());
        for (xcb_window_t w : level) trees.push_back(xcb_query_tree(x.c(), w));
        std::vector<xcb_window_t> children;
        for (const auto& cookie : trees) {
            // A window gone meanwhile has no children to look at.
            const auto r = x.reply(xcb_query_tree_reply, cookie);
            if (!r) continue;
            const xcb_window_t* kids = xcb_query_tree_children(r.get());
            for (int i = 0; i < xcb_query_tree_children_length(r.get()); ++i) {
                if (seen.size() >= kMaxWindows) break;
                if (seen.insert(kids[i]).second) children.push_back(kids[i]);
            }
        }
        const auto pids = ownersOf(x, children);
        level.clear();
        for (size_t i = 0; i < children.size(); ++i) {
            if (pids[i] && *pids[i] != host) {
                // Another process's window in the tray: its icon. Whatever lies below is
                // that process's too.
                if (listed.insert(*pids[i]).second)
                    tray.icons.push_back({children[i], *pids[i], {}, {}});
            } else {
                level.push_back(children[i]);
            }
        }
    }

    // The icons' classes, all asked at once.
    std::vector<xcb_get_property_cookie_t> classes;
    for (const TrayIcon& icon : tray.icons)
        classes.push_back(x.requestProperty(icon.window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256));
    for (size_t i = 0; i < classes.size(); ++i) {
        const auto r = x.property(classes[i]);
        if (!r || r->format != 8 || xcb_get_property_value_length(r.get()) == 0) continue;
        const QString cls =
            QString::fromLatin1(static_cast<const char*>(xcb_get_property_value(r.get())),
                                xcb_get_property_value_length(r.get()));
        // WM_CLASS is "instance\0Class\0".
        const QStringList parts = cls.split(QLatin1Char('\0'), Qt::SkipEmptyParts);
        tray.icons[i].wmClass = parts.value(1, parts.value(0));
        tray.icons[i].wmInstance = cls.section(QLatin1Char('\0'), 0, 0);
    }
    return tray;
}

}  // namespace quenda::x11
