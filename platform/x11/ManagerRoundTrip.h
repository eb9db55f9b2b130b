#pragma once

#include <chrono>

#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// A round trip through the window manager: it answers a frame-extents request for a window
// of ours by setting a property, after it has handled every message we sent before. Once the
// answer is in, what it did with our earlier requests is visible to a read. A manager that
// never answers costs the deadline once; after that (and without a manager) this is a
// round trip to the server only.
class ManagerRoundTrip {
  public:
    explicit ManagerRoundTrip(X11Connection& x) : x_(x) {}
    ~ManagerRoundTrip();
    ManagerRoundTrip(const ManagerRoundTrip&) = delete;
    ManagerRoundTrip& operator=(const ManagerRoundTrip&) = delete;

    // True when the manager answered before `timeout`.
    bool wait(std::chrono::milliseconds timeout);

  private:
    X11Connection& x_;
    xcb_window_t probe_ = XCB_WINDOW_NONE;
    // Managers by their check windows: the last that answered, one that never did.
    std::optional<xcb_window_t> answering_, silentManager_;
};

}  // namespace quenda::x11
