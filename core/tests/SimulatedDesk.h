#pragma once

#include "core/AX.h"
#include "core/Arranger.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda::testing {

// A simulated desktop with the shared services every command takes (settings, screens, the
// window layer, the HUD, the clock and the built-in strings table, so tests see the texts the
// user reads); each subsystem's fixture adds its own object on top.
struct SimulatedDesk {
    explicit SimulatedDesk(const QString& monitors, SimScreenOptions options = {})
        : desktop(monitors, options),
          prefs(defaults),
          geo(desktop, prefs),
          ax(desktop),
          arranger(desktop, clock) {}

    SimDesktop desktop;
    SimDefaults defaults;
    Prefs prefs;
    ScreenGeo geo;
    AX ax;
    SimHud hud;
    VirtualClock clock;
    Arranger arranger;
    L10n l10n = L10n::builtIn();
};

}  // namespace quenda::testing
