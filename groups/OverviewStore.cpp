#include "groups/OverviewStore.h"

#include <algorithm>
#include <set>

namespace quenda {

namespace {

constexpr double kMiBPerGiB = 1024;

bool holds(const std::vector<OverviewItemPtr>& items, const QUuid& id) {
    return std::any_of(items.begin(), items.end(), [&](const auto& i) { return i->id == id; });
}

}  // namespace

QString formatMemory(const L10n& l10n, std::optional<double> mb) {
    if (!mb) return {};
    if (*mb >= kMiBPerGiB)
        return l10n.format(QStringLiteral("overview_memory_gb"),
                           {QString::asprintf("%.1f", *mb / kMiBPerGiB)});
    const double whole = std::max(0.0, std::trunc(*mb));
    return l10n.format(QStringLiteral("overview_memory_mb"),
                       {QString::number(static_cast<qint64>(whole))});
}

OverviewStore::OverviewStore(Services services, const ScreenInfo& screen) : s_(services) {
    const Rect frame = screen.frame;
    screenAspect_ = frame.height <= 1 ? 1.0 : frame.width / frame.height;
    screenLabel_ = Groups::describe(screen);
    const int64_t chosen = s_.prefs.get(settings::groupSize);
    const int64_t capacity = chosen >= 1 ? chosen : s_.groups.autoCapacity(screen);
    slotsDefault_ = int(std::clamp<int64_t>(capacity, kMinSlotsDefault, kMaxSlots));
}

void OverviewStore::publish() const {
    for (const auto& observer : observers_) observer();
}

void OverviewStore::load() {
    const std::vector<RunningApplication> running = s_.apps.runningApplications();
    for (const RunningApplication& app : running) {
        if (app.name) names_[app.pid] = *app.name;
    }
    essential_ = s_.apps.essentialProcesses();

    // Every window, the minimised ones too.
    std::vector<OverviewItemPtr> items;
    {
        const ReadBatch batch(s_.ax.server());
        for (const AXWindow& window : s_.groups.allWindows(true)) {
            const auto name = names_.find(window.pid());
            const std::optional<QString> appName =
                name != names_.end() ? std::optional<QString>(name->second) : std::nullopt;
            QString title = window.title().value_or(QString());
            if (title.isEmpty()) title = appName.value_or(QString());
            items.push_back(std::make_shared<const OverviewItem>(OverviewItem{
                .window = window,
                .wid =
                    window.ref().id != 0 ? std::optional<uint64_t>(window.ref().id) : std::nullopt,
                .appName = appName.value_or(QString::fromLatin1(GroupWindow::kUnknownApp)),
                .title = title,
                .minimized = window.isMinimized()}));
        }
    }

    // The current groups, as far as their windows are still here.
    std::set<const OverviewItem*> placed;
    for (const auto& members : s_.groups.groups()) {
        Group group;
        for (const GroupWindow& member : members) {
            for (const OverviewItemPtr& item : items) {
                if (item->window == member.window && !placed.count(item.get())) {
                    group.items.push_back(item);
                    placed.insert(item.get());
                    break;
                }
            }
        }
        if (group.items.empty()) continue;
        group.slotCount = std::max(int(group.items.size()), slotsDefault_);
        groups_.push_back(std::move(group));
    }
    for (const OverviewItemPtr& item : items) {
        if (!placed.count(item.get())) pool_.push_back(item);
    }

    // Applications that show a window: one of the listed windows that is not minimised, or a
    // normal window of fair size in the window list. The others run in the background
    // (minimised or hidden throughout, or living in the tray).
    std::set<int32_t> showing;
    for (const OverviewItemPtr& item : items) {
        if (!item->minimized) showing.insert(item->pid());
    }
    if (const auto list = s_.ax.server().windowList()) {
        for (const WindowListEntry& entry : *list) {
            if (entry.layer != 0 || !entry.ownerPid || !entry.bounds) continue;
            if (entry.bounds->width >= kQualifyingWidth &&
                entry.bounds->height >= kQualifyingHeight)
                showing.insert(*entry.ownerPid);
        }
    }
    const int32_t self = s_.ax.server().ownPid();
    std::vector<int32_t> regular;
    for (const RunningApplication& app : running) {
        if (app.kind != ApplicationKind::regular || app.pid == self) continue;
        regular.push_back(app.pid);
        if (showing.count(app.pid) || neverQuit(app.pid)) continue;
        background_.push_back(BackgroundApp{
            app.pid, app.name.value_or(QString::fromLatin1(GroupWindow::kUnknownApp)), {}});
    }

    const std::weak_ptr<char> alive = alive_;
    if (!regular.empty()) {
        s_.memory.read(regular, [this, alive](std::map<int32_t, double> figures) {
            if (alive.lock()) takeMemory(std::move(figures));
        });
    }

    std::vector<uint64_t> wids;
    for (const OverviewItemPtr& item : items) {
        if (item->wid) wids.push_back(*item->wid);
    }
    capture_ = s_.thumbnails.capture(
        wids,
        [this, alive](WindowPicture picture) {
            if (alive.lock()) takePicture(std::move(picture));
        },
        [this, alive] {
            if (alive.lock()) picturesDone_ = true;
        });
}

void OverviewStore::takePicture(WindowPicture picture) {
    if (!picture.picture.isValid()) return;
    const uint64_t wid = picture.window;
    if (picture.kind == PictureKind::icon)
        icons_[wid] = std::move(picture.picture);
    else
        thumbs_[wid] = std::move(picture.picture);
    for (const auto& observer : pictureObservers_) observer(wid);
}

void OverviewStore::takeMemory(std::map<int32_t, double> figures) {
    memory_ = std::move(figures);
    for (BackgroundApp& app : background_) {
        const auto it = memory_.find(app.pid);
        app.memoryMB = it != memory_.end() ? std::optional<double>(it->second) : std::nullopt;
    }
    sortBackground();
    for (const auto& observer : memoryObservers_) observer();
}

void OverviewStore::sortBackground() {
    std::stable_sort(background_.begin(), background_.end(),
                     [](const BackgroundApp& a, const BackgroundApp& b) {
                         return a.memoryMB.value_or(0) > b.memoryMB.value_or(0);
                     });
}

void OverviewStore::setSlotsDefault(int slotCount) {
    slotsDefault_ = std::clamp(slotCount, kMinSlotsDefault, kMaxSlots);
    publish();
}

const Picture* OverviewStore::thumb(const OverviewItem& item) const {
    if (!item.wid) return nullptr;
    const auto it = thumbs_.find(*item.wid);
    return it != thumbs_.end() ? &it->second : nullptr;
}

const Picture* OverviewStore::icon(const OverviewItem& item) const {
    if (!item.wid) return nullptr;
    const auto it = icons_.find(*item.wid);
    return it != icons_.end() ? &it->second : nullptr;
}

QString OverviewStore::memoryText(const OverviewItem& item) const {
    const auto it = memory_.find(item.pid());
    if (it == memory_.end()) return {};
    return formatMemory(s_.l10n, it->second);
}

QString OverviewStore::totalMemoryText() const {
    double total = 0;
    for (const auto& [pid, mb] : memory_) total += mb;
    return formatMemory(s_.l10n, total);
}

int OverviewStore::filledGroupCount() const {
    return int(std::count_if(groups_.begin(), groups_.end(),
                             [](const Group& g) { return !g.items.empty(); }));
}

OverviewItemPtr OverviewStore::find(const QUuid& id) const {
    for (const OverviewItemPtr& item : pool_) {
        if (item->id == id) return item;
    }
    for (const Group& group : groups_) {
        for (const OverviewItemPtr& item : group.items) {
            if (item->id == id) return item;
        }
    }
    return nullptr;
}

OverviewItemPtr OverviewStore::take(const QUuid& id) {
    OverviewItemPtr item = detach(id);
    if (item) publish();
    return item;
}

OverviewItemPtr OverviewStore::detach(const QUuid& id) {
    const auto takeFrom = [&](std::vector<OverviewItemPtr>& items) -> OverviewItemPtr {
        const auto it =
            std::find_if(items.begin(), items.end(), [&](const auto& i) { return i->id == id; });
        if (it == items.end()) return nullptr;
        OverviewItemPtr item = *it;
        items.erase(it);
        return item;
    };
    OverviewItemPtr item = takeFrom(pool_);
    for (auto g = groups_.begin(); !item && g != groups_.end(); ++g) item = takeFrom(g->items);
    return item;
}

void OverviewStore::moveToGroup(const QUuid& itemId, const QUuid& groupId) {
    const auto has = [&] {
        return std::find_if(groups_.begin(), groups_.end(),
                            [&](const Group& g) { return g.id == groupId; });
    };
    if (has() == groups_.end()) return;
    if (holds(has()->items, itemId)) return;
    OverviewItemPtr item = detach(itemId);
    if (!item) return;
    Group& group = *has();
    if (int(group.items.size()) >= group.slotCount)
        group.slotCount = std::min(int(group.items.size()) + 1, kMaxSlots);
    group.items.push_back(std::move(item));
    publish();
}

void OverviewStore::moveToPool(const QUuid& itemId) {
    OverviewItemPtr item = detach(itemId);
    if (!item) return;
    pool_.push_back(std::move(item));
    publish();
}

void OverviewStore::moveToNewGroup(const QUuid& itemId) {
    OverviewItemPtr item = detach(itemId);
    if (!item) return;
    groups_.push_back(Group{.slotCount = slotsDefault_, .items = {std::move(item)}});
    publish();
}

void OverviewStore::addGroup() {
    groups_.push_back(Group{.slotCount = slotsDefault_});
    publish();
}

void OverviewStore::removeGroup(const QUuid& groupId) {
    const auto it = std::find_if(groups_.begin(), groups_.end(),
                                 [&](const Group& g) { return g.id == groupId; });
    if (it == groups_.end()) return;
    pool_.insert(pool_.end(), it->items.begin(), it->items.end());
    groups_.erase(it);
    publish();
}

void OverviewStore::setSlots(const QUuid& groupId, int slotCount) {
    const auto it = std::find_if(groups_.begin(), groups_.end(),
                                 [&](const Group& g) { return g.id == groupId; });
    if (it == groups_.end()) return;
    it->slotCount = std::clamp(slotCount, kMinSlots, kMaxSlots);
    if (int(it->items.size()) > it->slotCount) {
        pool_.insert(pool_.end(), it->items.begin() + it->slotCount, it->items.end());
        it->items.erase(it->items.begin() + it->slotCount, it->items.end());
    }
    publish();
}

void OverviewStore::autoGroup() {
    for (Group& group : groups_) {
        const int free = group.slotCount - int(group.items.size());
        const int k = std::min(std::max(free, 0), int(pool_.size()));
        group.items.insert(group.items.end(), pool_.begin(), pool_.begin() + k);
        pool_.erase(pool_.begin(), pool_.begin() + k);
    }
    while (!pool_.empty()) {
        const int k = std::min(slotsDefault_, int(pool_.size()));
        Group group{.slotCount = slotsDefault_};
        group.items.assign(pool_.begin(), pool_.begin() + k);
        pool_.erase(pool_.begin(), pool_.begin() + k);
        groups_.push_back(std::move(group));
    }
    publish();
}

void OverviewStore::removeItemsOf(int32_t pid) {
    std::erase_if(pool_, [&](const auto& i) { return i->pid() == pid; });
    for (Group& group : groups_)
        std::erase_if(group.items, [&](const auto& i) { return i->pid() == pid; });
}

bool OverviewStore::neverQuit(int32_t pid) const {
    return pid == s_.ax.server().ownPid() ||
           std::find(essential_.begin(), essential_.end(), pid) != essential_.end();
}

void OverviewStore::closeWindow(const QUuid& itemId) {
    const OverviewItemPtr item = find(itemId);
    if (!item) return;
    item->window.close();
    take(itemId);
}

void OverviewStore::hideApp(int32_t pid) {
    s_.apps.hide(pid);
    removeItemsOf(pid);
    publish();
}

void OverviewStore::quitApp(int32_t pid) {
    const auto app = s_.apps.application(pid);
    if (!app) return;
    const QString name = app->name.value_or(QString::fromLatin1(GroupWindow::kUnknownApp));
    if (neverQuit(pid)) {
        say(s_.l10n.format(QStringLiteral("hud_overview_cannot_quit"), {name}));
        return;
    }
    s_.apps.terminate(pid);
    removeItemsOf(pid);
    std::erase_if(background_, [&](const BackgroundApp& b) { return b.pid == pid; });
    publish();
    say(s_.l10n.format(QStringLiteral("hud_overview_quitting"), {name}));
}

void OverviewStore::quitAllUngrouped() {
    std::set<int32_t> grouped;
    for (const Group& group : groups_) {
        for (const OverviewItemPtr& item : group.items) grouped.insert(item->pid());
    }
    // An application with a grouped window stays, even when its other windows are in the
    // pool or it also counts as running in the background.
    std::vector<int32_t> targets;
    const auto target = [&](int32_t pid) {
        if (grouped.count(pid) || std::find(targets.begin(), targets.end(), pid) != targets.end())
            return;
        targets.push_back(pid);
    };
    for (const OverviewItemPtr& item : pool_) target(item->pid());
    for (const BackgroundApp& app : background_) target(app.pid);
    qint64 count = 0;
    for (const int32_t pid : targets) {
        if (!s_.apps.application(pid) || neverQuit(pid)) continue;
        s_.apps.terminate(pid);
        removeItemsOf(pid);
        std::erase_if(background_, [&](const BackgroundApp& b) { return b.pid == pid; });
        ++count;
    }
    // What is left belongs to applications that stay: close just those windows.
    for (const OverviewItemPtr& item : pool_) item->window.close();
    pool_.clear();
    publish();
    say(s_.l10n.format(QStringLiteral("hud_overview_quit_ungrouped"), {count}));
}

void OverviewStore::quitAllBackground() {
    qint64 count = 0;
    for (const BackgroundApp& app : background_) {
        if (neverQuit(app.pid)) continue;
        s_.apps.terminate(app.pid);
        removeItemsOf(app.pid);
        memory_.erase(app.pid);
        ++count;
    }
    background_.clear();
    publish();
    say(s_.l10n.format(QStringLiteral("hud_overview_quit_background"), {count}));
}

bool OverviewStore::apply() {
    std::vector<std::vector<AXWindow>> lists;
    for (const Group& group : groups_) {
        std::vector<AXWindow> windows;
        for (const OverviewItemPtr& item : group.items) windows.push_back(item->window);
        if (!windows.empty()) lists.push_back(std::move(windows));
    }
    if (lists.empty()) {
        say(s_.l10n.t(QStringLiteral("hud_overview_nothing_grouped")));
        return false;
    }
    std::vector<AXWindow> excluded;
    for (const OverviewItemPtr& item : pool_) excluded.push_back(item->window);
    s_.groups.setGroups(lists, excluded);
    return true;
}

std::optional<QUuid> OverviewStore::dropped(const QString& payload) const {
    const QString text = payload.trimmed();
    if (text.isEmpty() || text.size() > 64) return std::nullopt;
    const QUuid id(text);
    if (id.isNull() || !find(id)) return std::nullopt;
    return id;
}

}  // namespace quenda
