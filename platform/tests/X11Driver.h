#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <set>

#include "platform/tests/DesktopDriver.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/tests/X11Oracle.h"
#include "platform/tests/X11TestClient.h"
#include "platform/x11/X11Desktop.h"

struct xcb_connection_t;

namespace quenda::testing {

// The contract's driver for X11: real xterm windows on a private Xvfb with openbox, one
// server for the whole run unless a display is given. Each window is its own xterm process.
// An X error of the backend that no vanished window explains fails the test.
class X11Driver final : public DesktopDriver {
  public:
    explicit X11Driver(const QString& displayName = {});
    ~X11Driver() override;

    WindowServer& server() override { return desktop_->windowServer(); }
    Screens& screens() override { return desktop_->screens(); }
    Applications& applications() override { return desktop_->applications(); }
    uint64_t openWindow(const QString& title, const Rect& frame) override;
    // An xterm with its own -geometry (which also sets its gravity: "-0-0" is south-east),
    // and its own background colour when one is given.
    uint64_t openXterm(const QString& title, const QString& geometry,
                       const QString& background = {});
    // xterm takes sizes on its character grid (6x13 with the default font).
    double sizeTolerance() const override { return 13; }
    // A window of this test process (X11TestClient), which sets a minimum size in its hints.
    uint64_t openWindowWithMinimumSize(const QString& title, const Rect& frame,
                                       const Size& minimum) override;
    int32_t pidOf(uint64_t window) override;
    void minimize(uint64_t window) override;
    void raise(uint64_t window) override;
    void moveToDesktop(uint64_t window, int desktop) override;
    void destroy(uint64_t window) override;
    // Runs the event loop once (deferred moves go out), then waits until the window manager
    // has handled everything sent so far.
    void settle() override;
    bool waitFor(const std::function<bool()>& condition) override { return waitUntil(condition); }

    X11Desktop& desktop() { return *desktop_; }
    const X11Oracle& oracle() const { return oracle_; }
    // Runs an X client (wmctrl, xdotool, xprop) on this display; fails the test when it fails.
    void run(const QString& program, const QStringList& args);

    static PrivateDisplay& sharedDisplay();

  private:
    QString name_;
    X11Oracle oracle_;
    std::unique_ptr<X11Desktop> desktop_;
    xcb_connection_t* conn_ = nullptr;
    std::map<uint64_t, pid_t> xterms_;
    std::unique_ptr<X11TestClient> client_;  // made for the first window of our own
    std::set<uint64_t> own_;
    uint32_t probe_ = 0;  // asks the window manager for a round trip
};

std::unique_ptr<DesktopDriver> makeX11Driver();

}  // namespace quenda::testing
