#pragma once

#include <memory>

#include <QString>

#include "platform/ports/Screens.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// The X11 desktop: the window server and the screens on one connection of our own. The
// header names no X type, so the composition root can include it freely.
class X11Desktop {
  public:
    // Connects to $DISPLAY (or `display`); nothing, with a one-line reason, when there is no
    // display or it refuses the connection.
    static std::unique_ptr<X11Desktop> open(QString* error, const QString& display = {});
    ~X11Desktop();

    WindowServer& windowServer();
    Screens& screens();
    // An EWMH window manager answers; without one, windows cannot be controlled.
    bool hasWindowManager() const;
    QString displayName() const;
    // X errors that no vanished window explains (a fault of ours), and the last one's text.
    int unexpectedXErrors() const;
    QString lastUnexpectedXError() const;

  private:
    struct Impl;
    explicit X11Desktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace quenda
