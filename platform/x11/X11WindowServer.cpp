#include "platform/x11/X11WindowServer.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include "platform/x11/Ewmh.h"
#include "platform/x11/Monitors.h"
#include "platform/x11/WindowTypes.h"

namespace quenda::x11 {

namespace {

QString processName(int32_t pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

xcb_window_t xid(const WindowRef& window) {
    return static_cast<xcb_window_t>(window.id);
}

}  // namespace

X11WindowServer::X11WindowServer(X11Connection& x, HiddenWindows& hidden)
    : x_(x), hidden_(hidden), cache_(x), mover_(x, &cache_) {
    x_.setEventHandler([this](const xcb_generic_event_t& e) {
        cache_.handle(e);
        hidden_.handle(e);
    });
    if (QCoreApplication::instance()) {
        events_ = new QSocketNotifier(xcb_get_file_descriptor(x_.c()), QSocketNotifier::Read,
                                      &eventsContext_);
        QObject::connect(events_, &QSocketNotifier::activated, &eventsContext_, [this] {
            x_.drainEvents();
            // A lost connection stays readable for ever.
            if (!x_.alive()) events_->setEnabled(false);
        });
    }
}

X11WindowServer::~X11WindowServer() {
    x_.setEventHandler({});
}

DesktopPass& X11WindowServer::fullPass() {
    if (inBatch()) {
        if (!batchPass_) batchPass_ = readDesktop(x_, &cache_);
        return *batchPass_;
    }
    freshPass_ = readDesktop(x_, &cache_);
    return freshPass_;
}

DesktopPass& X11WindowServer::passFor(xcb_window_t window, bool withDetails) {
    if (!inBatch()) {
        freshPass_ = readWindow(x_, window, withDetails, &cache_);
        return freshPass_;
    }
    DesktopPass& p = fullPass();
    if (!p.info.count(window)) {
        // Not a client the pass saw (yet): read it alone and keep it with the rest.
        Clients one = fetchClients(x_, {window}, withDetails, &cache_);
        if (auto it = one.find(window); it != one.end()) p.info.emplace(window, it->second);
    }
    if (withDetails) {
        // Whoever asks one window's title is usually going through all of them.
        if (auto it = p.info.find(window); it != p.info.end() && !it->second.details)
            fetchDetails(x_, p.info, {}, &cache_);
    }
    return p;
}

void X11WindowServer::beginReadBatch() {
    ++batchDepth_;
}

void X11WindowServer::endReadBatch() {
    if (batchDepth_ > 0 && --batchDepth_ == 0) endPass();
}

std::optional<std::vector<WindowListEntry>> X11WindowServer::windowList() {
    if (!x_.alive()) return std::nullopt;
    DesktopPass& p = inBatch() ? batchPass_.emplace(readDesktop(x_, &cache_)) : fullPass();
    if (!x_.alive()) return std::nullopt;  // lost while reading
    return p.windowList(x_.atoms());
}

// --- one window ---------------------------------------------------------------------------

const ClientInfo* X11WindowServer::client(const WindowRef& window, bool withDetails,
                                          DesktopPass** pass) {
    if (!x_.alive()) return nullptr;
    DesktopPass& p = passFor(xid(window), withDetails);
    if (pass) *pass = &p;
    const auto it = p.info.find(xid(window));
    return it == p.info.end() ? nullptr : &it->second;
}

std::optional<QString> X11WindowServer::title(const WindowRef& window) {
    const ClientInfo* c = client(window, true);
    if (!c || !c->details) return std::nullopt;
    return c->details->title;
}

std::optional<WindowRole> X11WindowServer::role(const WindowRef& window) {
    const ClientInfo* c = client(window, false);
    if (!c) return std::nullopt;
    return roleOf(*c, x_.atoms());
}

std::optional<bool> X11WindowServer::isMinimized(const WindowRef& window) {
    DesktopPass* p = nullptr;
    const ClientInfo* c = client(window, false, &p);
    if (!c) return std::nullopt;
    // Hidden with its application: not minimised, though the manager iconified it.
    return !hidden_.contains(c->id) && p->minimized(*c, x_.atoms());
}

std::optional<Rect> X11WindowServer::frame(const WindowRef& window) {
    DesktopPass* p = nullptr;
    const ClientInfo* c = client(window, false, &p);
    if (!c) return std::nullopt;
    const Rect outer = c->outer();
    return Rect{outer.x - p->origin.x, outer.y - p->origin.y, outer.width, outer.height};
}

bool X11WindowServer::isClosable(const WindowRef& window) {
    const ClientInfo* c = client(window, true);
    return c && c->details && c->details->closable;
}

std::optional<QString> X11WindowServer::windowClass(const WindowRef& window) {
    const ClientInfo* c = client(window, true);
    if (!c || !c->details) return std::nullopt;
    return c->details->wmClass;
}

// --- applications -------------------------------------------------------------------------

std::vector<const ClientInfo*> X11WindowServer::windowsOf(DesktopPass& p, int32_t pid) const {
    std::vector<const ClientInfo*> own;
    for (xcb_window_t w : p.clients) {
        auto it = p.info.find(w);
        if (it != p.info.end() && it->second.pid == pid) own.push_back(&it->second);
    }
    return own;
}

std::optional<std::vector<WindowRef>> X11WindowServer::windows(int32_t pid) {
    if (!x_.alive()) return std::nullopt;
    DesktopPass& p = fullPass();
    if (!x_.alive()) return std::nullopt;
    // Windows on other desktops are out of reach: grouping or tiling one would switch the
    // user's desktop, or place it where it cannot be seen.
    std::vector<WindowRef> list;
    for (const ClientInfo* c : windowsOf(p, pid)) {
        if (p.onCurrentDesktop(*c)) list.push_back({pid, c->id});
    }
    return list;
}

std::optional<WindowRef> X11WindowServer::focusedWindow(int32_t pid) {
    if (!x_.alive()) return std::nullopt;
    DesktopPass& p = fullPass();
    if (!x_.alive()) return std::nullopt;
    // Only its windows on the current desktop (or on all of them) are candidates.
    std::vector<const ClientInfo*> own = windowsOf(p, pid);
    std::erase_if(own, [&p](const ClientInfo* c) { return !p.onCurrentDesktop(*c); });
    for (const ClientInfo* c : own) {
        if (c->id == p.active) return WindowRef{pid, c->id};
    }
    // Not active: its frontmost window, one the user can see if it has any.
    const ClientInfo* frontmost = nullptr;
    for (auto it = p.stacking.rbegin(); it != p.stacking.rend(); ++it) {
        for (const ClientInfo* c : own) {
            if (c->id != *it) continue;
            if (!p.minimized(*c, x_.atoms())) return WindowRef{pid, c->id};
            if (!frontmost) frontmost = c;
        }
    }
    if (!frontmost) return std::nullopt;
    return WindowRef{pid, frontmost->id};
}

std::optional<QString> X11WindowServer::applicationName(int32_t pid) {
    if (!x_.alive()) return std::nullopt;
    DesktopPass& p = fullPass();
    if (!x_.alive()) return std::nullopt;
    // The class its windows give, else its process name.
    fetchDetails(
        x_, p.info, [pid](const ClientInfo& c) { return c.pid == pid; }, &cache_);
    for (const ClientInfo* c : windowsOf(p, pid)) {
        if (c->details && !c->details->wmClass.isEmpty()) return c->details->wmClass;
    }
    const QString comm = processName(pid);
    if (comm.isEmpty()) return std::nullopt;
    return comm;
}

std::optional<int32_t> X11WindowServer::frontmostPid() {
    if (!x_.alive()) return std::nullopt;
    xcb_window_t active = XCB_WINDOW_NONE;
    if (inBatch()) {
        active = fullPass().active;
    } else {
        const auto r = x_.property(
            x_.requestProperty(x_.root(), x_.atoms().NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 1));
        active = first32(r.get()).value_or(XCB_WINDOW_NONE);
    }
    if (active == XCB_WINDOW_NONE) return std::nullopt;
    const DesktopPass& p = passFor(active, false);
    const auto it = p.info.find(active);
    if (it == p.info.end()) return std::nullopt;
    return it->second.pid;
}

int32_t X11WindowServer::ownPid() {
    return static_cast<int32_t>(::getpid());
}

// --- requests -----------------------------------------------------------------------------

void X11WindowServer::moveFrames(const std::vector<FrameRequest>& frames) {
    // Plans speak of the primary monitor's top-left; the manager wants root coordinates.
    const Point origin = originOf(MonitorsRequest(x_).take());
    std::map<xcb_window_t, FrameMover::Move> moves;
    for (const FrameRequest& f : frames) {
        FrameMover::Move& m = moves[xid(f.window)];
        m.position = Point{f.frame.x + origin.x, f.frame.y + origin.y};
        if (!f.keepSize) m.size = f.frame.size();
    }
    mover_.apply(moves);
}

void X11WindowServer::restack(xcb_window_t window) {
    if (!passFor(window, false).restackSupported) {
        // WORKAROUND: xfwm4 neither lists nor honours `_NET_RESTACK_WINDOW`; it takes the
        // client's own raise (a configure request the manager intercepts), and activates
        // the window with it.
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(x_.c(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        return;
    }
    // Restacking is honoured from pagers only.
    x_.sendToManager(window, x_.atoms().NET_RESTACK_WINDOW,
                     {kSourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
}

void X11WindowServer::bringForward(xcb_window_t window) {
    const Atoms& a = x_.atoms();
    const DesktopPass& p = passFor(window, false);
    const auto it = p.info.find(window);
    if (it == p.info.end()) return;
    // Managers do not activate a window of another desktop (openbox flags it as wanting
    // attention instead): go there first.
    const auto desktop = it->second.desktop;
    if (desktop && *desktop != kAllDesktops && p.currentDesktop && *desktop != *p.currentDesktop)
        x_.sendToManager(x_.root(), a.NET_CURRENT_DESKTOP, {*desktop, userTime(), 0, 0, 0});
    restack(window);
    // Activating also focuses, and restores a minimised window. The key press's time lets
    // it through focus-stealing prevention.
    x_.sendToManager(window, a.NET_ACTIVE_WINDOW,
                     {kSourcePager, userTime(), XCB_WINDOW_NONE, 0, 0});
}

void X11WindowServer::apply(const WindowPlan& plan) {
    endPass();  // what follows a request is read afresh
    if (!x_.alive()) return;
    const Atoms& a = x_.atoms();
    if (!plan.restore.empty()) {
        // Activation is how a pager brings an iconified window back; the plan's raises and
        // focus put the stacking right afterwards.
        for (const WindowRef& w : plan.restore)
            x_.sendToManager(xid(w), a.NET_ACTIVE_WINDOW,
                             {kSourcePager, userTime(), XCB_WINDOW_NONE, 0, 0});
        mover_.waitForManager();
    }
    if (!plan.frames.empty()) moveFrames(plan.frames);
    for (const WindowRef& w : plan.raise) restack(xid(w));
    if (plan.focus) {
        bringForward(xid(*plan.focus));
        mover_.waitForManager();
    } else {
        xcb_flush(x_.c());
    }
    endPass();
}

void X11WindowServer::close(const WindowRef& window) {
    endPass();
    if (!x_.alive()) return;
    // The polite close: the client may ask its user first.
    x_.sendToManager(xid(window), x_.atoms().NET_CLOSE_WINDOW, {userTime(), kSourcePager, 0, 0, 0});
    xcb_flush(x_.c());
}

void X11WindowServer::minimize(const WindowRef& window) {
    endPass();
    if (!x_.alive()) return;
    // The ICCCM iconify request, as XIconifyWindow sends it.
    x_.sendToManager(xid(window), x_.atoms().WM_CHANGE_STATE,
                     {XCB_ICCCM_WM_STATE_ICONIC, 0, 0, 0, 0});
    mover_.waitForManager();
}

}  // namespace quenda::x11
