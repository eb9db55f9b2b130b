#include "workspaces/Workspaces.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace quenda {

namespace {
// An identifier or name that is present but empty tells as little as an absent one.
std::optional<QString> nonEmpty(const std::optional<QString>& text) {
    if (!text || text->isEmpty()) return std::nullopt;
    return text;
}
}  // namespace

std::optional<std::vector<SavedWindow>> Workspaces::load(int slot) const {
    const auto data = s_.prefs.get(settings::workspaceSlot(slot));
    if (!data) return std::nullopt;
    return decodeSavedWindows(*data);
}

void Workspaces::save(int slot) {
    if (!s_.ax.guard(s_.hud, s_.l10n)) return;
    std::vector<SavedWindow> saved;
    const ReadBatch batch(s_.ax.server());
    std::map<int32_t, std::optional<RunningApplication>> apps;  // asked once per process
    for (const VisibleWindow& visible : s_.ax.orderedVisibleWindows()) {
        const int32_t pid = visible.window.pid();
        if (!apps.count(pid)) apps[pid] = s_.apps.application(pid);
        const auto& app = apps[pid];
        if (!app) continue;
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
    const auto saved = load(slot);
    if (!saved || saved->empty()) {
        say(s_.l10n.format(QStringLiteral("hud_ws_empty"), {slot}));
        return;
    }

    bool launched = false;
    std::set<QString> seen;
    for (const SavedWindow& window : *saved) {
        if (!seen.insert(window.bundleID).second) continue;
        if (!s_.apps.runningApplicationsWithIdentifier(window.bundleID).empty()) continue;
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

void Workspaces::place(const std::vector<SavedWindow>& saved, int slot) {
    std::vector<AXWindow> placed;
    WindowPlan plan;
    // The running applications of each identifier, asked once: placing windows starts or
    // ends none.
    std::map<QString, std::vector<RunningApplication>> running;
    for (const SavedWindow& window : saved) {
        const auto frame = placeable(window.frame);
        if (!frame) continue;
        // On this desktop one application often runs as several processes under the same
        // identifier (every xterm window is a process of its own), so the candidates are
        // the windows of all of them, in the order they started.
        std::vector<AXWindow> candidates;
        const ReadBatch batch(s_.ax.server());  // the candidates' reads share one pass
        if (!running.count(window.bundleID))
            running[window.bundleID] = s_.apps.runningApplicationsWithIdentifier(window.bundleID);
        for (const RunningApplication& app : running[window.bundleID]) {
            for (const AXWindow& w : s_.ax.arrangeableWindows(app.pid)) {
                if (std::find(placed.begin(), placed.end(), w) != placed.end()) continue;
                candidates.push_back(w);
            }
        }
        if (candidates.empty()) continue;
        auto chosen = std::find_if(candidates.begin(), candidates.end(),
                                   [&](const AXWindow& w) { return w.title() == window.title; });
        if (chosen == candidates.end()) chosen = candidates.begin();
        placed.push_back(*chosen);
        plan.frames.push_back({chosen->ref(), *frame});
    }

    if (!placed.empty()) {
        // Back to front, so the window that was frontmost when saved ends in front.
        for (auto it = placed.rbegin(); it != placed.rend(); ++it) plan.raise.push_back(it->ref());
        plan.focus = placed.front().ref();
        s_.arranger.apply(plan);
    }
    say(s_.l10n.format(QStringLiteral("hud_ws_restored"), {slot, qint64(placed.size())}));
}

std::optional<Rect> Workspaces::placeable(const Rect& frame) const {
    for (const double v : {frame.x, frame.y, frame.width, frame.height}) {
        if (!std::isfinite(v)) return std::nullopt;
    }
    if (frame.isEmpty()) return std::nullopt;
    std::optional<Rect> best;
    double bestArea = 0;
    for (const ScreenInfo& screen : s_.screens.screens()) {
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
