#pragma once

#include <optional>
#include <vector>

#include <QString>

#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include "core/Geometry.h"
#include "platform/x11/XcbReply.h"

namespace quenda::x11 {

// Our own connection to the X server, kept apart from Qt's so that errors about other
// clients' windows come to us and not to Qt's log. The atoms every module uses live here.
class X11Connection {
  public:
    static std::unique_ptr<X11Connection> open(const QString& display, QString* error);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* c() const { return c_; }
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }
    xcb_window_t root() const { return screen_->root; }
    const xcb_screen_t* screen() const { return screen_; }
    QString displayName() const { return display_; }
    // False once the server has gone away; every read then gives nothing.
    bool alive() const { return !xcb_connection_has_error(c_); }
    // An EWMH window manager is running: the root names a check window that names itself.
    bool hasWindowManager();
    bool supports(xcb_atom_t hint);

    // The primary monitor's top-left in root coordinates: the origin of window coordinates.
    Point primaryOrigin();

    // Drops the errors that fire-and-forget requests left in the queue (windows that
    // vanished under us); they are expected and mean "no effect".
    void drainErrors();
    // One round trip, so the server has seen every request sent so far.
    void sync();

    xcb_atom_t gtkFrameExtents = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t wmChangeState = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t windowOpacity = XCB_ATOM_NONE;

  private:
    X11Connection() = default;

    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    QString display_;
};

}  // namespace quenda::x11
