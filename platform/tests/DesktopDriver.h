#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "core/AX.h"
#include "core/Geometry.h"
#include "platform/ports/Applications.h"
#include "platform/ports/Screens.h"
#include "platform/ports/WindowServer.h"

namespace quenda::testing {

// What the window-server contract needs from a desktop besides the ports themselves: a way
// to open, minimise, raise and destroy client windows as a user or an application would.
// One driver plays the simulated desktop, one a private X server with a window manager.
class DesktopDriver {
  public:
    virtual ~DesktopDriver() = default;
    virtual WindowServer& server() = 0;
    virtual Screens& screens() = 0;
    virtual Applications& applications() = 0;

    // Opens a normal window of another process with this title, its outer frame at `frame`
    // (window coordinates), and returns its id once it is shown. The window accepts sizes on
    // a grid of at most `sizeTolerance()` points.
    virtual uint64_t openWindow(const QString& title, const Rect& frame) = 0;
    virtual double sizeTolerance() const { return 0; }
    // The same, for a window that refuses to be smaller than `minimum` (its client area, on
    // X11; its outer frame in the simulation).
    virtual uint64_t openWindowWithMinimumSize(const QString& title, const Rect& frame,
                                               const Size& minimum) = 0;
    virtual int32_t pidOf(uint64_t window) = 0;
    virtual void minimize(uint64_t window) = 0;
    // Brings the window in front of all others, as clicking it would.
    virtual void raise(uint64_t window) = 0;
    // Sends the window to another virtual desktop (0 is the first, the one the user sees),
    // as a pager would.
    virtual void moveToDesktop(uint64_t window, int desktop) = 0;
    // The window disappears without notice (its client dies).
    virtual void destroy(uint64_t window) = 0;
    // Waits until the desktop has taken in every change made so far.
    virtual void settle() {}
    // Waits, with a deadline, until `condition` holds (what other processes do takes time on
    // a real desktop); whether it came to hold.
    virtual bool waitFor(const std::function<bool()>& condition) { return condition(); }
};

using DriverFactory = std::unique_ptr<DesktopDriver> (*)();

// The titles of the visible windows among `ours`, front to back.
inline std::vector<QString> visibleTitles(WindowServer& server, const std::vector<QString>& ours) {
    std::vector<QString> result;
    for (const VisibleWindow& v : AX(server).orderedVisibleWindows()) {
        const QString t = v.window.title().value_or(QString());
        if (std::find(ours.begin(), ours.end(), t) != ours.end()) result.push_back(t);
    }
    return result;
}

}  // namespace quenda::testing
