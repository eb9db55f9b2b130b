#include "platform/x11/X11WindowServer.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include "platform/x11/Monitors.h"
#include "platform/x11/WindowTypes.h"

namespace quenda::x11 {

namespace {

constexpr uint32_t kSourcePager = 2;
constexpr uint32_t kAllDesktops = 0xFFFFFFFFu;

QString processName(int32_t pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

bool needsDetails(std::string_view name) {
    return name == attr::Title || name == attr::CloseButton;
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
                                      &flushContext_);
        QObject::connect(events_, &QSocketNotifier::activated, &flushContext_, [this] {
            x_.drainEvents();
            // A lost connection stays readable for ever.
            if (!x_.alive()) events_->setEnabled(false);
        });
    }
}

X11WindowServer::~X11WindowServer() {
    flushMoves();
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

void X11WindowServer::flushMoves() {
    if (pendingMoves_.empty()) return;
    auto moves = std::move(pendingMoves_);
    pendingMoves_.clear();
    if (!x_.alive()) return;
    // Written in window coordinates; the manager wants root coordinates.
    const Point origin = originOf(MonitorsRequest(x_).take());
    for (auto& [w, m] : moves) {
        if (m.position) m.position = Point{m.position->x + origin.x, m.position->y + origin.y};
    }
    mover_.apply(moves);
}

void X11WindowServer::beginReadBatch() {
    flushMoves();
    ++batchDepth_;
}

void X11WindowServer::endReadBatch() {
    if (batchDepth_ > 0 && --batchDepth_ == 0) endPass();
}

std::optional<std::vector<WindowListEntry>> X11WindowServer::windowList() {
    flushMoves();
    if (!x_.alive()) return std::nullopt;
    DesktopPass& p = inBatch() ? batchPass_.emplace(readDesktop(x_, &cache_)) : fullPass();
    if (!x_.alive()) return std::nullopt;  // lost while reading
    return p.windowList(x_.atoms());
}

std::optional<AttributeValue> X11WindowServer::windowAttribute(const ClientInfo& c,
                                                               const DesktopPass& p,
                                                               std::string_view name) const {
    const Atoms& a = x_.atoms();
    if (name == attr::Title) {
        if (!c.details || !c.details->title) return std::nullopt;
        return *c.details->title;
    }
    if (name == attr::Subrole) return subroleOf(c, a);
    // Hidden with its application: not minimised, though the manager iconified it.
    if (name == attr::Minimized) return !hidden_.contains(c.id) && p.minimized(c, a);
    const Rect outer = c.outer();
    if (name == attr::Position) return Point{outer.x - p.origin.x, outer.y - p.origin.y};
    if (name == attr::Size) return Size{outer.width, outer.height};
    if (name == attr::CloseButton) {
        if (!c.details || !c.details->closable) return std::nullopt;
        return Element::closeButton(c.pid.value_or(0), c.id);
    }
    if (name == attr::Main || name == attr::Frontmost) return p.active == c.id;
    return std::nullopt;
}

std::optional<AttributeValue> X11WindowServer::applicationAttribute(int32_t pid,
                                                                    std::string_view name) {
    if (name != attr::Windows && name != attr::FocusedWindow && name != attr::Title &&
        name != attr::Frontmost)
        return std::nullopt;
    DesktopPass& p = fullPass();
    if (!x_.alive()) return std::nullopt;
    const auto owned = [pid](const ClientInfo& c) { return c.pid == pid; };
    std::vector<const ClientInfo*> own;  // in client-list order
    for (xcb_window_t w : p.clients) {
        auto it = p.info.find(w);
        if (it != p.info.end() && owned(it->second)) own.push_back(&it->second);
    }
    if (name == attr::Windows) {
        std::vector<Element> list;
        for (const ClientInfo* c : own) list.push_back(Element::window(pid, c->id));
        return list;
    }
    if (name == attr::FocusedWindow) {
        for (const ClientInfo* c : own) {
            if (c->id == p.active) return Element::window(pid, c->id);
        }
        // Not active: its frontmost window, one the user can see if it has any.
        const ClientInfo* frontmost = nullptr;
        for (auto it = p.stacking.rbegin(); it != p.stacking.rend(); ++it) {
            for (const ClientInfo* c : own) {
                if (c->id != *it) continue;
                if (!p.minimized(*c, x_.atoms()) && p.onCurrentDesktop(*c))
                    return Element::window(pid, c->id);
                if (!frontmost) frontmost = c;
            }
        }
        if (!frontmost) return std::nullopt;
        return Element::window(pid, frontmost->id);
    }
    if (name == attr::Frontmost) {
        const auto active = p.info.find(p.active);
        return active != p.info.end() && active->second.pid == pid;
    }
    // The application's name: the class its windows give, else its process name.
    fetchDetails(x_, p.info, owned, &cache_);
    for (const ClientInfo* c : own) {
        if (c->details && !c->details->wmClass.isEmpty()) return c->details->wmClass;
    }
    const QString comm = processName(pid);
    if (comm.isEmpty()) return std::nullopt;
    return comm;
}

std::optional<AttributeValue> X11WindowServer::attribute(const Element& element,
                                                         std::string_view name) {
    // No window on X11 has this mode: answering needs no picture of the desktop.
    if (name == attr::EnhancedUserInterface) return std::nullopt;
    flushMoves();
    if (!x_.alive()) return std::nullopt;
    if (element.kind == Element::Kind::Application) return applicationAttribute(element.pid, name);
    if (element.kind != Element::Kind::Window) return std::nullopt;
    const auto window = static_cast<xcb_window_t>(element.id);
    const DesktopPass& p = passFor(window, needsDetails(name));
    const auto it = p.info.find(window);
    if (it == p.info.end()) return std::nullopt;
    return windowAttribute(it->second, p, name);
}

void X11WindowServer::activate(xcb_window_t window) {
    x_.sendToManager(window, x_.atoms().NET_ACTIVE_WINDOW,
                     {kSourcePager, userTime(), XCB_WINDOW_NONE, 0, 0});
}

void X11WindowServer::setAttribute(const Element& element, std::string_view name,
                                   const AttributeValue& value) {
    endPass();  // what follows a write is read afresh
    if (!x_.alive()) return;
    if (element.kind == Element::Kind::Application) {
        const bool* on = std::get_if<bool>(&value);
        // An application already in front (just activated, as a raise does first) is left
        // as it is: activating it again would only repeat the same requests.
        if (name == attr::Frontmost && on && *on && activateApplication_ &&
            frontmostPid() != element.pid)
            activateApplication_(element.pid);
        return;
    }
    if (element.kind != Element::Kind::Window) return;
    const auto window = static_cast<xcb_window_t>(element.id);
    if (name == attr::Position || name == attr::Size) {
        FrameMover::Move& move = pendingMoves_[window];
        if (const Point* p = std::get_if<Point>(&value)) move.position = *p;
        if (const Size* s = std::get_if<Size>(&value)) move.size = *s;
        // Later writes to the same window merge into one request; the event loop sends them
        // once the command that wrote them has returned.
        if (pendingMoves_.size() == 1 && QCoreApplication::instance())
            QTimer::singleShot(0, &flushContext_, [this] { flushMoves(); });
        return;
    }
    flushMoves();
    const bool* on = std::get_if<bool>(&value);
    if (!on) return;
    if (name == attr::Minimized && *on) {
        // The ICCCM iconify request, as XIconifyWindow sends it.
        x_.sendToManager(window, x_.atoms().WM_CHANGE_STATE,
                         {XCB_ICCCM_WM_STATE_ICONIC, 0, 0, 0, 0});
    } else if ((name == attr::Minimized && !*on) ||
               ((name == attr::Main || name == attr::Frontmost) && *on)) {
        activate(window);  // also restores a minimised window
    } else {
        return;
    }
    mover_.waitForManager();
}

void X11WindowServer::performAction(const Element& element, std::string_view action) {
    flushMoves();
    endPass();
    if (!x_.alive()) return;
    const auto window = static_cast<xcb_window_t>(element.id);
    const Atoms& a = x_.atoms();
    if (element.kind == Element::Kind::CloseButton && action == action::Press) {
        // The polite close: the client may ask its user first.
        x_.sendToManager(window, a.NET_CLOSE_WINDOW, {userTime(), kSourcePager, 0, 0, 0});
        xcb_flush(x_.c());
    } else if (element.kind == Element::Kind::Window && action == action::Raise) {
        const DesktopPass& p = passFor(window, false);
        const auto it = p.info.find(window);
        if (it == p.info.end()) return;
        // Managers do not activate a window of another desktop (openbox flags it as wanting
        // attention instead): go there first.
        const auto desktop = it->second.desktop;
        if (desktop && *desktop != kAllDesktops && p.currentDesktop &&
            *desktop != *p.currentDesktop)
            x_.sendToManager(x_.root(), a.NET_CURRENT_DESKTOP, {*desktop, userTime(), 0, 0, 0});
        // Restacking is honoured from pagers only (source 2); activating also focuses.
        x_.sendToManager(window, a.NET_RESTACK_WINDOW,
                         {kSourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
        activate(window);
        mover_.waitForManager();
    }
}

std::optional<int32_t> X11WindowServer::frontmostPid() {
    flushMoves();
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

}  // namespace quenda::x11
