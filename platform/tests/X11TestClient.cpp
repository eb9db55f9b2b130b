#include "platform/tests/X11TestClient.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/XcbReply.h"

namespace quenda::testing {

X11TestClient::X11TestClient(const QString& display)
    : c_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
    if (xcb_connection_has_error(c_)) throw std::runtime_error("test client cannot connect");
}

X11TestClient::~X11TestClient() {
    xcb_disconnect(c_);
}

uint32_t X11TestClient::atom(const QString& name) {
    const QByteArray n = name.toLatin1();
    x11::Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, uint16_t(n.size()), n.constData()), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

uint32_t X11TestClient::open(const TestWindowSetup& setup) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    const xcb_window_t w = xcb_generate_id(c_);
    const Rect& r = setup.client;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root, int16_t(r.x), int16_t(r.y),
                      uint16_t(r.width), uint16_t(r.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const QByteArray title = setup.title.toUtf8();
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(title.size()), title.constData());
    const char wmClass[] = "quenda-test\0QuendaTest";
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    // Placed where asked: without a user position openbox places windows itself.
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_position(&hints, 1, int32_t(r.x), int32_t(r.y));
    xcb_icccm_size_hints_set_size(&hints, 1, int32_t(r.width), int32_t(r.height));
    if (setup.minimumSize)
        xcb_icccm_size_hints_set_min_size(&hints, int32_t(setup.minimumSize->width),
                                          int32_t(setup.minimumSize->height));
    xcb_icccm_set_wm_normal_hints(c_, w, &hints);
    if (!setup.types.isEmpty()) {
        std::vector<uint32_t> types;
        for (const QString& t : setup.types) types.push_back(atom(t));
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_WINDOW_TYPE"),
                            XCB_ATOM_ATOM, 32, uint32_t(types.size()), types.data());
    }
    if (setup.transientFor) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &*setup.transientFor);
    }
    if (!setup.strutPartial.empty()) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_STRUT_PARTIAL"),
                            XCB_ATOM_CARDINAL, 32, uint32_t(setup.strutPartial.size()),
                            setup.strutPartial.data());
    }
    if (setup.sticky) {
        const uint32_t all = 0xFFFFFFFFu;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_DESKTOP"),
                            XCB_ATOM_CARDINAL, 32, 1, &all);
    }
    if (!setup.states.isEmpty()) {
        std::vector<uint32_t> states;
        for (const QString& st : setup.states) states.push_back(atom(st));
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                            uint32_t(states.size()), states.data());
    }
    xcb_map_window(c_, w);
    xcb_flush(c_);

    // Framed, on screen and in the manager's client list: openbox may map a window before
    // it lists it, and a reader of the list would not see it yet.
    const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
    const xcb_atom_t clientList = atom("_NET_CLIENT_LIST");
    const bool shown = waitUntil([&] {
        x11::Reply<xcb_get_property_reply_t> e(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, w, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
        x11::Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr));
        x11::PropReply list(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, root, clientList, XCB_ATOM_WINDOW, 0, 65536), nullptr));
        const std::vector<uint32_t> ids = x11::values32(list.get());
        return e && xcb_get_property_value_length(e.get()) == 16 && a &&
               a->map_state == XCB_MAP_STATE_VIEWABLE &&
               std::find(ids.begin(), ids.end(), w) != ids.end();
    });
    if (!shown) throw std::runtime_error("test window was not shown: " + setup.title.toStdString());
    return w;
}

void X11TestClient::destroy(uint32_t window) {
    xcb_destroy_window(c_, window);
    x11::Reply<xcb_get_input_focus_reply_t> r(
        xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

}  // namespace quenda::testing
