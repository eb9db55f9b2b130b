#include "workspaces/Workspaces.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>

namespace quenda {

namespace {
// An identifier or name that is present but empty tells as little as an absent one.
std::optional<QString> nonEmpty(const std::optional<QString>& text) {
    if (!text || text->isEmpty()) return std::nullopt;
    return text;
}
}  // namespace

std::optional<std::vector<SavedWindow>> Workspaces::load(int slot) const {
    bool tooLarge = false;
    return read(slot, &tooLarge);
}

std::optional<std::vector<SavedWindow>> Workspaces::read(int slot, bool* tooLarge) const {
    *tooLarge = false;
    const auto data = s_.prefs.get(settings::workspaceSlot(slot));
    if (!data) return std::nullopt;
    // An oversized slot (edited by hand) is refused on its size, before it is parsed.
    if (data->size() > kMaxSlotBytes) {
        *tooLarge = true;
        return std::nullopt;
    }
    return decodeSavedWindows(*data, kMaxWindows, tooLarge);
}

void Workspaces::save(int slot) {
    if (!s_.ax.guard(s_.hud, s_.l10n)) return;
    std::vector<SavedWindow> saved;
    const ReadBatch batch(s_.ax.server());
    const std::vector<VisibleWindow> windows = s_.ax.orderedVisibleWindows();
    // Every running application asked for at once: asking process by process reads the
    // desktop again for each.
    std::map<int32_t, RunningApplication> apps;
    if (!windows.empty()) {
        for (RunningApplication& app : s_.apps.runningApplications())
            apps.emplace(app.pid, std::move(app));
    }
    for (const VisibleWindow& visible : windows) {
        const auto found = apps.find(visible.window.pid());
        if (found == apps.end()) continue;
        const RunningApplication* app = &found->second;
        // Without an identifier there is nothing to find or start the application by later.
        const auto bundleID = nonEmpty(app->identifier);
        if (!bundleID) continue;
        saved.push_back({*bundleID, nonEmpty(app->name).value_or(*bundleID),
                         visible.window.title().value_or(QString()), visible.frame});
    }
    if (saved.empty()) {
        say(s_.l10n.t(QStringLiteral("hud_ws_nothing_to_save")));
        return;
    }
    // Restoring would refuse it: the slot keeps the windows it can bring back.
    if (saved.size() > kMaxWindows) {
        say(s_.l10n.format(QStringLiteral("hud_ws_too_many_to_save"), {slot, qint64(kMaxWindows)}));
        return;
    }
    const auto data = encodeSavedWindows(saved);
    // A slot that was not written keeps its old windows: saying "guardada" would have the
    // user trust a snapshot that is not there.
    if (!data || !s_.prefs.set(settings::workspaceSlot(slot), *data)) {
        say(s_.l10n.format(QStringLiteral("hud_ws_save_failed"), {slot}));
        return;
    }
    say(s_.l10n.format(QStringLiteral("hud_ws_saved"), {slot, qint64(saved.size())}));
}

void Workspaces::restore(int slot) {
    if (!s_.ax.guard(s_.hud, s_.l10n)) return;
    bool tooLarge = false;
    const auto saved = read(slot, &tooLarge);
    if (tooLarge) {
        say(s_.l10n.format(QStringLiteral("hud_ws_too_large"), {slot, qint64(kMaxWindows)}));
        return;
    }
    if (!saved || saved->empty()) {
        say(s_.l10n.format(QStringLiteral("hud_ws_empty"), {slot}));
        return;
    }

    bool launched = false;
    // What runs is asked once: starting one application does not make another one run.
    std::set<QString> seen;
    for (const RunningApplication& app : s_.apps.runningApplications()) {
        if (app.identifier) seen.insert(*app.identifier);
    }
    for (const SavedWindow& window : *saved) {
        if (!seen.insert(window.bundleID).second) continue;
        // Not installed: its windows are skipped when placing.
        const auto location = s_.apps.applicationLocation(window.bundleID);
        if (!location) continue;
        // Asked to start is enough to wait for it: the start reports nothing back here.
        s_.apps.launchApplication(*location);
        launched = true;
    }
    if (!launched) {
        place(*saved, slot);
        return;
    }
    say(s_.l10n.format(QStringLiteral("hud_ws_opening_apps"), {slot}));
    // A fixed wait, not a watch: windows that are not open by then stay where they are.
    timers_.after(kLaunchWait, [this, windows = *saved, slot] { place(windows, slot); });
}

namespace {

// The open windows of one application that restoring may still use: those of all its
// processes, in the order they started and each lists its windows. Taking a window is
// amortised constant time: the first unused window, and the first unused one of each title,
// are kept track of, so used windows are stepped over once rather than for every saved one.
class Candidates {
  public:
    void add(const AXWindow& window, const std::optional<QString>& title) {
        if (title) byTitle_[*title].push_back(windows_.size());
        windows_.push_back(window);
    }

    // The first window not yet used whose title reads exactly `title`, else the first window
    // not yet used; nothing when every window is used. `used` is shared by all applications.
    std::optional<AXWindow> take(const QString& title,
                                 std::set<std::pair<int32_t, uint64_t>>& used) {
        const auto isUsed = [&](size_t i) {
            return used.count({windows_[i].ref().pid, windows_[i].ref().id}) > 0;
        };
        std::optional<size_t> chosen;
        if (auto it = byTitle_.find(title); it != byTitle_.end()) {
            std::deque<size_t>& same = it->second;
            while (!same.empty() && isUsed(same.front())) same.pop_front();
            if (!same.empty()) chosen = same.front();
        }
        if (!chosen) {
            while (first_ < windows_.size() && isUsed(first_)) ++first_;
            if (first_ < windows_.size()) chosen = first_;
        }
        if (!chosen) return std::nullopt;
        const AXWindow& window = windows_[*chosen];
        used.insert({window.ref().pid, window.ref().id});
        return window;
    }

  private:
    std::vector<AXWindow> windows_;
    std::unordered_map<QString, std::deque<size_t>> byTitle_;
    size_t first_ = 0;  // no window before it is unused
};

}  // namespace

// One placement under way: the frames to set and the windows to raise, in the order the
// steps carry them out.
struct Workspaces::Placing {
    uint64_t number = 0;
    int slot = 0;
    std::vector<FrameRequest> frames;
    std::vector<WindowRef> placed;  // in saved order: the first ends in front
};

void Workspaces::place(const std::vector<SavedWindow>& saved, int slot) {
    auto placing = std::make_shared<Placing>();
    placing->number = ++placements_;
    placing->slot = slot;
    {
        // Every read below is of one picture of the desktop: nothing is moved until all the
        // windows are chosen.
        const ReadBatch batch(s_.ax.server());
        const std::vector<ScreenInfo> screens = s_.screens.screens();
        // The candidates of each identifier, gathered once: placing windows starts or ends no
        // application. On this desktop one application often runs as several processes under
        // the same identifier (every xterm window is a process of its own), so they are the
        // windows of all of them.
        std::map<QString, Candidates> byApp;
        std::vector<RunningApplication> running;
        bool listed = false;
        std::set<std::pair<int32_t, uint64_t>> used;
        for (const SavedWindow& window : saved) {
            const auto frame = placeable(window.frame, screens);
            if (!frame) continue;
            auto app = byApp.find(window.bundleID);
            if (app == byApp.end()) {
                if (!listed) {
                    running = s_.apps.runningApplications();
                    listed = true;
                }
                app = byApp.emplace(window.bundleID, Candidates{}).first;
                for (const RunningApplication& r : running) {
                    if (r.identifier != window.bundleID) continue;
                    for (const AXWindow& w : s_.ax.arrangeableWindows(r.pid))
                        app->second.add(w, w.title());
                }
            }
            const auto chosen = app->second.take(window.title, used);
            if (!chosen) continue;
            placing->placed.push_back(chosen->ref());
            placing->frames.push_back({chosen->ref(), *frame});
        }
    }
    placeStep(std::move(placing), 0);
}

void Workspaces::placeStep(std::shared_ptr<Placing> placing, size_t next) {
    if (placing->number != placements_) return;  // a later restore took over
    // The frames first, then the raises back to front, so the window that was frontmost
    // when saved ends in front; each step takes up to kWindowsPerStep windows of either.
    const size_t frames = placing->frames.size();
    const size_t total = 2 * frames;
    const size_t end = std::min(total, next + kWindowsPerStep);
    WindowPlan plan;
    for (size_t i = next; i < end; ++i) {
        if (i < frames)
            plan.frames.push_back(placing->frames[i]);
        else
            plan.raise.push_back(placing->placed[total - 1 - i]);
    }
    if (end == total && !placing->placed.empty()) plan.focus = placing->placed.front();
    if (!plan.empty()) s_.arranger.apply(plan);
    if (end < total) {
        timers_.after(0, [this, placing = std::move(placing), end] { placeStep(placing, end); });
        return;
    }
    say(s_.l10n.format(QStringLiteral("hud_ws_restored"),
                       {placing->slot, qint64(placing->placed.size())}));
}

std::optional<Rect> Workspaces::placeable(const Rect& frame,
                                          const std::vector<ScreenInfo>& screens) {
    for (const double v : {frame.x, frame.y, frame.width, frame.height}) {
        if (!std::isfinite(v)) return std::nullopt;
    }
    if (frame.isEmpty()) return std::nullopt;
    std::optional<Rect> best;
    double bestArea = 0;
    for (const ScreenInfo& screen : screens) {
        const Rect overlap = screen.frame.intersected(frame);
        const double area = overlap.width * overlap.height;
        if (overlap.isEmpty() || area <= bestArea) continue;
        bestArea = area;
        best = screen.frame;
    }
    if (!best) return std::nullopt;
    // A frame no larger than its screen stays exactly as saved, even partly off it, as the
    // user left it; a larger one (in either direction) would reach far past every screen.
    if (frame.width <= best->width && frame.height <= best->height) return frame;
    return best->intersected(frame);
}

}  // namespace quenda
