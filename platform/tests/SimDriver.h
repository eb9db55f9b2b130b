#pragma once

#include "platform/sim/SimDesktop.h"
#include "platform/tests/DesktopDriver.h"

namespace quenda::testing {

// The contract's driver for the simulated desktop: each window is its own process.
class SimDriver final : public DesktopDriver {
  public:
    WindowServer& server() override { return desktop; }
    Screens& screens() override { return desktop; }
    Applications& applications() override { return desktop; }
    uint64_t openWindow(const QString& title, const Rect& frame) override {
        return desktop.open(nextPid_++, QStringLiteral("SimApp"), title, frame);
    }
    uint64_t openWindowWithMinimumSize(const QString& title, const Rect& frame,
                                       const Size& minimum) override {
        const uint64_t id = openWindow(title, frame);
        desktop.window(id).minWidth = minimum.width;
        desktop.window(id).minHeight = minimum.height;
        return id;
    }
    int32_t pidOf(uint64_t window) override { return desktop.window(window).pid; }
    void minimize(uint64_t window) override { desktop.window(window).minimized = true; }
    void raise(uint64_t window) override { desktop.focus(window); }  // raised and active
    void moveToDesktop(uint64_t window, int number) override {
        desktop.window(window).desktop = number;
    }
    // Its process dies, and the window with it.
    void destroy(uint64_t window) override { desktop.quit(pidOf(window)); }

    SimDesktop desktop{QStringLiteral("1600x1000+0+0")};

  private:
    int32_t nextPid_ = 1000;
};

inline std::unique_ptr<DesktopDriver> makeSimDriver() {
    return std::make_unique<SimDriver>();
}

}  // namespace quenda::testing
