#pragma once

#include "core/tests/SimulatedDesk.h"
#include "layouts/WindowManager.h"

namespace quenda::testing {

// A simulated desktop with every service the window manager takes; a test's fixture adds
// the manager (and whatever else it needs) on top.
struct WindowManagerDesk : SimulatedDesk {
    using SimulatedDesk::SimulatedDesk;

    WindowManager::Services services() {
        return {ax, geo, desktop, prefs, hud, clock, arranger, l10n};
    }
};

}  // namespace quenda::testing
