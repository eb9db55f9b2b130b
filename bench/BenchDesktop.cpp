#include "bench/BenchDesktop.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include <xcb/xcb.h>

#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/XcbReply.h"

namespace quenda::bench {

pid_t openWindows(const QString& display, int count, const QString& wmClass,
                  const QString& titlePrefix) {
    // Made before forking: the child only talks to the X server.
    const std::string prefix = titlePrefix.toStdString();
    std::string classHint;
    if (!wmClass.isEmpty()) {
        const std::string name = wmClass.toStdString();
        classHint = name + '\0' + name + '\0';  // instance and class
    }
    const pid_t pid = fork();
    if (pid != 0) return pid;
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t netPid = x11::internAtom(c, "_NET_WM_PID");
    const uint32_t self = static_cast<uint32_t>(getpid());
    for (int i = 0; i < count; ++i) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, 20 + (i % 10) * 30,
                          20 + (i / 10) * 30, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          s->root_visual, 0, nullptr);
        const std::string title = prefix + std::to_string(i);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            title.size(), title.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netPid, XCB_ATOM_CARDINAL, 32, 1, &self);
        if (!classHint.empty())
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                                classHint.size(), classHint.data());
        xcb_map_window(c, w);
    }
    xcb_flush(c);
    for (;;) pause();
}

size_t managedWindows(const QString& display) {
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    x11::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, s->root, x11::internAtom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0,
                         4096),
        nullptr));
    // Managed and framed: the manager has set the frame extents of the last one.
    size_t n = r ? size_t(xcb_get_property_value_length(r.get())) / 4 : 0;
    if (n) {
        const auto last = static_cast<const uint32_t*>(xcb_get_property_value(r.get()))[n - 1];
        x11::Reply<xcb_get_property_reply_t> e(xcb_get_property_reply(
            c,
            xcb_get_property(c, 0, last, x11::internAtom(c, "_NET_FRAME_EXTENTS"),
                             XCB_ATOM_CARDINAL, 0, 4),
            nullptr));
        if (!e || xcb_get_property_value_length(e.get()) != 16) n -= 1;
    }
    xcb_disconnect(c);
    return n;
}

bool waitUntilQuiet(WindowServer& server) {
    const auto same = [](const std::vector<WindowListEntry>& a,
                         const std::vector<WindowListEntry>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
            return x.number == y.number && x.bounds == y.bounds;
        });
    };
    std::optional<std::vector<WindowListEntry>> last;
    return testing::waitUntil(
        [&] {
            auto now = server.windowList();
            const bool quiet = now && last && same(*now, *last);
            last = std::move(now);
            return quiet;
        },
        60);
}

void stopWindows(pid_t client) {
    kill(client, SIGKILL);
    waitpid(client, nullptr, 0);
}

}  // namespace quenda::bench
