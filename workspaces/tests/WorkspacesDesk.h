#pragma once

#include <memory>
#include <vector>

#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"
#include "workspaces/Workspaces.h"

namespace quenda::testing {

// A simulated desktop with the workspaces on top. Fixtures name applications by pid; `tag`
// gives a process its identifier, as the desktop entry would.
struct WorkspacesDesk {
    explicit WorkspacesDesk(const QString& monitors = QStringLiteral("1440x900+0+0"))
        : desktop(monitors, {.menuBar = 25}),
          prefs(defaults),
          geo(desktop, prefs),
          ax(desktop),
          workspaces(std::make_unique<Workspaces>(
              Workspaces::Services{ax, geo, desktop, prefs, hud, clock, desktop})) {}

    void tag(int32_t pid, const QString& bundleID) { desktop.app(pid).bundleID = bundleID; }
    Rect frame(uint64_t id) { return desktop.window(id).frame; }
    std::vector<QString> texts() const {
        std::vector<QString> all;
        for (const auto& m : hud.messages) all.push_back(m.text);
        return all;
    }

    SimDesktop desktop;
    SimDefaults defaults;
    Prefs prefs;
    ScreenGeo geo;
    AX ax;
    SimHud hud;
    VirtualClock clock;
    std::unique_ptr<Workspaces> workspaces;
};

inline std::vector<SimHud::Message> said(const QString& text) {
    return {{text, 1.6}};
}

}  // namespace quenda::testing
