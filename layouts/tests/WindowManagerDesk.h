#pragma once

#include "core/tests/SimulatedDesk.h"
#include "layouts/WindowManager.h"

namespace quenda::testing {

// A simulated desktop with every service the window manager takes; a test's fixture adds
// the manager (and whatever else it needs) on top.
struct WindowManagerDesk : SimulatedDesk {
    using SimulatedDesk::SimulatedDesk;

    WindowManager::Services services(WindowManager::TextLookup text = {}) {
        return {ax, geo, desktop, prefs, hud, clock, arranger, std::move(text)};
    }
};

// A text lookup that marks the key, so tests see which text was looked up.
inline QString markedKey(const QString& key, const QVariantList&) {
    return "t:" + key;
}

}  // namespace quenda::testing
