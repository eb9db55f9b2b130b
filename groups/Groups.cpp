#include "groups/Groups.h"

#include <algorithm>

#include <QCollator>

namespace quenda {

namespace {

bool contains(const std::vector<AXWindow>& list, const AXWindow& window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

}  // namespace

bool Groups::guard() const {
    return s_.ax.guard(s_.hud, s_.l10n);
}

void Groups::publish() const {
    for (const auto& observer : observers_) observer();
}

GroupWindow Groups::record(const AXWindow& window) const {
    const auto app = s_.apps.application(window.pid());
    QString name = QString::fromLatin1(GroupWindow::kUnknownApp);
    if (app && app->name) name = *app->name;
    return GroupWindow{.window = window, .appName = name};
}

std::vector<AXWindow> Groups::allWindows(bool includeMinimized) const {
    const ReadBatch batch(s_.ax.server());
    std::vector<AXWindow> result;
    for (const VisibleWindow& visible : s_.ax.orderedVisibleWindows()) {
        if (!contains(result, visible.window)) result.push_back(visible.window);
    }
    const int32_t self = s_.ax.server().ownPid();
    for (const RunningApplication& app : s_.apps.runningApplications()) {
        if (app.kind != ApplicationKind::regular || app.pid == self) continue;
        for (const AXWindow& window : s_.ax.windows(app.pid)) {
            const bool taken = includeMinimized ? window.isStandard() : AX::isArrangeable(window);
            if (!taken) continue;  // unreadable roles too
            if (!contains(result, window)) result.push_back(window);
        }
    }
    return result;
}

int Groups::autoCapacity(const ScreenInfo& screen) const {
    const Rect usable = s_.geo.usableFrame(screen);
    const double w = usable.width;
    int capacity = w < 1100 ? 1 : w < 2300 ? 2 : w < 3000 ? 3 : w < 4000 ? 4 : 5;
    if (usable.height >= 1800) capacity *= 2;
    return std::min(capacity, kMaxCapacity);
}

int Groups::capacity() const {
    const auto screen = s_.geo.screenUnderMouse();
    if (!screen) return kCapacityWithoutScreen;
    const int64_t chosen = s_.prefs.get(settings::groupSize);
    if (chosen >= 1) return static_cast<int>(std::min<int64_t>(chosen, INT32_MAX));
    return autoCapacity(*screen);
}

QString Groups::describe(const ScreenInfo& screen) {
    const double width = screen.frame.width;
    const double height = screen.frame.height;
    const double ratio = aspectRatio(width, height);
    const char* shape = ratio >= 3     ? "32:9"
                        : ratio >= 2.2 ? "21:9"
                        : ratio >= 1.7 ? "16:9"
                                       : "16:10";
    return QStringLiteral("%1×%2 (%3)")
        .arg(static_cast<int64_t>(width))
        .arg(static_cast<int64_t>(height))
        .arg(QLatin1String(shape));
}

void Groups::autoGroup(bool byApp) {
    if (!guard()) return;
    excluded_.clear();
    std::vector<GroupWindow> records;
    for (const AXWindow& window : allWindows(false)) records.push_back(record(window));
    if (byApp) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(records.begin(), records.end(),
                         [&](const GroupWindow& a, const GroupWindow& b) {
                             return collator.compare(a.appName, b.appName) < 0;
                         });
    }
    const int size = capacity();
    groups_.clear();
    for (size_t i = 0; i < records.size(); i += size) {
        const size_t end = std::min(records.size(), i + size);
        groups_.emplace_back(records.begin() + i, records.begin() + end);
    }
    current_ = 0;
    publish();
    say(s_.l10n.format(QStringLiteral("hud_groups_formed"),
                       {qint64(records.size()), qint64(groups_.size()), qint64(size)}));
}

void Groups::refresh() {
    std::vector<AXWindow> live;
    for (const AXWindow& window : allWindows(false)) {
        if (!contains(excluded_, window)) live.push_back(window);
    }
    for (auto& group : groups_) {
        std::erase_if(group, [&](const GroupWindow& g) { return !contains(live, g.window); });
    }
    std::erase_if(groups_, [](const auto& group) { return group.empty(); });
    const size_t size = capacity();
    for (const AXWindow& window : live) {
        const bool grouped = std::any_of(groups_.begin(), groups_.end(), [&](const auto& group) {
            return std::any_of(group.begin(), group.end(),
                               [&](const GroupWindow& g) { return g.window == window; });
        });
        if (grouped) continue;
        if (!groups_.empty() && groups_.back().size() < size)
            groups_.back().push_back(record(window));
        else
            groups_.push_back({record(window)});
    }
    current_ = groups_.empty() ? 0 : std::min(current_, static_cast<int>(groups_.size()) - 1);
    publish();
}

void Groups::setGroups(const std::vector<std::vector<AXWindow>>& groups,
                       const std::vector<AXWindow>& excluded) {
    groups_.clear();
    for (const auto& windows : groups) {
        std::vector<GroupWindow> group;
        for (const AXWindow& window : windows) group.push_back(record(window));
        groups_.push_back(std::move(group));
    }
    excluded_ = excluded;
    current_ = 0;
    publish();
}

void Groups::moveFocused(int step) {
    if (!guard()) return;
    const auto focused = s_.ax.focusedWindow();
    if (!focused) return;
    if (!groups_.empty())
        refresh();
    else
        autoGroup(false);

    std::optional<size_t> from;
    std::vector<GroupWindow>::iterator member;
    for (size_t g = 0; g < groups_.size() && !from; ++g) {
        member = std::find_if(groups_[g].begin(), groups_[g].end(),
                              [&](const GroupWindow& r) { return r.window == *focused; });
        if (member != groups_[g].end()) from = g;
    }
    if (!from) {
        say(s_.l10n.t(QStringLiteral("hud_group_focused_missing")));
        return;
    }
    const GroupWindow moved = *member;
    groups_[*from].erase(member);
    const long target = static_cast<long>(*from) + step;
    if (target < 0)
        groups_.insert(groups_.begin(), {moved});
    else if (target < static_cast<long>(groups_.size()))
        groups_[target].push_back(moved);
    else
        groups_.push_back({moved});
    std::erase_if(groups_, [](const auto& group) { return group.empty(); });
    publish();

    for (size_t k = 0; k < groups_.size(); ++k) {
        const auto& group = groups_[k];
        if (std::none_of(group.begin(), group.end(),
                         [&](const GroupWindow& r) { return r.id == moved.id; }))
            continue;
        // The name goes in as it is: a "%" in it is never read as a placeholder.
        say(s_.l10n.format(
            QStringLiteral("hud_group_moved"),
            {moved.appName, qint64(k + 1), qint64(groups_.size()), qint64(group.size())}));
        return;
    }
}

}  // namespace quenda
