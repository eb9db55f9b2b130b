#pragma once

#include <map>

#include "platform/ports/Screens.h"
#include "platform/x11/Monitors.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// Screens on X11: RandR monitors, each less the struts of the docks and panels on it.
// Reported with the primary monitor's top-left as the origin, as windows are.
class X11Screens final : public Screens {
  public:
    explicit X11Screens(X11Connection& x) : x_(x) {}
    std::vector<ScreenInfo> screens() override;
    std::optional<ScreenInfo> mainScreen() override;
    Point pointerLocation() override;

    // A stable identity for a monitor, from its name; never 0.
    static uint32_t identity(const QString& name);

  private:
    struct Layout {
        std::vector<Monitor> monitors;  // the primary first
        std::vector<Rect> visible;      // root coordinates, less struts, one per monitor
        xcb_window_t active = XCB_WINDOW_NONE;
    };
    Layout read();
    QString nameOf(xcb_atom_t atom);
    ScreenInfo toScreen(const Layout& l, size_t i);

    X11Connection& x_;
    std::map<xcb_atom_t, QString> names_;  // an atom's name never changes
};

}  // namespace quenda::x11
