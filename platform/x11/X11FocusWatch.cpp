#include "platform/x11/X11FocusWatch.h"

#include <cstdio>

#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include "platform/x11/Atoms.h"
#include "platform/x11/XcbReply.h"

namespace quenda {

namespace {

constexpr uint32_t kRootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
constexpr uint32_t kClientEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
constexpr uint32_t kFrameEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;

// Errors about a window that went away under us: the watch simply moves on.
bool aboutVanishedWindow(uint8_t code) {
    return code == XCB_WINDOW || code == XCB_DRAWABLE || code == XCB_MATCH;
}

}  // namespace

struct X11FocusWatch::Impl {
    explicit Impl(const QString& display);
    ~Impl();

    void drain();
    void drainLater();
    void handle(const xcb_generic_event_t& e);
    // Follows `_NET_ACTIVE_WINDOW` anew: the active client and its frame.
    void resolveActive();
    void watch(xcb_window_t window, uint32_t events);
    xcb_window_t frameOf(xcb_window_t client);
    void selectRaw();

    xcb_connection_t* conn = nullptr;
    xcb_window_t root = XCB_NONE;
    x11::Atoms atoms;
    xcb_atom_t workArea = XCB_ATOM_NONE;  // _NET_WORKAREA: a panel came, went or moved
    QObject context;                      // owns the queued drains, so none runs after we are gone
    std::unique_ptr<QSocketNotifier> notifier;
    Handlers handlers;
    xcb_window_t client = XCB_NONE;
    xcb_window_t frame = XCB_NONE;
    uint8_t xiOpcode = 0;
    bool xi = false;
    bool pointer = false;
    bool presses = false;
    bool lost = true;
    // What the events of one burst call for.
    bool changed = false;
    bool moved = false;
    bool pressed = false;
    bool reresolve = false;
};

X11FocusWatch::Impl::Impl(const QString& display) {
    int screenNumber = 0;
    const QByteArray name = display.toLocal8Bit();
    conn = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (xcb_connection_has_error(conn)) return;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem || !atoms.intern(conn)) return;
    root = screens.data->root;
    lost = false;
    static const char kWorkArea[] = "_NET_WORKAREA";
    x11::Reply<xcb_intern_atom_reply_t> area(xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, sizeof kWorkArea - 1, kWorkArea), nullptr));
    if (area) workArea = area->atom;

    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn, &xcb_input_id);
    if (ext && ext->present) {
        x11::Reply<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
            conn, xcb_input_xi_query_version(conn, 2, 2), nullptr));
        xi = version && (version->major_version > 2 ||
                         (version->major_version == 2 && version->minor_version >= 2));
        xiOpcode = ext->major_opcode;
    }
    const uint32_t mask = kRootEvents;
    xcb_change_window_attributes(conn, root, XCB_CW_EVENT_MASK, &mask);
    resolveActive();
    xcb_flush(conn);

    notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &context, [this] { drain(); });
    // Events may already sit in xcb's queue, where the notifier cannot see them.
    drainLater();
}

X11FocusWatch::Impl::~Impl() {
    notifier.reset();  // before the socket closes
    if (conn) xcb_disconnect(conn);
}

void X11FocusWatch::Impl::drainLater() {
    QMetaObject::invokeMethod(
        &context, [this] { drain(); }, Qt::QueuedConnection);
}

void X11FocusWatch::Impl::watch(xcb_window_t window, uint32_t events) {
    if (window != XCB_NONE) xcb_change_window_attributes(conn, window, XCB_CW_EVENT_MASK, &events);
}

xcb_window_t X11FocusWatch::Impl::frameOf(xcb_window_t window) {
    // Up the tree to the root's child: the frame (the client itself when undecorated).
    for (int depth = 0; depth < 16 && window != XCB_NONE; ++depth) {
        x11::Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(conn, xcb_query_tree(conn, window), nullptr));
        if (!tree) return XCB_NONE;  // gone
        if (tree->parent == root || tree->parent == XCB_NONE) return window;
        window = tree->parent;
    }
    return XCB_NONE;
}

void X11FocusWatch::Impl::resolveActive() {
    xcb_window_t active = XCB_NONE;
    x11::PropReply prop(xcb_get_property_reply(
        conn, xcb_get_property(conn, 0, root, atoms.NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (prop && prop->format == 32 && xcb_get_property_value_length(prop.get()) >= 4)
        active = *static_cast<const xcb_window_t*>(xcb_get_property_value(prop.get()));
    const xcb_window_t newFrame = active != XCB_NONE ? frameOf(active) : XCB_NONE;
    if (active == client && newFrame == frame) return;
    // Stop watching the old ones (requests on a window that has gone fail harmlessly).
    if (frame != XCB_NONE && frame != client && frame != newFrame && frame != active)
        watch(frame, XCB_EVENT_MASK_NO_EVENT);
    if (client != XCB_NONE && client != active && client != newFrame)
        watch(client, XCB_EVENT_MASK_NO_EVENT);
    client = active;
    frame = newFrame;
    watch(client, kClientEvents);
    if (frame != client) watch(frame, kFrameEvents);
}

void X11FocusWatch::Impl::selectRaw() {
    if (!xi || lost) return;
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } select{};
    select.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    select.head.mask_len = 1;
    select.mask = (pointer ? XCB_INPUT_XI_EVENT_MASK_RAW_MOTION : 0) |
                  (presses ? XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS : 0);
    xcb_input_xi_select_events(conn, root, 1, &select.head);
    xcb_flush(conn);
}

void X11FocusWatch::Impl::handle(const xcb_generic_event_t& e) {
    const uint8_t type = e.response_type & 0x7f;
    switch (type) {
        case 0: {
            const auto& error = reinterpret_cast<const xcb_generic_error_t&>(e);
            if (!aboutVanishedWindow(error.error_code)) {
                std::fprintf(stderr, "quenda: focus watch: X error %d (request %d.%d)\n",
                             error.error_code, error.major_code, error.minor_code);
            }
            return;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(e);
            if (p.window == root) {
                if (p.atom == atoms.NET_ACTIVE_WINDOW || p.atom == atoms.NET_SUPPORTING_WM_CHECK)
                    reresolve = changed = true;
                else if (p.atom == atoms.NET_CURRENT_DESKTOP || p.atom == workArea)
                    changed = true;
            } else if (p.window == client) {
                if (p.atom == atoms.NET_WM_STATE || p.atom == atoms.NET_FRAME_EXTENTS ||
                    p.atom == atoms.WM_STATE || p.atom == atoms.NET_WM_WINDOW_TYPE ||
                    p.atom == atoms.NET_WM_DESKTOP)
                    changed = true;
            }
            return;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto& c = reinterpret_cast<const xcb_configure_notify_event_t&>(e);
            if (c.window == root || c.window == frame || c.window == client) changed = true;
            return;
        }
        case XCB_REPARENT_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_MAP_NOTIFY:
            // A new frame (the window manager restarted), or the window or its frame gone.
            reresolve = changed = true;
            return;
        case XCB_GE_GENERIC: {
            const auto& g = reinterpret_cast<const xcb_ge_generic_event_t&>(e);
            if (!xi || g.extension != xiOpcode) return;
            if (g.event_type == XCB_INPUT_RAW_MOTION && pointer) moved = true;
            if (g.event_type == XCB_INPUT_RAW_BUTTON_PRESS && presses) pressed = true;
            return;
        }
        default:
            return;
    }
}

void X11FocusWatch::Impl::drain() {
    if (lost) return;
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(conn)) {
            handle(*e);
            std::free(e);
        }
        if (!reresolve) break;
        reresolve = false;
        resolveActive();  // round trips: events may have queued meanwhile
        xcb_flush(conn);
    }
    if (xcb_connection_has_error(conn)) {
        lost = true;
        notifier->setEnabled(false);  // a lost connection stays readable for ever
        return;
    }
    // One call per burst, however many events it held.
    const bool c = std::exchange(changed, false);
    const bool p = std::exchange(pressed, false);
    const bool m = std::exchange(moved, false);
    if (c && handlers.changed) handlers.changed();
    if (p && handlers.pressed) handlers.pressed();
    if (m && !c && handlers.pointerMoved) handlers.pointerMoved();
}

X11FocusWatch::X11FocusWatch(const QString& display) : d_(std::make_unique<Impl>(display)) {}
X11FocusWatch::~X11FocusWatch() = default;

void X11FocusWatch::setHandlers(Handlers handlers) {
    d_->handlers = std::move(handlers);
}

void X11FocusWatch::followPointer(bool on) {
    if (d_->pointer == on) return;
    d_->pointer = on;
    d_->selectRaw();
}

void X11FocusWatch::watchPresses(bool on) {
    if (d_->presses == on) return;
    d_->presses = on;
    d_->selectRaw();
}

bool X11FocusWatch::isConnected() const {
    return !d_->lost;
}
bool X11FocusWatch::hasRawInput() const {
    return d_->xi;
}
uint32_t X11FocusWatch::watchedWindow() const {
    return d_->client;
}
uint32_t X11FocusWatch::watchedFrame() const {
    return d_->frame;
}

}  // namespace quenda
