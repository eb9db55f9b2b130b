#pragma once

#include <vector>

#include <xcb/randr.h>

#include "core/Geometry.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// One RandR monitor, in root coordinates.
struct Monitor {
    xcb_atom_t name = XCB_ATOM_NONE;  // none for the whole root standing in for monitors
    Rect root;
    bool primary = false;
};

// The active RandR 1.5 monitors, asked for at construction and read at take(), so the
// question can travel with others in one round trip. The primary comes first (the first
// listed when none is flagged); without RandR monitors the whole root is one.
class MonitorsRequest {
  public:
    explicit MonitorsRequest(X11Connection& x);
    ~MonitorsRequest() {
        if (sent_) take();
    }
    MonitorsRequest(const MonitorsRequest&) = delete;
    MonitorsRequest& operator=(const MonitorsRequest&) = delete;
    std::vector<Monitor> take();

  private:
    X11Connection& x_;
    xcb_randr_get_monitors_cookie_t cookie_{};
    bool sent_ = false;
};

// The primary monitor's top-left in root coordinates: the origin of window coordinates.
inline Point originOf(const std::vector<Monitor>& monitors) {
    return monitors.empty() ? Point{} : monitors.front().root.origin();
}

}  // namespace quenda::x11
