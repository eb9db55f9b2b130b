#pragma once

#include <memory>
#include <vector>

#include "core/tests/SimulatedDesk.h"
#include "workspaces/Workspaces.h"

namespace quenda::testing {

// A simulated desktop with the workspaces on top. Fixtures name applications by pid; `tag`
// gives a process its identifier, as the desktop entry would.
struct WorkspacesDesk : SimulatedDesk {
    explicit WorkspacesDesk(const QString& monitors = QStringLiteral("1440x900+0+0"))
        : SimulatedDesk(monitors, {.menuBar = 25}),
          workspaces(std::make_unique<Workspaces>(Workspaces::Services{
              ax, geo, desktop, prefs, hud, clock, desktop, arranger, l10n})) {}

    void tag(int32_t pid, const QString& bundleID) { desktop.app(pid).bundleID = bundleID; }
    Rect frame(uint64_t id) { return desktop.window(id).frame; }

    std::unique_ptr<Workspaces> workspaces;
};

inline std::vector<SimHud::Message> said(const QString& text) {
    return {{text, 1.6}};
}

}  // namespace quenda::testing
