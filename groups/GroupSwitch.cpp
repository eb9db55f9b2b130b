// Switching to a group: bring its applications back, tile it, raise it window by window.
#include <set>

#include <QStringList>

#include "groups/Groups.h"
#include "layouts/Layout.h"

namespace quenda {

void Groups::show(int index) {
    if (!guard()) return;
    if (!groups_.empty())
        refresh();
    else
        autoGroup(false);
    const auto screen = s_.geo.screenUnderMouse();
    if (groups_.empty() || !screen) {
        say(s_.l10n.t(QStringLiteral("hud_groups_empty")));
        return;
    }
    const int n = static_cast<int>(groups_.size());
    const int target = ((index % n) + n) % n;
    current_ = target;
    publish();
    const std::vector<GroupWindow> group = groups_[target];

    std::set<int32_t> unhidden;
    for (const GroupWindow& member : group) {
        if (unhidden.insert(member.window.pid()).second) s_.apps.unhide(member.window.pid());
    }

    WindowPlan plan{.raiseInterval = kStepDelay, .tiled = std::vector<WindowRef>{}};
    {
        const ReadBatch batch(s_.ax.server());  // the states read in one pass
        for (const GroupWindow& member : group) {
            if (member.window.isMinimized()) plan.restore.push_back(member.window.ref());
        }
    }
    // Set once: a group switch does not chase windows that refuse their width.
    const Rect area = s_.geo.usableFrame(*screen);
    const double aspect = aspectRatio(area);
    const std::vector<Rect> units = autoUnits(static_cast<int>(group.size()), aspect);
    const double gap = static_cast<double>(s_.prefs.get(settings::gap));
    for (size_t i = 0; i < group.size() && i < units.size(); ++i)
        plan.frames.push_back({group[i].window.ref(), ScreenGeo::place(units[i], area, gap)});

    QStringList names;
    for (const GroupWindow& member : group) {
        plan.tiled->push_back(member.window.ref());
        names << member.appName;
    }
    // Raised one by one from the back, so the group's first window ends in front and active.
    plan.raise.assign(plan.tiled->rbegin(), plan.tiled->rend());
    plan.focus = plan.tiled->front();
    const QString separator = s_.l10n.t(QStringLiteral("hud_group_names_separator"));
    const QString message =
        s_.l10n.format(QStringLiteral("hud_group_shown"), {target + 1, n, names.join(separator)});
    s_.arranger.apply(plan, timers_.bind([this, message] { say(message); }));
}

}  // namespace quenda
