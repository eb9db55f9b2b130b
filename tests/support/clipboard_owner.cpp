// A program that copies to the CLIPBOARD the way tests need and xclip cannot: several targets
// at once with values of their choosing (a password manager's marker beside a text), an owner
// that never answers, and one that dies in the middle of a large transfer.
//
//   quenda-test-clipboard-owner [--hang | --hang-after-targets | --die-mid-transfer] [--latin1]
//       TARGET=VALUE...
//
// --hang never looks at a request; --hang-after-targets answers TARGETS and nothing else.
// --latin1 offers the (UTF-8) values in Latin-1, as the older STRING target wants.
// On $DISPLAY. Prints "ready" once it owns the clipboard and "asked TARGET" for every request
// it receives (TARGETS included), one line each. Reads commands on standard input: "clear"
// gives the clipboard up (owner None), "quit" ends it. It ends on its own when another
// program takes the clipboard.

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

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

std::string atomName(xcb_atom_t a) {
    xcb_get_atom_name_reply_t* r =
        xcb_get_atom_name_reply(conn, xcb_get_atom_name(conn, a), nullptr);
    std::string name =
        r ? std::string(xcb_get_atom_name_name(r), size_t(xcb_get_atom_name_name_length(r)))
          : std::string();
    std::free(r);
    return name;
}

std::string latin1(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xe0) == 0xc0 && i + 1 < utf8.size()) {
            out += char(((c & 0x1f) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3f));
        } else {
            out += char(c);
        }
    }
    return out;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    bool hang = false, hangAfterTargets = false, dieMidTransfer = false, toLatin1 = false;
    std::vector<std::pair<xcb_atom_t, std::string>> offer;
    conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) return 2;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hang") {
            hang = true;
        } else if (arg == "--hang-after-targets") {
            hangAfterTargets = true;
        } else if (arg == "--die-mid-transfer") {
            dieMidTransfer = true;
        } else if (arg == "--latin1") {
            toLatin1 = true;
        } else {
            const size_t eq = arg.find('=');
            if (eq == std::string::npos) return 2;
            const std::string value = arg.substr(eq + 1);
            offer.push_back({atom(arg.substr(0, eq)), toLatin1 ? latin1(value) : value});
        }
    }
    const xcb_atom_t clipboard = atom("CLIPBOARD"), targets = atom("TARGETS"), incr = atom("INCR");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    const xcb_window_t window = xcb_generate_id(conn);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_set_selection_owner(conn, window, clipboard, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(conn, xcb_get_selection_owner(conn, clipboard), nullptr);
    const bool owning = owner && owner->owner == window;
    std::free(owner);
    if (!owning) return 3;
    say("ready");

    if (hang) {
        // Owns the clipboard and never looks at a request.
        for (;;) pause();
    }

    for (;;) {
        xcb_flush(conn);
        pollfd fds[2] = {{xcb_get_file_descriptor(conn), POLLIN, 0}, {0, POLLIN, 0}};
        xcb_generic_event_t* event = xcb_poll_for_event(conn);
        if (!event) {
            if (poll(fds, 2, -1) < 0) return 1;
            if (fds[1].revents & (POLLIN | POLLHUP)) {
                char line[64] = {};
                const ssize_t n = read(0, line, sizeof line - 1);
                if (n <= 0 || std::strncmp(line, "quit", 4) == 0) return 0;
                if (std::strncmp(line, "clear", 5) == 0) {
                    xcb_set_selection_owner(conn, XCB_NONE, clipboard, XCB_CURRENT_TIME);
                    xcb_flush(conn);
                    say("cleared");
                }
            }
            if (xcb_connection_has_error(conn)) return 1;
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) return 0;
        if (type == XCB_SELECTION_REQUEST) {
            const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
            say("asked " + atomName(request->target));
            if (hangAfterTargets && request->target != targets) {
                std::free(event);
                continue;
            }
            xcb_atom_t property = XCB_NONE;
            if (request->target == targets) {
                std::vector<xcb_atom_t> list = {targets};
                for (const auto& [target, value] : offer) list.push_back(target);
                xcb_change_property(conn, XCB_PROP_MODE_REPLACE, request->requestor,
                                    request->property, XCB_ATOM_ATOM, 32, uint32_t(list.size()),
                                    list.data());
                property = request->property;
            } else {
                for (const auto& [target, value] : offer) {
                    if (target != request->target) continue;
                    property = request->property;
                    if (dieMidTransfer) {
                        // Announce a large transfer, hand over the first piece, and die.
                        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                        xcb_change_window_attributes(conn, request->requestor, XCB_CW_EVENT_MASK,
                                                     &mask);
                        const uint32_t size = uint32_t(value.size()) * 4;
                        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, request->requestor,
                                            property, incr, 32, 1, &size);
                    } else {
                        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, request->requestor,
                                            property, target, 8, uint32_t(value.size()),
                                            value.data());
                    }
                }
            }
            xcb_selection_notify_event_t notify{};
            notify.response_type = XCB_SELECTION_NOTIFY;
            notify.time = request->time;
            notify.requestor = request->requestor;
            notify.selection = request->selection;
            notify.target = request->target;
            notify.property = property;
            xcb_send_event(conn, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&notify));
        } else if (type == XCB_PROPERTY_NOTIFY && dieMidTransfer) {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (e->state == XCB_PROPERTY_DELETE && e->window != window) {
                const std::string& value = offer.front().second;
                xcb_change_property(conn, XCB_PROP_MODE_REPLACE, e->window, e->atom,
                                    offer.front().first, 8, uint32_t(value.size()), value.data());
                xcb_flush(conn);
                say("dying");
                _exit(0);
            }
        }
        std::free(event);
    }
}
