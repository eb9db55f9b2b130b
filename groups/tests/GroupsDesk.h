#pragma once

#include <vector>

#include "groups/Groups.h"
#include "layouts/tests/WindowManagerDesk.h"

namespace quenda::testing {

// A simulated desktop with the window manager and the groups on top.
struct GroupsDesk : WindowManagerDesk {
    explicit GroupsDesk(const QString& monitors = QStringLiteral("1440x900+0+0"),
                        SimScreenOptions options = {.menuBar = 25})
        : WindowManagerDesk(monitors, options),
          wm(services()),
          groups({ax, geo, prefs, hud, clock, desktop, arranger, l10n}) {}

    // The window ids of every group, in order.
    std::vector<std::vector<uint64_t>> ids() const {
        std::vector<std::vector<uint64_t>> all;
        for (const auto& group : groups.groups()) {
            std::vector<uint64_t> one;
            for (const GroupWindow& member : group) one.push_back(member.window.ref().id);
            all.push_back(one);
        }
        return all;
    }

    WindowManager wm;
    Groups groups;
};

}  // namespace quenda::testing
