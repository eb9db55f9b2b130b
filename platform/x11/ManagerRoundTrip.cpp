#include "platform/x11/ManagerRoundTrip.h"

namespace quenda::x11 {

ManagerRoundTrip::~ManagerRoundTrip() {
    if (probe_ != XCB_WINDOW_NONE && x_.alive()) {
        xcb_destroy_window(x_.c(), probe_);
        xcb_flush(x_.c());
    }
}

bool ManagerRoundTrip::wait(std::chrono::milliseconds timeout) {
    const auto manager = x_.managerCheckWindow();
    if (!manager || manager == silentManager_) {
        x_.sync();
        return false;
    }
    xcb_connection_t* c = x_.c();
    const xcb_atom_t extents = x_.atoms().NET_FRAME_EXTENTS;
    if (probe_ == XCB_WINDOW_NONE) {
        // Never mapped, so never managed: the manager only answers questions about it.
        probe_ = xcb_generate_id(c);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe_, x_.root(), -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
    }
    xcb_delete_property(c, probe_, extents);
    const xcb_void_cookie_t asked =
        x_.sendToManager(probe_, x_.atoms().NET_REQUEST_FRAME_EXTENTS, {0, 0, 0, 0, 0});
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (const auto e = x_.nextEvent(deadline)) {
        if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e.get());
        // An event carries the last of our requests the server had read when it happened:
        // an answer to an earlier round that came too late is not this one's.
        const bool afterAsking = uint16_t(p->sequence - uint16_t(asked.sequence)) < 0x8000;
        if (p->window == probe_ && p->atom == extents && p->state == XCB_PROPERTY_NEW_VALUE &&
            afterAsking) {
            answering_ = manager;
            return true;
        }
    }
    // Slow is not silent: only one that never answered is not asked again.
    if (answering_ != manager) silentManager_ = manager;
    return false;
}

}  // namespace quenda::x11
