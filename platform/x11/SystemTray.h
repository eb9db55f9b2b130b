#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "platform/x11/DesktopPass.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// An icon docked in the notification area: a window of another process, embedded (XEmbed)
// somewhere in the tray's window tree.
struct TrayIcon {
    xcb_window_t window = XCB_WINDOW_NONE;
    int32_t pid = 0;
    QString wmClass, wmInstance;  // empty when the icon has no WM_CLASS
};

struct TrayReading {
    std::optional<int32_t> hostPid;  // the process owning the tray, when there is one
    std::vector<TrayIcon> icons;     // one per process, in tree order
};

// The tray of this screen (the owner of _NET_SYSTEM_TRAY_S<screen>) and the processes with
// an icon in it. The icons are searched below the selection owner's window and below every
// client window of the tray's process; a window that vanishes while it is read holds no
// icon. Level by level, so the cost is a few round trips whatever the number of icons.
TrayReading readSystemTray(X11Connection& x, const DesktopPass& pass, xcb_atom_t selection);
// The tray's selection on this screen, _NET_SYSTEM_TRAY_S<screen>: one round trip, once.
xcb_atom_t traySelection(X11Connection& x);

}  // namespace quenda::x11
