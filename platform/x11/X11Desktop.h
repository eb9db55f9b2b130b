#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include "platform/ports/Applications.h"
#include "platform/ports/Screens.h"
#include "platform/ports/SyntheticKeys.h"
#include "platform/ports/Thumbnails.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// The X11 desktop: the window server, the screens, the running applications and synthetic
// key presses on one
// connection of our own. The header names no X type, so the composition root can include it
// freely.
class X11Desktop {
  public:
    // Connects to $DISPLAY (or `display`); nothing, with a one-line reason, when there is no
    // display or it refuses the connection.
    static std::unique_ptr<X11Desktop> open(QString* error, const QString& display = {});
    ~X11Desktop();

    WindowServer& windowServer();
    Screens& screens();
    // Processes owning windows, named after their desktop entries; the installed ones are the
    // desktop entries of $XDG_DATA_HOME and $XDG_DATA_DIRS as they were when this opened.
    Applications& applications();
    // Key presses typed into whatever window has the keyboard focus (XTest), on this
    // connection.
    SyntheticKeys& syntheticKeys();
    // Pictures of windows, each capture on a connection of its own.
    WindowThumbnails& thumbnails();
    // An EWMH window manager answers; without one, windows cannot be controlled.
    bool hasWindowManager() const;
    QString displayName() const;
    // The server time of the user's action that led to a request (the hot key press), so
    // window managers with focus-stealing prevention let an activation through. Without it
    // requests carry "current time".
    void setUserTimeSource(std::function<uint32_t()> source);
    // No read waits for the server longer than `limit` from now on: a server that is stopped
    // or hung is then given up, and every read gives nothing. For the command line; the
    // running application waits as long as the server lives.
    void setReplyDeadline(std::chrono::milliseconds limit);
    // Why the connection can no longer be used, in one line (lost, or not answering in time);
    // nothing while it works. A read that gave nothing because of it gave nothing true.
    std::optional<QString> connectionFailure() const;
    // X errors that no vanished window explains (a fault of ours), and the last one's text.
    int unexpectedXErrors() const;
    QString lastUnexpectedXError() const;

  private:
    struct Impl;
    explicit X11Desktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace quenda
