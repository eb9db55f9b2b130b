// Switching to a group: bring its applications back, tile it, raise it window by window.
#include <set>

#include <QStringList>

#include "core/WindowFocus.h"
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
        say(QStringLiteral("No hay ventanas para agrupar"));
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
    std::vector<AXWindow> minimized;
    {
        const ReadBatch batch(s_.ax.server());  // the states read in one pass
        for (const GroupWindow& member : group) {
            if (member.window.isMinimized()) minimized.push_back(member.window);
        }
    }
    for (const AXWindow& window : minimized) window.setMinimized(false);

    // Set once: a group switch does not chase windows that refuse their width.
    const Rect area = s_.geo.usableFrame(*screen);
    const double aspect = area.width / (area.height <= 1 ? 1 : area.height);
    const std::vector<Rect> units = autoUnits(static_cast<int>(group.size()), aspect);
    const double gap = static_cast<double>(s_.prefs.get(settings::gap));
    for (size_t i = 0; i < group.size() && i < units.size(); ++i)
        group[i].window.setFrame(ScreenGeo::place(units[i], area, gap));

    std::vector<AXWindow> windows;
    QStringList names;
    for (const GroupWindow& member : group) {
        windows.push_back(member.window);
        names << member.appName;
    }
    s_.windows.lastTiled = windows;

    auto chain = std::make_shared<RaiseChain>(RaiseChain{
        {windows.rbegin(), windows.rend()}, target, n, names.join(QStringLiteral(" · "))});
    step(std::move(chain), 0);
}

// Raises one window and comes back for the next: the group's first window, raised last,
// ends in front. The chain keeps its own list, so later changes to the groups leave it be.
void Groups::step(std::shared_ptr<const RaiseChain> chain, size_t i) {
    if (i >= chain->windows.size()) {
        say(QStringLiteral("Grupo %1 de %2 — %3")
                .arg(QString::number(chain->target + 1), QString::number(chain->groupCount),
                     chain->names));
        return;
    }
    bringToFront(s_.apps, s_.ax.server(), chain->windows[i]);
    std::weak_ptr<char> alive = alive_;
    s_.clock.after(kStepDelay, [this, alive, chain, i] {
        if (alive.lock()) step(chain, i + 1);
    });
}

}  // namespace quenda
