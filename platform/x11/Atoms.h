#pragma once

#include <xcb/xcb.h>

namespace quenda::x11 {

// Every atom the backend uses, in one table. EWMH names carry a leading underscore on the
// wire ("_NET_WM_STATE"); the member drops it. WM_NAME, WM_CLASS, WM_TRANSIENT_FOR and
// WM_NORMAL_HINTS are predefined atoms and need no entry.
#define QUENDA_X11_UNDERSCORED_ATOMS(X) \
    X(NET_SUPPORTED)                    \
    X(NET_SUPPORTING_WM_CHECK)          \
    X(NET_CLIENT_LIST)                  \
    X(NET_CLIENT_LIST_STACKING)         \
    X(NET_CURRENT_DESKTOP)              \
    X(NET_ACTIVE_WINDOW)                \
    X(NET_WM_NAME)                      \
    X(NET_WM_PID)                       \
    X(NET_WM_DESKTOP)                   \
    X(NET_WM_WINDOW_TYPE)               \
    X(NET_WM_WINDOW_TYPE_NORMAL)        \
    X(NET_WM_WINDOW_TYPE_DIALOG)        \
    X(NET_WM_WINDOW_TYPE_UTILITY)       \
    X(NET_WM_WINDOW_TYPE_TOOLBAR)       \
    X(NET_WM_WINDOW_TYPE_MENU)          \
    X(NET_WM_WINDOW_TYPE_SPLASH)        \
    X(NET_WM_WINDOW_TYPE_DOCK)          \
    X(NET_WM_WINDOW_TYPE_DESKTOP)       \
    X(NET_WM_WINDOW_TYPE_NOTIFICATION)  \
    X(NET_WM_WINDOW_TYPE_DROPDOWN_MENU) \
    X(NET_WM_WINDOW_TYPE_POPUP_MENU)    \
    X(NET_WM_WINDOW_TYPE_TOOLTIP)       \
    X(NET_WM_WINDOW_TYPE_COMBO)         \
    X(NET_WM_WINDOW_TYPE_DND)           \
    X(NET_WM_STATE)                     \
    X(NET_WM_STATE_HIDDEN)              \
    X(NET_WM_STATE_MAXIMIZED_VERT)      \
    X(NET_WM_STATE_MAXIMIZED_HORZ)      \
    X(NET_WM_STATE_FULLSCREEN)          \
    X(NET_WM_STATE_SKIP_TASKBAR)        \
    X(NET_WM_ALLOWED_ACTIONS)           \
    X(NET_WM_ACTION_CLOSE)              \
    X(NET_FRAME_EXTENTS)                \
    X(NET_REQUEST_FRAME_EXTENTS)        \
    X(GTK_FRAME_EXTENTS)                \
    X(NET_WM_WINDOW_OPACITY)            \
    X(NET_WM_STRUT)                     \
    X(NET_WM_STRUT_PARTIAL)             \
    X(NET_MOVERESIZE_WINDOW)            \
    X(NET_RESTACK_WINDOW)               \
    X(NET_CLOSE_WINDOW)                 \
    X(GTK_APPLICATION_ID)

#define QUENDA_X11_PLAIN_ATOMS(X) \
    X(WM_STATE)                   \
    X(WM_CHANGE_STATE)            \
    X(UTF8_STRING)                \
    X(COMPOUND_TEXT)

struct Atoms {
#define QUENDA_X11_DECLARE(name) xcb_atom_t name = XCB_ATOM_NONE;
    QUENDA_X11_UNDERSCORED_ATOMS(QUENDA_X11_DECLARE)
    QUENDA_X11_PLAIN_ATOMS(QUENDA_X11_DECLARE)
#undef QUENDA_X11_DECLARE

    // Interns the whole table in one round trip; false when the server did not answer.
    bool intern(xcb_connection_t* c);
};

}  // namespace quenda::x11
