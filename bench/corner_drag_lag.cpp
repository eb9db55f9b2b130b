// How far the corner button lags behind a window dragged across the screen: the time from
// the window frame's own ConfigureNotify to the ConfigureNotify of the capsule moved to
// match it, both seen on this program's connection. The drag is a real one: XTest presses
// the first button on the title bar and moves the pointer 4 pixels every 16 ms (60 Hz), so
// the window manager moves the frame as it would under a user's mouse. Run by
// bench/corner_button.sh, which starts the desktop, an xterm and quenda:
//   bench_corner_drag_lag FRAME_ID CAPSULE_ID GRAB_X GRAB_Y [STEPS]
// Prints the lag's median, 95th percentile and maximum in milliseconds, and how many frame
// positions the capsule skipped (it is moved once per burst of events).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Event {
    Clock::time_point at;
    int x;
    int y;
};

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s FRAME_ID CAPSULE_ID GRAB_X GRAB_Y [STEPS]\n", argv[0]);
        return 2;
    }
    const auto frame = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    const auto capsule = xcb_window_t(std::strtoul(argv[2], nullptr, 0));
    const int grabX = std::atoi(argv[3]);
    const int grabY = std::atoi(argv[4]);
    const int steps = argc > 5 ? std::atoi(argv[5]) : 150;

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, frame, XCB_CW_EVENT_MASK, &mask);
    xcb_change_window_attributes(c, capsule, XCB_CW_EVENT_MASK, &mask);

    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    std::vector<Event> frames;
    std::vector<Event> capsules;
    const auto collect = [&](Clock::time_point until) {
        for (;;) {
            xcb_flush(c);
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                const auto now = Clock::now();
                if ((e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY) {
                    const auto* n = reinterpret_cast<xcb_configure_notify_event_t*>(e);
                    if (n->window == frame) frames.push_back({now, n->x, n->y});
                    if (n->window == capsule) capsules.push_back({now, n->x, n->y});
                }
                std::free(e);
            }
            if (Clock::now() >= until) return;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    };

    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, int16_t(grabX),
                        int16_t(grabY), 0);
    collect(Clock::now() + std::chrono::milliseconds(100));
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    collect(Clock::now() + std::chrono::milliseconds(50));
    frames.clear();
    capsules.clear();
    auto next = Clock::now();
    for (int i = 1; i <= steps; ++i) {
        const int dx = (i <= steps / 2) ? 4 : -4;
        const int dy = (i % 40 < 20) ? 2 : -2;
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 1, XCB_CURRENT_TIME, XCB_NONE, int16_t(dx),
                            int16_t(dy), 0);
        next += std::chrono::milliseconds(16);
        collect(next);
    }
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    collect(Clock::now() + std::chrono::milliseconds(500));

    // The capsule sits at a fixed offset from the frame while the window is dragged in the
    // open: where both ended gives it.
    if (frames.empty() || capsules.empty()) {
        std::fprintf(stderr, "no moves seen (frame %zu, capsule %zu)\n", frames.size(),
                     capsules.size());
        return 1;
    }
    const Event& lastFrame = frames.back();
    const Event& lastCapsule = capsules.back();
    const int offX = lastCapsule.x - lastFrame.x;
    const int offY = lastCapsule.y - lastFrame.y;
    // Each capsule move against the latest frame move to the matching place before it (the
    // drag goes out and back, so places repeat).
    std::map<std::pair<int, int>, size_t> latest;  // place -> index into frames
    std::vector<bool> followed(frames.size(), false);
    std::vector<double> lags;
    size_t seen = 0;
    for (const Event& cap : capsules) {
        for (; seen < frames.size() && frames[seen].at <= cap.at; ++seen)
            latest[{frames[seen].x, frames[seen].y}] = seen;
        auto it = latest.find({cap.x - offX, cap.y - offY});
        if (it == latest.end() || followed[it->second]) continue;
        followed[it->second] = true;
        lags.push_back(ms(cap.at - frames[it->second].at));
    }
    std::sort(lags.begin(), lags.end());
    if (lags.empty()) {
        std::fprintf(stderr, "no capsule move matched a frame position\n");
        return 1;
    }
    const auto at = [&](double q) { return lags[size_t(q * double(lags.size() - 1))]; };
    std::printf(
        "frame moves %zu, capsule moves %zu (%zu followed a frame move, %zu frame "
        "moves skipped)\n",
        frames.size(), capsules.size(), lags.size(), frames.size() - lags.size());
    std::printf(
        "lag behind the frame's ConfigureNotify: median %.2f ms, p95 %.2f ms, max %.2f ms\n",
        at(0.5), at(0.95), lags.back());
    std::printf("capsule at the end: offset %+d,%+d from the frame\n", offX, offY);
    xcb_disconnect(c);
    return 0;
}
