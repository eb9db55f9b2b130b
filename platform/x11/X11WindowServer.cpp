#include "platform/x11/X11WindowServer.h"

#include <unistd.h>

#include <algorithm>

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include "platform/x11/XcbReply.h"

namespace quenda::x11 {

namespace {
using PropReply = Reply<xcb_get_property_reply_t>;

// Layers of the window list: 0 for ordinary windows, as the window layer expects.
constexpr int64_t kNormalLayer = 0;
constexpr int64_t kFloatingLayer = 3;
constexpr int64_t kDockLayer = 20;
constexpr int64_t kNotificationLayer = 23;

QString processName(int32_t pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}
}  // namespace

X11WindowServer::Pass X11WindowServer::takePass() {
    Pass p;
    if (!x_.alive()) return p;
    xcb_connection_t* c = x_.c();
    auto* e = x_.ewmh();
    auto rootProp = [&](xcb_atom_t atom, xcb_atom_t type, uint32_t len) {
        return xcb_get_property(c, 0, x_.root(), atom, type, 0, len);
    };
    // Root facts first, pipelined; then every client in one more pass.
    const auto stacking = rootProp(e->_NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW, 65536);
    const auto clients = rootProp(e->_NET_CLIENT_LIST, XCB_ATOM_WINDOW, 65536);
    const auto desktop = rootProp(e->_NET_CURRENT_DESKTOP, XCB_ATOM_CARDINAL, 1);
    const auto active = rootProp(e->_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 1);
    const auto supported = rootProp(e->_NET_SUPPORTED, XCB_ATOM_ATOM, 4096);
    PropReply stackingR(xcb_get_property_reply(c, stacking, nullptr));
    PropReply clientsR(xcb_get_property_reply(c, clients, nullptr));
    PropReply desktopR(xcb_get_property_reply(c, desktop, nullptr));
    PropReply activeR(xcb_get_property_reply(c, active, nullptr));
    PropReply supportedR(xcb_get_property_reply(c, supported, nullptr));
    p.stacking = values32(stackingR.get());
    p.clients = values32(clientsR.get());
    if (p.clients.empty()) p.clients = p.stacking;
    if (p.stacking.empty()) p.stacking = p.clients;
    p.currentDesktop = first32(desktopR.get());
    p.active = first32(activeR.get()).value_or(XCB_WINDOW_NONE);
    const auto hints = values32(supportedR.get());
    p.hiddenSupported =
        std::find(hints.begin(), hints.end(), e->_NET_WM_STATE_HIDDEN) != hints.end();
    p.origin = x_.primaryOrigin();

    std::vector<xcb_window_t> all = p.clients;
    for (xcb_window_t w : p.stacking) {
        if (std::find(all.begin(), all.end(), w) == all.end()) all.push_back(w);
    }
    p.info = fetchClients(x_, all);
    return p;
}

const X11WindowServer::Pass& X11WindowServer::pass() {
    if (batchDepth_ > 0 && pass_) return *pass_;
    pass_ = takePass();
    return *pass_;
}

void X11WindowServer::flushMoves() {
    if (pendingMoves_.empty()) return;
    auto moves = std::move(pendingMoves_);
    pendingMoves_.clear();
    if (x_.alive()) mover_.apply(moves);
}

void X11WindowServer::beginReadBatch() {
    flushMoves();
    ++batchDepth_;
}

void X11WindowServer::endReadBatch() {
    if (batchDepth_ > 0 && --batchDepth_ == 0) endPass();
}

const ClientInfo* X11WindowServer::client(xcb_window_t window) {
    // Inside a batch, answers come from the pass (a window it lacks is read and kept).
    std::map<xcb_window_t, ClientInfo>& store =
        batchDepth_ > 0 && pass_ ? pass_->info : (lastRead_ = {});
    auto it = store.find(window);
    if (it != store.end()) return &it->second;
    auto fetched = fetchClients(x_, {window});
    auto found = fetched.find(window);
    if (found == fetched.end()) return nullptr;
    return &store.insert_or_assign(window, std::move(found->second)).first->second;
}

bool X11WindowServer::minimized(const ClientInfo& c, const Pass& p) const {
    // Openbox marks windows of other desktops Iconic too; where the manager has a hidden
    // state, that alone means minimised.
    if (p.hiddenSupported) return c.has(c.states, x_.ewmh()->_NET_WM_STATE_HIDDEN);
    return c.iconic;
}

QString X11WindowServer::subrole(const ClientInfo& c) const {
    auto* e = x_.ewmh();
    for (xcb_atom_t t : c.types) {
        if (t == e->_NET_WM_WINDOW_TYPE_NORMAL) return QStringLiteral("AXStandardWindow");
        if (t == e->_NET_WM_WINDOW_TYPE_DIALOG) return QStringLiteral("AXDialog");
        if (t == e->_NET_WM_WINDOW_TYPE_UTILITY || t == e->_NET_WM_WINDOW_TYPE_TOOLBAR ||
            t == e->_NET_WM_WINDOW_TYPE_MENU)
            return QStringLiteral("AXFloatingWindow");
        if (t == e->_NET_WM_WINDOW_TYPE_SPLASH || t == e->_NET_WM_WINDOW_TYPE_NOTIFICATION ||
            t == e->_NET_WM_WINDOW_TYPE_DOCK || t == e->_NET_WM_WINDOW_TYPE_DESKTOP)
            return QStringLiteral("AXSystemDialog");
    }
    // No type known: a transient window is a dialog, anything else an ordinary window.
    return c.transient ? QStringLiteral("AXDialog") : QStringLiteral("AXStandardWindow");
}

int64_t X11WindowServer::layer(const ClientInfo& c) const {
    auto* e = x_.ewmh();
    for (xcb_atom_t t : c.types) {
        if (t == e->_NET_WM_WINDOW_TYPE_NORMAL || t == e->_NET_WM_WINDOW_TYPE_DIALOG ||
            t == e->_NET_WM_WINDOW_TYPE_UTILITY)
            return kNormalLayer;
        if (t == e->_NET_WM_WINDOW_TYPE_DOCK) return kDockLayer;
        if (t == e->_NET_WM_WINDOW_TYPE_NOTIFICATION) return kNotificationLayer;
        if (t == e->_NET_WM_WINDOW_TYPE_TOOLBAR || t == e->_NET_WM_WINDOW_TYPE_MENU ||
            t == e->_NET_WM_WINDOW_TYPE_SPLASH)
            return kFloatingLayer;
    }
    return kNormalLayer;
}

std::optional<std::vector<WindowListEntry>> X11WindowServer::windowList() {
    flushMoves();
    if (!x_.alive()) return std::nullopt;
    if (batchDepth_ > 0) pass_ = takePass();  // the list starts the batch's picture
    const Pass& p = pass();
    std::vector<WindowListEntry> list;
    for (auto it = p.stacking.rbegin(); it != p.stacking.rend(); ++it) {
        auto found = p.info.find(*it);
        if (found == p.info.end()) continue;
        const ClientInfo& c = found->second;
        if (c.has(c.types, x_.ewmh()->_NET_WM_WINDOW_TYPE_DESKTOP)) continue;
        const bool here = !c.desktop || *c.desktop == 0xFFFFFFFFu || !p.currentDesktop ||
                          *c.desktop == *p.currentDesktop;
        if (!here || !c.viewable || minimized(c, p)) continue;
        const Rect outer = c.outer();
        list.push_back({layer(c), c.pid,
                        Rect{outer.x - p.origin.x, outer.y - p.origin.y, outer.width, outer.height},
                        c.opacity, c.id});
    }
    if (batchDepth_ == 0) endPass();
    return list;
}

std::optional<AttributeValue> X11WindowServer::windowAttribute(const ClientInfo& c,
                                                               std::string_view name) {
    if (name == attr::Title) {
        if (!c.title) return std::nullopt;
        return *c.title;
    }
    if (name == attr::Subrole) return subrole(c);
    const bool inPass = batchDepth_ > 0 && pass_.has_value();
    if (name == attr::Minimized) {
        const bool hidden =
            inPass ? pass_->hiddenSupported : x_.supports(x_.ewmh()->_NET_WM_STATE_HIDDEN);
        return hidden ? c.has(c.states, x_.ewmh()->_NET_WM_STATE_HIDDEN) : c.iconic;
    }
    const Point origin = inPass ? pass_->origin : x_.primaryOrigin();
    const Rect outer = c.outer();
    if (name == attr::Position) return Point{outer.x - origin.x, outer.y - origin.y};
    if (name == attr::Size) return Size{outer.width, outer.height};
    if (name == attr::CloseButton) return Element::closeButton(c.pid.value_or(0), c.id);
    if (name == attr::Main || name == attr::Frontmost) {
        return (inPass ? pass_->active : activeWindow()) == c.id;
    }
    return std::nullopt;
}

std::optional<AttributeValue> X11WindowServer::applicationAttribute(int32_t pid,
                                                                    std::string_view name) {
    const Pass& p = pass();
    std::vector<const ClientInfo*> own;  // in client-list order
    for (xcb_window_t w : p.clients) {
        auto it = p.info.find(w);
        if (it != p.info.end() && it->second.pid == pid) own.push_back(&it->second);
    }
    if (name == attr::Windows) {
        if (own.empty() && !x_.alive()) return std::nullopt;
        std::vector<Element> list;
        for (const ClientInfo* c : own) list.push_back(Element::window(pid, c->id));
        return list;
    }
    if (name == attr::FocusedWindow) {
        for (const ClientInfo* c : own) {
            if (c->id == p.active) return Element::window(pid, c->id);
        }
        for (auto it = p.stacking.rbegin(); it != p.stacking.rend(); ++it) {
            for (const ClientInfo* c : own) {
                if (c->id == *it) return Element::window(pid, c->id);
            }
        }
        return std::nullopt;
    }
    if (name == attr::Title) {
        for (const ClientInfo* c : own) {
            if (!c->wmClass.isEmpty()) return c->wmClass;
        }
        const QString comm = processName(pid);
        if (comm.isEmpty()) return std::nullopt;
        return comm;
    }
    if (name == attr::Frontmost) return frontmostPid() == pid;
    return std::nullopt;  // no enhanced-interface mode on X11
}

std::optional<AttributeValue> X11WindowServer::attribute(const Element& element,
                                                         std::string_view name) {
    // No window on X11 has this mode: answering needs no picture of the desktop.
    if (name == attr::EnhancedUserInterface) return std::nullopt;
    flushMoves();
    if (!x_.alive()) return std::nullopt;
    if (element.kind == Element::Kind::Application) return applicationAttribute(element.pid, name);
    if (element.kind != Element::Kind::Window) return std::nullopt;
    const ClientInfo* c = client(static_cast<xcb_window_t>(element.id));
    if (!c) return std::nullopt;
    return windowAttribute(*c, name);
}

void X11WindowServer::setAttribute(const Element& element, std::string_view name,
                                   const AttributeValue& value) {
    endPass();  // what follows a write must be read afresh
    if (!x_.alive() || element.kind != Element::Kind::Window) return;
    const auto window = static_cast<xcb_window_t>(element.id);
    auto* e = x_.ewmh();
    if (name == attr::Position || name == attr::Size) {
        FrameMover::Move& move = pendingMoves_[window];
        if (const Point* p = std::get_if<Point>(&value)) {
            const Point origin = x_.primaryOrigin();
            move.position = Point{p->x + origin.x, p->y + origin.y};
        } else if (const Size* s = std::get_if<Size>(&value)) {
            move.size = *s;
        }
        // Later writes to the same window merge into one request; the event loop sends them
        // once the command that wrote them has returned.
        if (pendingMoves_.size() == 1 && QCoreApplication::instance())
            QTimer::singleShot(0, &flushContext_, [this] { flushMoves(); });
        return;
    }
    flushMoves();
    if (name == attr::Minimized) {
        const bool* b = std::get_if<bool>(&value);
        if (!b) return;
        if (*b) {
            // ICCCM iconify request, as XIconifyWindow sends it.
            xcb_client_message_event_t m{};
            m.response_type = XCB_CLIENT_MESSAGE;
            m.format = 32;
            m.window = window;
            m.type = x_.wmChangeState;
            m.data.data32[0] = XCB_ICCCM_WM_STATE_ICONIC;
            xcb_send_event(
                x_.c(), 0, x_.root(),
                XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                reinterpret_cast<const char*>(&m));
        } else {
            xcb_ewmh_request_change_active_window(e, 0, window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                                  XCB_CURRENT_TIME, XCB_WINDOW_NONE);
        }
    } else if (name == attr::Main || name == attr::Frontmost) {
        const bool* b = std::get_if<bool>(&value);
        if (b && *b)
            xcb_ewmh_request_change_active_window(e, 0, window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                                  XCB_CURRENT_TIME, XCB_WINDOW_NONE);
    }
    xcb_flush(x_.c());
    x_.drainErrors();
}

void X11WindowServer::performAction(const Element& element, std::string_view action) {
    flushMoves();
    endPass();
    if (!x_.alive()) return;
    const auto window = static_cast<xcb_window_t>(element.id);
    auto* e = x_.ewmh();
    if (element.kind == Element::Kind::CloseButton && action == action::Press) {
        xcb_ewmh_request_close_window(e, 0, window, XCB_CURRENT_TIME,
                                      XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    } else if (element.kind == Element::Kind::Window && action == action::Raise) {
        // Restack with source 2: openbox honours it only from pagers and the like.
        xcb_client_message_event_t m{};
        m.response_type = XCB_CLIENT_MESSAGE;
        m.format = 32;
        m.window = window;
        m.type = e->_NET_RESTACK_WINDOW;
        m.data.data32[0] = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;
        m.data.data32[1] = XCB_WINDOW_NONE;
        m.data.data32[2] = XCB_STACK_MODE_ABOVE;
        xcb_send_event(x_.c(), 0, x_.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&m));
    }
    xcb_flush(x_.c());
    x_.drainErrors();
}

xcb_window_t X11WindowServer::activeWindow() {
    PropReply r(
        xcb_get_property_reply(x_.c(),
                               xcb_get_property(x_.c(), 0, x_.root(), x_.ewmh()->_NET_ACTIVE_WINDOW,
                                                XCB_ATOM_WINDOW, 0, 1),
                               nullptr));
    return first32(r.get()).value_or(XCB_WINDOW_NONE);
}

std::optional<int32_t> X11WindowServer::frontmostPid() {
    flushMoves();
    if (!x_.alive()) return std::nullopt;
    const xcb_window_t active = activeWindow();
    if (active == XCB_WINDOW_NONE) return std::nullopt;
    const ClientInfo* c = client(active);
    if (!c) return std::nullopt;
    return c->pid;
}

int32_t X11WindowServer::ownPid() {
    return static_cast<int32_t>(::getpid());
}

}  // namespace quenda::x11
