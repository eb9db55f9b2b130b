#include "workspaces/Workspaces.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/WindowFocus.h"

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
    if (!s_.ax.ensureTrusted()) {
        say(QString::fromUtf8(kTrustMessage));
        return;
    }
    std::vector<SavedWindow> saved;
    const ReadBatch batch(s_.ax.server());
    std::map<int32_t, std::optional<RunningApplication>> apps;  // asked once per process
    for (const VisibleWindow& visible : s_.ax.orderedVisibleWindows()) {
        const int32_t pid = visible.window.pid();
        if (!apps.count(pid)) apps[pid] = s_.apps.application(pid);
        const auto& app = apps[pid];
        if (!app) continue;
        // Without an identifier there is nothing to find or start the application by later.
        const auto bundleID = nonEmpty(app->bundleIdentifier);
        if (!bundleID) continue;
        saved.push_back({*bundleID, nonEmpty(app->localizedName).value_or(*bundleID),
                         visible.window.title().value_or(QString()), visible.frame});
    }
    if (saved.empty()) {
        say(QStringLiteral("No hay ventanas visibles para guardar"));
        return;
    }
    const auto data = encodeSavedWindows(saved);
    // A slot that was not written keeps its old windows: saying "guardada" would have the
    // user trust a snapshot that is not there.
    if (!data || !s_.prefs.set(settings::workspaceSlot(slot), *data)) {
        say(QStringLiteral("No se pudo guardar la distribución %1").arg(slot));
        return;
    }
    say(QStringLiteral("💾 Distribución %1 guardada (%2 ventanas)").arg(slot).arg(saved.size()));
}

void Workspaces::restore(int slot) {
    if (!s_.ax.ensureTrusted()) {
        say(QString::fromUtf8(kTrustMessage));
        return;
    }
    const auto saved = load(slot);
    if (!saved || saved->empty()) {
        say(QStringLiteral("La distribución %1 está vacía. Guárdala desde el menú").arg(slot));
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
    say(QStringLiteral("Abriendo apps de la distribución %1…").arg(slot));
    // A fixed wait, not a watch: windows that are not open by then stay where they are.
    std::weak_ptr<char> alive = alive_;
    s_.clock.after(kLaunchWait, [this, alive, windows = *saved, slot] {
        if (alive.lock()) place(windows, slot);
    });
}

void Workspaces::place(const std::vector<SavedWindow>& saved, int slot) {
    std::vector<AXWindow> placed;
    // The running applications of each identifier, asked once: placing windows starts or
    // ends none.
    std::map<QString, std::vector<RunningApplication>> running;
    for (const SavedWindow& window : saved) {
        if (!isOnSomeScreen(window.frame)) continue;
        // On this desktop one application often runs as several processes under the same
        // identifier (every xterm window is a process of its own), so the candidates are
        // the windows of all of them, in the order they started.
        std::vector<AXWindow> candidates;
        const ReadBatch batch(s_.ax.server());  // the candidates' reads share one pass
        if (!running.count(window.bundleID))
            running[window.bundleID] = s_.apps.runningApplicationsWithIdentifier(window.bundleID);
        for (const RunningApplication& app : running[window.bundleID]) {
            for (const AXWindow& w : s_.ax.windows(app.pid)) {
                if (w.subrole() != QLatin1String(attr::StandardWindow.data())) continue;
                if (w.isMinimized()) continue;
                if (std::find(placed.begin(), placed.end(), w) != placed.end()) continue;
                candidates.push_back(w);
            }
        }
        if (candidates.empty()) continue;
        auto chosen = std::find_if(candidates.begin(), candidates.end(),
                                   [&](const AXWindow& w) { return w.title() == window.title; });
        if (chosen == candidates.end()) chosen = candidates.begin();
        placed.push_back(*chosen);
        chosen->setFrame(window.frame);
    }

    if (!placed.empty()) {
        // Back to front, so the window that was frontmost when saved ends in front.
        for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
            it->raise();
            it->makeMain();
        }
        bringToFront(s_.apps, s_.ax.server(), placed.front());
    }
    say(QStringLiteral("Distribución %1 restaurada (%2 ventanas)").arg(slot).arg(placed.size()));
}

bool Workspaces::isOnSomeScreen(const Rect& frame) const {
    const Rect target = s_.geo.toCocoa(frame);
    const auto screens = s_.screens.screens();
    return std::any_of(screens.begin(), screens.end(), [&](const ScreenInfo& screen) {
        return !screen.frame.intersected(target).isEmpty();
    });
}

}  // namespace quenda
