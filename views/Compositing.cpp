#include "views/Compositing.h"

#include <QGuiApplication>
#include <cstdlib>

#include <xcb/xcb.h>

namespace quenda {

bool compositingActive() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return true;  // not X11: translucency is the platform's
    xcb_connection_t* c = x11->connection();
    static const QByteArray name = QByteArrayLiteral("_NET_WM_CM_S0");
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (!atom) return false;
    const xcb_atom_t selection = atom->atom;
    free(atom);
    if (selection == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    free(owner);
    return owned;
}

}  // namespace quenda
