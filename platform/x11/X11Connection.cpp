#include "platform/x11/X11Connection.h"

#include <poll.h>

#include <QtDebug>

#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/xcbext.h>

namespace quenda::x11 {

namespace {
// What a request about a window that is gone (or no longer mapped) answers.
bool windowIsGone(uint8_t code) {
    return code == XCB_WINDOW || code == XCB_DRAWABLE || code == XCB_MATCH;
}

bool extensionPresent(xcb_connection_t* c, xcb_extension_t* ext) {
    const xcb_query_extension_reply_t* r = xcb_get_extension_data(c, ext);
    return r && r->present;
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
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        *error = QStringLiteral("cannot connect to X display '%1'").arg(display);
        return nullptr;
    }
    std::unique_ptr<X11Connection> self(new X11Connection);
    self->c_ = c;
    self->display_ = display;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    self->screen_ = it.rem ? it.data : nullptr;
    self->screenNumber_ = screenNumber;
    // Both extension queries go out before either answer is awaited.
    xcb_prefetch_extension_data(c, &xcb_randr_id);
    xcb_prefetch_extension_data(c, &xcb_res_id);
    if (!self->screen_ || !self->atoms_.intern(c)) {
        *error = QStringLiteral("cannot use X display '%1'").arg(display);
        return nullptr;
    }
    self->randr_ = extensionPresent(c, &xcb_randr_id);
    self->xres_ = extensionPresent(c, &xcb_res_id);
    return self;
}

X11Connection::~X11Connection() {
    if (c_) xcb_disconnect(c_);
}

std::optional<xcb_window_t> X11Connection::managerCheckWindow() {
    if (!alive()) return std::nullopt;
    const xcb_atom_t check = atoms_.NET_SUPPORTING_WM_CHECK;
    const auto named = first32(property(requestProperty(root(), check, XCB_ATOM_WINDOW, 1)).get());
    if (!named || *named == XCB_WINDOW_NONE) return std::nullopt;
    // A stale check window (its manager died) is gone or no longer names itself.
    if (first32(property(requestProperty(*named, check, XCB_ATOM_WINDOW, 1)).get()) != named)
        return std::nullopt;
    return *named;
}

xcb_void_cookie_t X11Connection::sendToManager(xcb_window_t window, xcb_atom_t type,
                                               const std::array<uint32_t, 5>& data) {
    xcb_client_message_event_t m{};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = window;
    m.type = type;
    for (size_t i = 0; i < data.size(); ++i) m.data.data32[i] = data[i];
    return xcb_send_event(c_, 0, root(),
                          XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                          reinterpret_cast<const char*>(&m));
}

void X11Connection::noteError(const xcb_generic_error_t& e) {
    if (windowIsGone(e.error_code)) return;
    ++unexpectedErrors_;
    lastUnexpected_ = QStringLiteral("X error %1 on request %2.%3 (resource 0x%4)")
                          .arg(e.error_code)
                          .arg(e.major_code)
                          .arg(e.minor_code)
                          .arg(e.resource_id, 0, 16);
    qWarning("quenda x11: %s", qPrintable(lastUnexpected_));
}

void* X11Connection::awaitReply(unsigned int sequence, xcb_generic_error_t** error) {
    *error = nullptr;
    if (!alive()) return nullptr;
    const auto deadline = std::chrono::steady_clock::now() + *replyDeadline_;
    xcb_flush(c_);
    for (;;) {
        void* reply = nullptr;
        // Reads what the server has sent without blocking; done on a reply, an error, or a
        // lost connection (which answers nothing).
        if (xcb_poll_for_reply(c_, sequence, &reply, error)) return reply;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            stalled_ = true;
            return nullptr;
        }
        pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
        poll(&p, 1, int(left.count()) + 1);
    }
}

bool X11Connection::dispatch(const xcb_generic_event_t& e) {
    if (e.response_type == 0) {
        noteError(reinterpret_cast<const xcb_generic_error_t&>(e));
        return false;
    }
    if (handler_) handler_(e);
    return true;
}

Reply<xcb_generic_event_t> X11Connection::nextEvent(
    std::chrono::steady_clock::time_point deadline) {
    xcb_flush(c_);
    for (;;) {
        Reply<xcb_generic_event_t> e(xcb_poll_for_event(c_));
        if (e && !dispatch(*e)) continue;
        if (e || !alive()) return e;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return nullptr;
        pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
        poll(&p, 1, int(left.count()) + 1);
    }
}

void X11Connection::drainEvents() {
    while (Reply<xcb_generic_event_t> e{xcb_poll_for_event(c_)}) dispatch(*e);
}

void X11Connection::sync() {
    reply(xcb_get_input_focus_reply, xcb_get_input_focus(c_));
    drainEvents();
}

uint32_t X11Connection::serverTime() {
    if (!alive()) return XCB_CURRENT_TIME;
    if (clockWindow_ == XCB_WINDOW_NONE) {
        clockWindow_ = xcb_generate_id(c_);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c_, 0, clockWindow_, root(), -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
    }
    // Appending nothing to a property changes nothing, yet the server reports it with its
    // time: the way a client without an event at hand gets a timestamp.
    const xcb_void_cookie_t asked = xcb_change_property(
        c_, XCB_PROP_MODE_APPEND, clockWindow_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (const auto e = nextEvent(deadline)) {
        if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e.get());
        const bool afterAsking = uint16_t(p->sequence - uint16_t(asked.sequence)) < 0x8000;
        if (p->window == clockWindow_ && afterAsking) return p->time;
    }
    return XCB_CURRENT_TIME;
}

}  // namespace quenda::x11
