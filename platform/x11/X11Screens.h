#pragma once

#include "platform/ports/Screens.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// Screens on X11: RandR monitors, each less the struts of the docks and panels on it.
// Reported in screen coordinates (origin at the primary monitor's bottom-left, y up).
class X11Screens final : public Screens {
  public:
    explicit X11Screens(X11Connection& x) : x_(x) {}
    std::vector<ScreenInfo> screens() override;
    std::optional<ScreenInfo> mainScreen() override;
    Point pointerLocation() override;

    // A stable identity for a monitor, from its name; never 0.
    static uint32_t identity(const QString& name);

  private:
    struct Monitor {
        QString name;
        Rect root;     // root coordinates
        Rect visible;  // root coordinates, less struts
        bool primary;
    };
    std::vector<Monitor> monitors();
    ScreenInfo toScreen(const Monitor& m, const Monitor& primary) const;

    X11Connection& x_;
};

}  // namespace quenda::x11
