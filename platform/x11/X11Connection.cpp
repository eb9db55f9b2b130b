#include "platform/x11/X11Connection.h"

#include <algorithm>
#include <cstring>

namespace quenda::x11 {

namespace {
xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr));
    return r ? r->atom : XCB_ATOM_NONE;
}
}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(const QString& display, QString* error) {
    const QByteArray name = display.toLocal8Bit();
    if (name.isEmpty()) {
        *error = QStringLiteral("no X display: DISPLAY is not set");
        return nullptr;
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(name.constData(), &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        *error = QStringLiteral("cannot connect to X display '%1'").arg(display);
        return nullptr;
    }
    std::unique_ptr<X11Connection> self(new X11Connection);
    self->c_ = c;
    self->display_ = display;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    self->screen_ = it.data;
    self->ewmhReady_ = xcb_ewmh_init_atoms_replies(
                           &self->ewmh_, xcb_ewmh_init_atoms(c, &self->ewmh_), nullptr) != 0;
    if (!self->screen_ || !self->ewmhReady_) {
        *error = QStringLiteral("cannot use X display '%1'").arg(display);
        return nullptr;
    }
    self->gtkFrameExtents = intern(c, "_GTK_FRAME_EXTENTS");
    self->wmState = intern(c, "WM_STATE");
    self->wmChangeState = intern(c, "WM_CHANGE_STATE");
    self->utf8String = intern(c, "UTF8_STRING");
    self->windowOpacity = intern(c, "_NET_WM_WINDOW_OPACITY");
    return self;
}

X11Connection::~X11Connection() {
    if (ewmhReady_) xcb_ewmh_connection_wipe(&ewmh_);
    if (c_) xcb_disconnect(c_);
}

bool X11Connection::hasWindowManager() {
    if (!alive()) return false;
    auto get = [this](xcb_window_t w) {
        return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, w, ewmh_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 0, 1),
            nullptr));
    };
    const auto check = first32(get(root()).get());
    if (!check || *check == XCB_WINDOW_NONE) return false;
    // A stale check window (its manager died) no longer points at itself.
    return first32(get(*check).get()) == check;
}

bool X11Connection::supports(xcb_atom_t hint) {
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, root(), ewmh_._NET_SUPPORTED, XCB_ATOM_ATOM, 0, 4096),
        nullptr));
    const auto atoms = values32(r.get());
    return std::find(atoms.begin(), atoms.end(), hint) != atoms.end();
}

Point X11Connection::primaryOrigin() {
    Reply<xcb_randr_get_monitors_reply_t> r(
        xcb_randr_get_monitors_reply(c_, xcb_randr_get_monitors(c_, root(), 1), nullptr));
    if (!r) return {};
    std::optional<Point> first;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(r.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const Point p{static_cast<double>(it.data->x), static_cast<double>(it.data->y)};
        if (it.data->primary) return p;
        if (!first) first = p;
    }
    return first.value_or(Point{});
}

void X11Connection::drainErrors() {
    while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) std::free(e);
}

void X11Connection::sync() {
    Reply<xcb_get_input_focus_reply_t> r(
        xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    drainErrors();
}

}  // namespace quenda::x11
