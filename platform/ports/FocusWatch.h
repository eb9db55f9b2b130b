#pragma once

#include <functional>

namespace quenda {

// Tells when what the corner button follows may have changed, so nothing needs to be polled:
// the focused window (another one, or the same one moved, resized, maximised, minimised,
// closed), the screens' free areas, or the window manager itself. On request it also reports
// the pointer's movements and the mouse button presses anywhere on the desktop, without
// taking them from the windows they go to. Handlers run on the main thread, once per burst.
class FocusWatch {
  public:
    struct Handlers {
        std::function<void()> changed;       // the focused window or the screens changed
        std::function<void()> pointerMoved;  // only while following the pointer
        std::function<void()> pressed;       // only while watching presses
    };
    virtual ~FocusWatch() = default;
    virtual void setHandlers(Handlers handlers) = 0;
    // Reports pointer movements while on; costs nothing while off.
    virtual void followPointer(bool on) = 0;
    // Reports mouse button presses while on.
    virtual void watchPresses(bool on) = 0;
};

}  // namespace quenda
