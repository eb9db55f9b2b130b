#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include <xcb/xcb.h>

#include "platform/x11/Atoms.h"
#include "platform/x11/XcbReply.h"

namespace quenda::x11 {

// Our own connection to the X server, kept apart from Qt's so that errors about other
// clients' windows come to us and not to Qt's log. Every reply is taken through it, so each
// X error is seen once: one about a window that vanished under us is expected and means
// "no value"; any other is counted and logged.
class X11Connection {
  public:
    static std::unique_ptr<X11Connection> open(const QString& display, QString* error);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* c() const { return c_; }
    const Atoms& atoms() const { return atoms_; }
    xcb_window_t root() const { return screen_->root; }
    const xcb_screen_t* screen() const { return screen_; }
    // The number of that screen on the display (the N of names like _NET_SYSTEM_TRAY_SN).
    int screenNumber() const { return screenNumber_; }
    QString displayName() const { return display_; }
    bool hasRandr() const { return randr_; }
    bool hasXRes() const { return xres_; }
    // False once the server has gone away, or did not answer in time; every read then gives
    // nothing at once.
    bool alive() const { return !stalled_ && !xcb_connection_has_error(c_); }
    // Why the connection is no longer usable: lost, or the server stopped answering.
    enum class Failure : uint8_t { none, lost, notAnswering };
    Failure failure() const {
        if (stalled_) return Failure::notAnswering;
        return xcb_connection_has_error(c_) ? Failure::lost : Failure::none;
    }
    // From now on, no reply is waited for longer than `limit`: past it the server counts as
    // not answering (stopped or hung) and the connection is given up. Without it replies are
    // waited for as long as the server lives, which the running application relies on.
    void setReplyDeadline(std::chrono::milliseconds limit) { replyDeadline_ = limit; }
    std::optional<std::chrono::milliseconds> replyDeadline() const { return replyDeadline_; }
    // An EWMH window manager is running: the root names a check window that names itself.
    bool hasWindowManager() { return managerCheckWindow().has_value(); }
    // That check window; a new one means a new manager.
    std::optional<xcb_window_t> managerCheckWindow();

    // The reply to a request, or nothing; an error it carries is accounted for.
    template <typename R, typename Cookie>
    Reply<R> reply(R* (*take)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie) {
        xcb_generic_error_t* error = nullptr;
        // Every xcb reply function is the generic wait for that sequence number, typed.
        Reply<R> r(replyDeadline_ ? static_cast<R*>(awaitReply(cookie.sequence, &error))
                                  : take(c_, cookie, &error));
        if (error) noteError(*error);
        std::free(error);
        return r;
    }
    PropReply property(xcb_get_property_cookie_t cookie) {
        return reply(xcb_get_property_reply, cookie);
    }
    xcb_get_property_cookie_t requestProperty(xcb_window_t w, xcb_atom_t atom, xcb_atom_t type,
                                              uint32_t longs) const {
        return xcb_get_property(c_, 0, w, atom, type, 0, longs);
    }

    // A client message about `window` to the root, where the window manager listens.
    xcb_void_cookie_t sendToManager(xcb_window_t window, xcb_atom_t type,
                                    const std::array<uint32_t, 5>& data);

    // Whoever keeps track of what windows report gets every event first.
    using EventHandler = std::function<void(const xcb_generic_event_t&)>;
    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }

    // The next event (already shown to the handler), errors accounted for and left out;
    // nothing when `deadline` passes first or the connection is lost.
    Reply<xcb_generic_event_t> nextEvent(std::chrono::steady_clock::time_point deadline);
    // Takes in every queued event; errors that fire-and-forget requests left are accounted
    // for.
    void drainEvents();
    // One round trip, so the server has carried out every request sent so far.
    void sync();
    // The server's time now, for requests that must carry a real timestamp; CurrentTime
    // when the server does not report it in time.
    uint32_t serverTime();

    // Errors no vanished window explains: a fault of ours. Tests expect none.
    int unexpectedErrors() const { return unexpectedErrors_; }
    QString lastUnexpectedError() const { return lastUnexpected_; }

  private:
    X11Connection() = default;
    void noteError(const xcb_generic_error_t& e);
    // The reply to `sequence` within the reply deadline; nothing, and the connection given
    // up, when the deadline passes first.
    void* awaitReply(unsigned int sequence, xcb_generic_error_t** error);
    // Accounts for an error or shows an event to the handler; true for an event.
    bool dispatch(const xcb_generic_event_t& e);

    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    int screenNumber_ = 0;
    Atoms atoms_;
    bool randr_ = false;
    bool xres_ = false;
    QString display_;
    int unexpectedErrors_ = 0;
    QString lastUnexpected_;
    EventHandler handler_;
    std::optional<std::chrono::milliseconds> replyDeadline_;
    bool stalled_ = false;                        // the server did not answer within the deadline
    xcb_window_t clockWindow_ = XCB_WINDOW_NONE;  // never mapped; its property events tell the time
};

}  // namespace quenda::x11
