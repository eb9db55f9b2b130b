#include "platform/x11/X11Applications.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "platform/desktop/Processes.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/WindowTypes.h"

namespace quenda::x11 {

namespace {

// The windows a user switches between: normal, dialog, utility, or of no type; docks,
// panels, desktops and pop-ups sit in other layers.
bool isOrdinary(const ClientInfo& c, const Atoms& a) {
    return layerOf(c, a) == kNormalLayer && !isDesktopWindow(c, a);
}

std::optional<QString> utf8(const xcb_get_property_reply_t* r) {
    if (!r || r->format != 8 || xcb_get_property_value_length(r) == 0) return std::nullopt;
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r)),
                             xcb_get_property_value_length(r));
}

}  // namespace

X11Applications::X11Applications(X11Connection& x, X11WindowServer& server, HiddenWindows& hidden,
                                 InstalledApplications& installed)
    : x_(x), server_(server), hidden_(hidden), installed_(installed) {}

const X11Applications::Owner* X11Applications::Reading::find(int32_t pid) const {
    for (const Owner& o : owners) {
        if (o.pid == pid) return &o;
    }
    return nullptr;
}

X11Applications::Owner& X11Applications::Reading::ownerOf(int32_t pid) {
    auto owner =
        std::find_if(owners.begin(), owners.end(), [pid](const Owner& o) { return o.pid == pid; });
    if (owner == owners.end()) owner = owners.insert(owners.end(), Owner{pid, {}});
    return *owner;
}

X11Applications::Reading X11Applications::read(WithTray withTray) {
    Reading r;
    r.pass = readDesktop(x_, &server_.cache());
    for (xcb_window_t w : r.pass.clients) {
        const auto it = r.pass.info.find(w);
        if (it == r.pass.info.end() || !it->second.pid) continue;
        r.ownerOf(*it->second.pid).windows.push_back(&it->second);
    }
    if (withTray == WithTray::yes) readTray(r);
    // A process whose windows are gone is forgotten: its pid may come back as another.
    std::erase_if(identities_, [&r](const auto& kv) { return !r.find(kv.first); });
    return r;
}

void X11Applications::readTray(Reading& r) {
    if (r.trayRead) return;
    r.trayRead = true;
    if (traySelection_ == XCB_ATOM_NONE) traySelection_ = traySelection(x_);
    r.tray = readSystemTray(x_, r.pass, traySelection_);
    for (const TrayIcon& icon : r.tray.icons) r.ownerOf(icon.pid).trayIcon = &icon;
}

void X11Applications::identifyNew(Reading& r) {
    std::set<int32_t> fresh;
    for (const Owner& o : r.owners) {
        if (!identities_.count(o.pid)) fresh.insert(o.pid);
    }
    if (fresh.empty()) return;
    installed_.forgetEndedLaunches();
    fetchDetails(
        x_, r.pass.info, [&fresh](const ClientInfo& c) { return c.pid && fresh.count(*c.pid); },
        &server_.cache());
    // Every fresh window's application id asked at once, then collected.
    std::vector<std::pair<int32_t, xcb_get_property_cookie_t>> asked;
    for (const Owner& o : r.owners) {
        if (!fresh.count(o.pid)) continue;
        for (const ClientInfo* c : o.windows) {
            asked.emplace_back(o.pid, x_.requestProperty(c->id, x_.atoms().GTK_APPLICATION_ID,
                                                         x_.atoms().UTF8_STRING, 256));
        }
    }
    std::map<int32_t, QString> gtkIds;
    for (const auto& [pid, cookie] : asked) {
        const auto id = utf8(x_.property(cookie).get());
        if (id && !gtkIds.count(pid)) gtkIds[pid] = *id;
    }
    for (const Owner& o : r.owners) {
        if (!fresh.count(o.pid)) continue;
        ProcessClues clues;
        clues.pid = o.pid;
        if (const auto it = gtkIds.find(o.pid); it != gtkIds.end())
            clues.gtkApplicationId = it->second;
        for (const ClientInfo* c : o.windows) {
            if (c->details && !c->details->wmClass.isEmpty()) {
                clues.wmClass = c->details->wmClass;
                clues.wmInstance = c->details->wmInstance;
                break;
            }
        }
        if (clues.wmClass.isEmpty() && o.trayIcon) {
            clues.wmClass = o.trayIcon->wmClass;
            clues.wmInstance = o.trayIcon->wmInstance;
        }
        // GIO's launch variables are inherited by children: they name this process only
        // when the pid they carry is its own.
        const auto launchedPid =
            processEnvironmentValue(o.pid, QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE_PID"));
        if (launchedPid && launchedPid->toLongLong() == o.pid)
            clues.launchedDesktopFile =
                processEnvironmentValue(o.pid, QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE"));
        clues.processName = processName(o.pid);
        identities_[o.pid] = installed_.identify(clues);
    }
}

ApplicationKind X11Applications::describeKind(const Owner& owner) const {
    const Atoms& a = x_.atoms();
    const bool regular =
        owner.trayIcon || std::any_of(owner.windows.begin(), owner.windows.end(), [&](auto* c) {
            return isOrdinary(*c, a) && !c->hasState(a.NET_WM_STATE_SKIP_TASKBAR);
        });
    return regular ? ApplicationKind::regular : ApplicationKind::accessory;
}

RunningApplication X11Applications::describe(const Owner& owner) const {
    const ApplicationIdentity& id = identities_.at(owner.pid);
    return {owner.pid, id.name, id.identifier, describeKind(owner)};
}

std::vector<RunningApplication> X11Applications::runningApplications() {
    Reading r = read(WithTray::yes);
    identifyNew(r);
    std::vector<RunningApplication> list;
    for (const Owner& o : r.owners) list.push_back(describe(o));
    // Started by us and not showing a window yet: already running, so a second restore in
    // the meantime does not start it again.
    for (const auto& [pid, identity] : installed_.liveLaunches()) {
        if (!r.find(pid))
            list.push_back({pid, identity.name, identity.identifier, ApplicationKind::regular});
    }
    return list;
}

std::optional<RunningApplication> X11Applications::application(int32_t pid) {
    Reading r = read();
    // The tray decides only for a process without a window the user switches to.
    if (const Owner* o = r.find(pid); !o || describeKind(*o) != ApplicationKind::regular)
        readTray(r);
    const Owner* o = r.find(pid);
    if (!o) {
        for (const auto& [launched, identity] : installed_.liveLaunches()) {
            if (launched == pid)
                return RunningApplication{pid, identity.name, identity.identifier,
                                          ApplicationKind::regular};
        }
        return std::nullopt;
    }
    identifyNew(r);
    return describe(*o);
}

bool X11Applications::isTerminated(int32_t pid) {
    return processIsGone(pid);
}

std::optional<int32_t> X11Applications::frontmostApplication() {
    return server_.frontmostPid();
}

bool X11Applications::activate(int32_t pid) {
    const Reading r = read();
    const Owner* o = r.find(pid);
    if (!o) return false;
    const Atoms& a = x_.atoms();
    // Its topmost window that the user did not minimise (hidden ones come back with it),
    // one on the current desktop if it has any: activating another desktop's window would
    // take the user there.
    const auto topmost = [&](bool currentDesktopOnly) -> const ClientInfo* {
        for (auto it = r.pass.stacking.rbegin(); it != r.pass.stacking.rend(); ++it) {
            for (const ClientInfo* c : o->windows) {
                if (c->id != *it || !isOrdinary(*c, a)) continue;
                if (!hidden_.contains(c->id) && r.pass.minimized(*c, a)) continue;
                if (currentDesktopOnly && !r.pass.onCurrentDesktop(*c)) continue;
                return c;
            }
        }
        return nullptr;
    };
    const ClientInfo* top = topmost(true);
    if (!top) top = topmost(false);
    if (!top) return false;
    showHidden(pid);
    // As the window server raises a window: to its desktop first, restacked, activated.
    server_.apply(WindowPlan{.focus = WindowRef{pid, top->id}});
    return true;
}

bool X11Applications::hide(int32_t pid) {
    const Reading r = read();
    const Owner* o = r.find(pid);
    if (!o) return false;
    const Atoms& a = x_.atoms();
    std::vector<xcb_window_t> sent;
    for (const ClientInfo* c : o->windows) {
        // What the user minimised stays minimised when the application comes back; docks
        // and desktops have no iconic state to go to.
        if (!isOrdinary(*c, a) || hidden_.contains(c->id) || r.pass.minimized(*c, a)) continue;
        // The ICCCM iconify request, as the window server's minimise sends it.
        x_.sendToManager(c->id, a.WM_CHANGE_STATE, {XCB_ICCCM_WM_STATE_ICONIC, 0, 0, 0, 0});
        hidden_.add(c->id, pid);
        sent.push_back(c->id);
    }
    if (sent.empty()) return true;
    server_.waitForManager();
    // A window the manager would not iconify was not hidden: if the user minimises it
    // later, it must read as minimised.
    const Reading after = read();
    for (xcb_window_t w : sent) {
        const auto it = after.pass.info.find(w);
        if (it == after.pass.info.end() || !it->second.iconic) hidden_.forget(w);
    }
    return true;
}

bool X11Applications::showHidden(int32_t pid) {
    const std::vector<xcb_window_t> windows = hidden_.of(pid);
    // Mapping an iconified client asks its manager to restore it.
    for (xcb_window_t w : windows) {
        xcb_map_window(x_.c(), w);
        hidden_.forget(w);
    }
    if (windows.empty()) return false;
    server_.waitForManager();
    return true;
}

bool X11Applications::unhide(int32_t pid) {
    const bool shown = showHidden(pid);
    return shown || read().find(pid) != nullptr;
}

bool X11Applications::terminate(int32_t pid) {
    const Reading r = read();
    if (const Owner* o = r.find(pid); o && !o->windows.empty()) {
        // The polite close of each window: the application may ask its user first.
        for (const ClientInfo* c : o->windows) {
            x_.sendToManager(c->id, x_.atoms().NET_CLOSE_WINDOW,
                             {server_.userTime(), kSourcePager, 0, 0, 0});
        }
        xcb_flush(x_.c());
        return true;
    }
    // Nothing to close: a process that lost its windows (or never showed any, living in
    // the tray) is asked the way a session asks at logout.
    if (pid <= 1 || pid == int32_t(::getpid()) || processIsGone(pid)) return false;
    return ::kill(pid, SIGTERM) == 0;
}

std::optional<QString> X11Applications::applicationLocation(const QString& identifier) {
    return installed_.location(identifier);
}

bool X11Applications::launchApplication(const QString& location) {
    return installed_.launch(location).has_value();
}

std::vector<int32_t> X11Applications::essentialProcesses() {
    std::vector<int32_t> pids;
    const auto add = [&pids](int32_t pid) {
        if (pid > 0 && std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.push_back(pid);
    };
    const Reading r = read(WithTray::yes);
    if (r.tray.hostPid) add(*r.tray.hostPid);
    const Atoms& a = x_.atoms();
    for (const Owner& o : r.owners) {
        for (const ClientInfo* c : o.windows) {
            if (c->hasType(a.NET_WM_WINDOW_TYPE_DOCK) || c->hasType(a.NET_WM_WINDOW_TYPE_DESKTOP))
                add(o.pid);
        }
    }
    if (const auto check = x_.managerCheckWindow(); check && x_.hasXRes()) {
        xcb_res_client_id_spec_t spec{*check, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        if (const auto reply = x_.reply(xcb_res_query_client_ids_reply,
                                        xcb_res_query_client_ids(x_.c(), 1, &spec))) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                    xcb_res_client_id_value_value_length(it.data) >= 1)
                    add(int32_t(*xcb_res_client_id_value_value(it.data)));
            }
        }
    }
    return pids;
}

}  // namespace quenda::x11
