#pragma once

#include <sys/types.h>

#include <map>
#include <memory>

#include "platform/tests/DesktopDriver.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"

struct xcb_connection_t;

namespace quenda::testing {

// The contract's driver for X11: real xterm windows on a private Xvfb with openbox, one
// server for the whole run. Each window is its own xterm process.
class X11Driver final : public DesktopDriver {
  public:
    X11Driver();
    ~X11Driver() override;

    WindowServer& server() override { return desktop_->windowServer(); }
    Screens& screens() override { return desktop_->screens(); }
    uint64_t openWindow(const QString& title, const Rect& frame) override;
    // xterm takes sizes on its character grid (6x13 with the default font).
    double sizeTolerance() const override { return 13; }
    int32_t pidOf(uint64_t window) override;
    void minimize(uint64_t window) override;
    void raise(uint64_t window) override;
    void destroy(uint64_t window) override;
    void settle() override;

    static PrivateDisplay& display();

  private:
    std::unique_ptr<X11Desktop> desktop_;
    xcb_connection_t* conn_ = nullptr;
    std::map<uint64_t, pid_t> xterms_;
};

std::unique_ptr<DesktopDriver> makeX11Driver();

}  // namespace quenda::testing
