#pragma once

#include "layouts/WindowManager.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda::testing {

// A simulated desktop with every service the window manager takes; a test's fixture adds
// the manager (and whatever else it needs) on top.
struct WindowManagerDesk {
    explicit WindowManagerDesk(const QString& monitors, SimScreenOptions options = {})
        : desktop(monitors, options), prefs(defaults), geo(desktop, prefs), ax(desktop) {}

    WindowManager::Services services(WindowManager::TextLookup text = {}) {
        return {ax, geo, desktop, prefs, hud, clock, std::move(text)};
    }

    SimDesktop desktop;
    SimDefaults defaults;
    Prefs prefs;
    ScreenGeo geo;
    AX ax;
    SimHud hud;
    VirtualClock clock;
};

// A text lookup that marks the key, so tests see which text was looked up.
inline QString markedKey(const QString& key, const QVariantList&) {
    return "t:" + key;
}

}  // namespace quenda::testing
