// A program that lives in the system tray only: one small icon window, docked into the tray
// with the XEmbed system-tray protocol, and no other window.
//
//   quenda-test-tray-icon [--no-pid] [--class CLASS]
//
// On $DISPLAY. Waits (up to 20 s) for a tray to own _NET_SYSTEM_TRAY_S<screen>, asks it to
// dock the icon, and prints "docked 0x<window>" once the tray has reparented the icon into
// its own window tree. --no-pid leaves out _NET_WM_PID, as some toolkits do; --class sets
// the WM_CLASS class (the instance is "quenda-tray-icon"). It runs until it is killed or
// the display goes away.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <xcb/xcb.h>

namespace {

xcb_connection_t* conn;

xcb_atom_t atom(const std::string& name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, uint16_t(name.size()), name.c_str()), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

xcb_window_t ownerOf(xcb_atom_t selection) {
    xcb_get_selection_owner_reply_t* r =
        xcb_get_selection_owner_reply(conn, xcb_get_selection_owner(conn, selection), nullptr);
    const xcb_window_t w = r ? r->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(r);
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    bool withPid = true;
    std::string cls = "QuendaTrayProbe";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-pid")) {
            withPid = false;
        } else if (!std::strcmp(argv[i], "--class") && i + 1 < argc) {
            cls = argv[++i];
        } else {
            std::fprintf(stderr, "usage: quenda-test-tray-icon [--no-pid] [--class CLASS]\n");
            return 2;
        }
    }
    int screenNumber = 0;
    conn = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "quenda-test-tray-icon: cannot open the display\n");
        return 1;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    const xcb_screen_t* screen = it.data;

    const xcb_window_t icon = xcb_generate_id(conn);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, icon, screen->root, 0, 0, 22, 22, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const std::string wmClass = std::string("quenda-tray-icon") + '\0' + cls + '\0';
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, icon, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        uint32_t(wmClass.size()), wmClass.data());
    if (withPid) {
        const uint32_t pid = uint32_t(getpid());
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, icon, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
    }
    // XEmbed version 0, flags: mapped.
    const uint32_t xembedInfo[] = {0, 1};
    const xcb_atom_t xembed = atom("_XEMBED_INFO");
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, icon, xembed, xembed, 32, 2, xembedInfo);

    const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    xcb_window_t tray = XCB_WINDOW_NONE;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((tray = ownerOf(selection)) == XCB_WINDOW_NONE) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "quenda-test-tray-icon: no tray came up\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    // SYSTEM_TRAY_REQUEST_DOCK (opcode 0), sent to the tray's window.
    xcb_client_message_event_t dock{};
    dock.response_type = XCB_CLIENT_MESSAGE;
    dock.format = 32;
    dock.window = tray;
    dock.type = atom("_NET_SYSTEM_TRAY_OPCODE");
    dock.data.data32[0] = XCB_CURRENT_TIME;
    dock.data.data32[1] = 0;
    dock.data.data32[2] = icon;
    xcb_send_event(conn, 0, tray, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&dock));
    xcb_flush(conn);

    while (xcb_generic_event_t* e = xcb_wait_for_event(conn)) {
        if ((e->response_type & 0x7f) == XCB_REPARENT_NOTIFY) {
            const auto* r = reinterpret_cast<const xcb_reparent_notify_event_t*>(e);
            if (r->window == icon && r->parent != screen->root) {
                std::printf("docked 0x%x\n", icon);
                std::fflush(stdout);
            }
        }
        std::free(e);
    }
    return 0;
}
