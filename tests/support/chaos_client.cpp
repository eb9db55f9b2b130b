// An X client that misbehaves at random for the chaos run: it opens windows of every size
// (1x1 up to 10000x10000), maps, unmaps, moves, resizes, minimises and destroys them,
// retitles them with invalid UTF-8 and 10 KB titles, sets contradictory size hints (minimum
// above maximum, zero and huge increments), and now and then exits abruptly without
// cleaning up. Plain xcb, so nothing smooths over what it sends.
//   quenda-test-chaos-client [SEED] [STEPS_PER_SECOND]
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned seed = argc > 1 ? unsigned(std::strtoul(argv[1], nullptr, 10)) : 1;
    const int perSecond = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "quenda-test-chaos-client: no X server\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    const xcb_atom_t netPid = atom(c, "_NET_WM_PID");
    const xcb_atom_t changeState = atom(c, "WM_CHANGE_STATE");
    const xcb_atom_t normalHints = XCB_ATOM_WM_NORMAL_HINTS;
    const uint32_t pid = uint32_t(getpid());

    std::vector<xcb_window_t> windows;
    auto title = [&]() -> std::string {
        switch (pick(4)) {
            case 0:
                return "chaos " + std::to_string(pick(1000));
            case 1:
                return std::string("\xff\xfe bad \xc3\x28 utf8 \xed\xa0\x80", 19);
            case 2:
                return std::string(10 * 1024, char('a' + pick(26)));
            default:
                return "ñandú 😀 " + std::to_string(pick(1000));
        }
    };
    auto size = [&]() -> uint32_t {
        switch (pick(4)) {
            case 0:
                return 1;
            case 1:
                return 10000;
            default:
                return uint32_t(50 + pick(1200));
        }
    };

    for (;;) {
        const int action = pick(100);
        if (windows.empty() || action < 20) {
            const xcb_window_t w = xcb_generate_id(c);
            const uint32_t mask = XCB_CW_BACK_PIXEL;
            const uint32_t values[] = {uint32_t(random())};
            xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, int16_t(pick(1600) - 100),
                              int16_t(pick(1000) - 100), uint16_t(size()), uint16_t(size()), 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, mask, values);
            const std::string t = title();
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netName, utf8, 8, uint32_t(t.size()),
                                t.data());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netPid, XCB_ATOM_CARDINAL, 32, 1,
                                &pid);
            static const char klass[] = "chaos\0Chaos";
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                                sizeof klass, klass);
            xcb_map_window(c, w);
            windows.push_back(w);
        } else {
            const size_t i = size_t(pick(int(windows.size())));
            const xcb_window_t w = windows[i];
            if (action < 30) {
                xcb_destroy_window(c, w);
                windows.erase(windows.begin() + long(i));
            } else if (action < 40) {
                xcb_unmap_window(c, w);
            } else if (action < 50) {
                xcb_map_window(c, w);
            } else if (action < 62) {
                const uint32_t geometry[] = {uint32_t(pick(2000) - 200), uint32_t(pick(1200) - 200),
                                             size(), size()};
                xcb_configure_window(c, w,
                                     XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y |
                                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                                     geometry);
            } else if (action < 70) {
                // Iconic, as a minimise button asks.
                xcb_client_message_event_t e{};
                e.response_type = XCB_CLIENT_MESSAGE;
                e.format = 32;
                e.window = w;
                e.type = changeState;
                e.data.data32[0] = 3;
                xcb_send_event(
                    c, 0, screen->root,
                    XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                    reinterpret_cast<const char*>(&e));
            } else if (action < 82) {
                const std::string t = title();
                xcb_change_property(
                    c, XCB_PROP_MODE_REPLACE, w, pick(2) ? netName : xcb_atom_t(XCB_ATOM_WM_NAME),
                    pick(2) ? utf8 : xcb_atom_t(XCB_ATOM_STRING), 8, uint32_t(t.size()), t.data());
            } else if (action < 94) {
                // WM_NORMAL_HINTS that contradict themselves: minimum above maximum, base
                // above minimum, increments of 0 or of a whole screen, aspect 0/0.
                uint32_t hints[18] = {};
                hints[0] = 16 | 32 | 64 | 128 | 256 | 512;  // min, max, inc, aspect, base, gravity
                hints[5] = size();
                hints[6] = size();  // min
                hints[7] = uint32_t(pick(3));
                hints[8] = uint32_t(pick(3));  // max (often below min)
                hints[9] = uint32_t(pick(2) ? 0 : 5000);
                hints[10] = uint32_t(pick(2) ? 0 : 5000);  // increments
                hints[15] = size();
                hints[16] = size();              // base
                hints[17] = uint32_t(pick(11));  // gravity, sometimes out of range
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, normalHints, normalHints, 32, 18,
                                    hints);
            } else if (action < 99) {
                xcb_destroy_window(c, w);
                windows.erase(windows.begin() + long(i));
            } else {
                // Gone without a word: the server destroys what is left.
                xcb_flush(c);
                _exit(0);
            }
        }
        xcb_flush(c);
        if (xcb_connection_has_error(c)) return 1;
        // Errors (a window another step destroyed) and events are read and dropped.
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) std::free(e);
        usleep(useconds_t(1000000 / perSecond));
    }
}
