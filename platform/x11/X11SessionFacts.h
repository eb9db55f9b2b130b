#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "platform/ports/ActiveWindowEvents.h"

namespace quenda {

// Follows `_NET_ACTIVE_WINDOW` on the root window, on a connection of its own, and reports
// every change on the main thread. Needs a running Qt event loop.
class X11ActiveWindowWatch final : public ActiveWindowEvents {
  public:
    // Nothing, with a one-line reason, when the display cannot be reached.
    static std::unique_ptr<X11ActiveWindowWatch> open(const QString& display, QString* error);
    ~X11ActiveWindowWatch() override;
    void setActiveWindowHandler(std::function<void(uint64_t window)> changed) override;

  private:
    struct Impl;
    explicit X11ActiveWindowWatch(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// What the diagnostics say of the X session: the server's vendor and release number, and
// the window manager's own name (`_NET_WM_NAME` of its check window). Empty where it
// cannot be read.
struct X11SessionFacts {
    QString serverVendor;
    QString serverRelease;
    QString windowManager;
};
X11SessionFacts readX11SessionFacts(const QString& display);

}  // namespace quenda
