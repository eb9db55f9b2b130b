// The organiser's opening as a person sees it, on a desktop bench/overview_open.sh set up:
// XTest types the shortcut (Ctrl+Alt+2) and the X server's own reports time what follows.
//   - open: from the key press to the first paint that covers the screen (a Damage report
//     on the organiser's new top-level window). Qt lays out every card before it paints,
//     so this is the overlay on screen with every card in place;
//   - mapped: from the key press to the MapNotify of that window;
//   - settled: from the key press to the last paint before the window stays still for
//     QUIET_MS (the pictures and memory figures filling in).
// The shortcut again closes it; the next round waits for the window's destruction.
// Each round starts once quenda has used no processor time for 300 ms, as a person's next
// press comes long after the last closing; the first once it has been still for a second, so
// that its start-up work is over and the first round times an opening only.
//   bench_overview_open QUENDA_PID SCREEN_W SCREEN_H [ROUNDS]
// Prints each round, then the median, minimum and maximum of each figure in milliseconds.
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kQuietMs = 500;
constexpr int kDeadlineMs = 10000;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Session {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    uint8_t damageEvent = 0;
    std::vector<xcb_keycode_t> chord;  // pressed in order, released in reverse
};

void typeChord(const Session& s) {
    for (const xcb_keycode_t k : s.chord)
        xcb_test_fake_input(s.c, XCB_KEY_PRESS, k, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    for (auto k = s.chord.rbegin(); k != s.chord.rend(); ++k)
        xcb_test_fake_input(s.c, XCB_KEY_RELEASE, *k, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(s.c);
}

// The next event, or nothing once `until` has passed. Blocks in poll(), never spins.
xcb_generic_event_t* nextEvent(xcb_connection_t* c, Clock::time_point until) {
    const int fd = xcb_get_file_descriptor(c);
    for (;;) {
        if (xcb_generic_event_t* e = xcb_poll_for_event(c)) return e;
        if (xcb_connection_has_error(c)) return nullptr;
        const double left = ms(until - Clock::now());
        if (left <= 0) return nullptr;
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, int(std::ceil(left)));
    }
}

struct Round {
    double mapped = -1, open = -1, settled = -1;
};

std::optional<Round> openOnce(Session& s, int screenW, int screenH) {
    const double fullArea = double(screenW) * screenH * 0.9;
    std::map<xcb_window_t, xcb_damage_damage_t> watched;
    std::map<xcb_window_t, double> painted;  // area reported so far, per new window
    xcb_window_t overlay = 0;
    Round round;
    const Clock::time_point start = Clock::now();
    typeChord(s);
    Clock::time_point lastPaint = start;
    Clock::time_point until = start + std::chrono::milliseconds(kDeadlineMs);
    while (xcb_generic_event_t* e = nextEvent(s.c, until)) {
        const Clock::time_point now = Clock::now();
        const uint8_t type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* ev = reinterpret_cast<xcb_create_notify_event_t*>(e);
            if (ev->parent == s.root && !watched.count(ev->window)) {
                const xcb_damage_damage_t d = xcb_generate_id(s.c);
                xcb_damage_create(s.c, d, ev->window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
                const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(s.c, ev->window, XCB_CW_EVENT_MASK, &mask);
                xcb_flush(s.c);
                watched[ev->window] = d;
            }
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* ev = reinterpret_cast<xcb_map_notify_event_t*>(e);
            if (watched.count(ev->window) && ev->event == ev->window && round.mapped < 0 &&
                (overlay == 0 || overlay == ev->window))
                round.mapped = ms(now - start);
        } else if (type == s.damageEvent) {
            const auto* ev = reinterpret_cast<xcb_damage_notify_event_t*>(e);
            if (overlay == 0 && watched.count(ev->drawable)) {
                double& area = painted[ev->drawable];
                area += double(ev->area.width) * ev->area.height;
                if (area >= fullArea) {
                    overlay = ev->drawable;
                    round.open = ms(now - start);
                }
            }
            if (overlay != 0 && ev->drawable == overlay) {
                lastPaint = now;
                until = now + std::chrono::milliseconds(kQuietMs);
            }
        }
        free(e);
    }
    if (overlay == 0) return std::nullopt;
    round.settled = ms(lastPaint - start);

    // Closed by the shortcut again; the window goes with it.
    typeChord(s);
    bool gone = false;
    until = Clock::now() + std::chrono::milliseconds(kDeadlineMs);
    while (!gone) {
        xcb_generic_event_t* e = nextEvent(s.c, until);
        if (!e) break;
        const uint8_t type = e->response_type & 0x7f;
        if (type == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == overlay)
            gone = true;
        free(e);
    }
    for (const auto& [window, damage] : watched)
        if (window != overlay || !gone) xcb_damage_destroy(s.c, damage);
    xcb_flush(s.c);
    if (!gone) return std::nullopt;
    return round;
}

// User and system ticks of a process, or nothing once it is gone.
std::optional<long long> processTicks(int pid) {
    FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f) return std::nullopt;
    char buffer[1024] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    // The fields after the command name, which may hold spaces, start after its last ')'.
    const char* p = std::strrchr(buffer, ')');
    if (!p || n == 0) return std::nullopt;
    long long utime = 0, stime = 0;
    if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld", &utime,
                    &stime) != 2)
        return std::nullopt;
    return utime + stime;
}

bool waitUntilIdle(int pid, std::chrono::milliseconds quiet) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(kDeadlineMs);
    while (Clock::now() < until) {
        const auto before = processTicks(pid);
        std::this_thread::sleep_for(quiet);  // the quiet period being checked for
        const auto after = processTicks(pid);
        if (!before || !after) return false;
        if (*before == *after) return true;
    }
    return false;
}

void summary(const char* name, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty()) return;
    std::printf("%-8s median %6.1f ms  min %6.1f ms  max %6.1f ms\n", name,
                values[values.size() / 2], values.front(), values.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s QUENDA_PID SCREEN_W SCREEN_H [ROUNDS]\n", argv[0]);
        return 2;
    }
    const int quenda = std::atoi(argv[1]);
    const int screenW = std::atoi(argv[2]);
    const int screenH = std::atoi(argv[3]);
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 10;

    Session s;
    s.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(s.c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    s.root = xcb_setup_roots_iterator(xcb_get_setup(s.c)).data->root;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(s.c, &xcb_damage_id);
    if (!damage || !damage->present) {
        std::fprintf(stderr, "the X server has no DAMAGE extension\n");
        return 1;
    }
    s.damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
    free(xcb_damage_query_version_reply(s.c, xcb_damage_query_version(s.c, 1, 1), nullptr));
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(s.c, s.root, XCB_CW_EVENT_MASK, &mask);

    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(s.c);
    for (const xcb_keysym_t sym : {0xffe3u /* Control_L */, 0xffe9u /* Alt_L */, 0x32u /* 2 */}) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, sym);
        if (!codes || codes[0] == XCB_NO_SYMBOL) {
            std::fprintf(stderr, "no key for keysym 0x%x\n", sym);
            return 1;
        }
        s.chord.push_back(codes[0]);
        free(codes);
    }
    xcb_key_symbols_free(symbols);
    free(xcb_get_input_focus_reply(s.c, xcb_get_input_focus(s.c), nullptr));

    std::vector<double> mapped, open, settled;
    for (int i = 0; i < rounds; ++i) {
        if (!waitUntilIdle(quenda, std::chrono::milliseconds(i == 0 ? 1000 : 300))) {
            std::fprintf(stderr, "quenda (pid %d) is gone or never idle\n", quenda);
            return 1;
        }
        const auto round = openOnce(s, screenW, screenH);
        if (!round) {
            std::fprintf(stderr, "round %d: the organiser did not open and close\n", i + 1);
            return 1;
        }
        std::printf("round %2d: mapped %6.1f ms  open %6.1f ms  settled %6.1f ms\n", i + 1,
                    round->mapped, round->open, round->settled);
        std::fflush(stdout);
        mapped.push_back(round->mapped);
        open.push_back(round->open);
        settled.push_back(round->settled);
    }
    summary("mapped", mapped);
    summary("open", open);
    summary("settled", settled);
    xcb_disconnect(s.c);
    return 0;
}
