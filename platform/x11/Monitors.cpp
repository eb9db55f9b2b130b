#include "platform/x11/Monitors.h"

#include <algorithm>

namespace quenda::x11 {

MonitorsRequest::MonitorsRequest(X11Connection& x) : x_(x) {
    sent_ = x.hasRandr() && x.alive();
    if (sent_) cookie_ = xcb_randr_get_monitors(x.c(), x.root(), 1);
}

std::vector<Monitor> MonitorsRequest::take() {
    std::vector<Monitor> result;
    if (sent_) {
        sent_ = false;
        if (const auto r = x_.reply(xcb_randr_get_monitors_reply, cookie_)) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(r.get()); it.rem;
                 xcb_randr_monitor_info_next(&it)) {
                const xcb_randr_monitor_info_t& m = *it.data;
                result.push_back({m.name,
                                  {double(m.x), double(m.y), double(m.width), double(m.height)},
                                  m.primary != 0});
            }
        }
    }
    if (result.empty()) {
        const xcb_screen_t* s = x_.screen();
        result.push_back(
            {XCB_ATOM_NONE, {0, 0, double(s->width_in_pixels), double(s->height_in_pixels)}, true});
    }
    std::stable_partition(result.begin(), result.end(), [](const Monitor& m) { return m.primary; });
    return result;
}

}  // namespace quenda::x11
