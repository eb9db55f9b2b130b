#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include <xcb/xcb.h>

namespace quenda::x11 {

// The windows that hiding an application took away, with their owners. Hidden is not
// minimised: the window server reads these as not minimised, so commands that leave
// minimised windows alone keep them. A window shown again by anyone (MapNotify, which also
// comes when the user restores it by hand) or destroyed stops counting.
class HiddenWindows {
  public:
    void add(xcb_window_t window, int32_t pid) { windows_[window] = pid; }
    bool contains(xcb_window_t window) const { return windows_.count(window) != 0; }
    std::vector<xcb_window_t> of(int32_t pid) const {
        std::vector<xcb_window_t> out;
        for (const auto& [w, owner] : windows_) {
            if (owner == pid) out.push_back(w);
        }
        return out;
    }
    void forget(xcb_window_t window) { windows_.erase(window); }

    // Takes in one event of the connection (the hidden windows' structure is watched).
    void handle(const xcb_generic_event_t& e) {
        switch (e.response_type & 0x7f) {
            case XCB_MAP_NOTIFY:
                forget(reinterpret_cast<const xcb_map_notify_event_t&>(e).window);
                return;
            case XCB_DESTROY_NOTIFY:
                forget(reinterpret_cast<const xcb_destroy_notify_event_t&>(e).window);
                return;
            default:
                return;
        }
    }

  private:
    std::map<xcb_window_t, int32_t> windows_;
};

}  // namespace quenda::x11
