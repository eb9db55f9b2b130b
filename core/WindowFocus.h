#pragma once

#include "core/AXWindow.h"
#include "platform/ports/Applications.h"

namespace quenda {

// Puts the window in front of every other, with its application active: the application
// comes forward ahead of all others, is marked frontmost, and the window is raised and made
// its main window. Each step is a request that a vanished window or application loses.
inline void bringToFront(Applications& apps, WindowServer& server, const AXWindow& window) {
    apps.activate(window.pid());
    server.setAttribute(Element::application(window.pid()), attr::Frontmost, true);
    window.raise();
    window.makeMain();
}

}  // namespace quenda
