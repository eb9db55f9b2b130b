#include <algorithm>
#include <cmath>

#include "layouts/WindowManager.h"

namespace quenda {

// The focused window's screen when its frame reads, else the one under the pointer.
std::optional<ScreenInfo> WindowManager::tileScreen() {
    if (const auto focused = s_.ax.focusedWindow()) {
        if (const auto frame = focused->frame()) {
            if (auto screen = s_.geo.screen(*frame)) return screen;
        }
    }
    return s_.geo.screenUnderMouse();
}

void WindowManager::tile(Layout layout) {
    if (!s_.ax.guard(s_.hud, s_.l10n)) return;
    const auto screen = tileScreen();
    if (!screen) return;
    const Rect usable = s_.geo.usableFrame(*screen);
    const uint32_t targetID = ScreenGeo::id(*screen);

    std::vector<AXWindow> windows;
    const bool everyScreen = s_.prefs.get(settings::includeOtherScreens);
    const auto screens = s_.screens.screens();  // read once for every window of this command
    for (const VisibleWindow& v : s_.ax.orderedVisibleWindows()) {
        if (!everyScreen) {
            const auto own = ScreenGeo::screen(v.frame, screens);
            if (!own || ScreenGeo::id(*own) != targetID) continue;
        }
        windows.push_back(v.window);
    }

    // The focused window takes the main place; the others keep their front-to-back order.
    if (const auto focused = s_.ax.focusedWindow()) {
        const auto it = std::find(windows.begin(), windows.end(), *focused);
        if (it != windows.end() && it != windows.begin()) std::rotate(windows.begin(), it, it + 1);
    }
    if (windows.size() > static_cast<size_t>(maxWindows(layout)))
        windows.erase(windows.begin() + maxWindows(layout), windows.end());
    if (windows.empty()) {
        say(text(QStringLiteral("hud_nothing_to_tile")));
        return;
    }

    const int n = static_cast<int>(windows.size());
    const double aspect = aspectRatio(usable);
    const auto cells = units(layout, n, aspect);
    const size_t pairs = std::min(windows.size(), cells.size());
    std::vector<TileSlot> placed;
    WindowPlan plan{.tiled = std::vector<WindowRef>{}};
    for (size_t i = 0; i < pairs; ++i) {
        const Rect target = ScreenGeo::place(cells[i], usable, s_.prefs.get(settings::gap));
        plan.frames.push_back({windows[i].ref(), target});
        plan.tiled->push_back(windows[i].ref());
        placed.push_back({windows[i], cells[i], target, target.width});
    }
    s_.arranger.apply(plan);

    say(s_.l10n.plural(QStringLiteral("hud_tiled"), static_cast<qint64>(pairs),
                       {text(titleKey(layout)), static_cast<qint64>(pairs)}));
    scheduleAdaptiveWidthPass(std::move(placed), usable);
}

void WindowManager::scheduleAdaptiveWidthPass(std::vector<TileSlot> placed, const Rect& usable) {
    if (placed.size() < 2) return;
    scheduleAdaptivePass(std::move(placed), usable, 0);
}

void WindowManager::scheduleAdaptivePass(std::vector<TileSlot> placed, const Rect& usable,
                                         int attempt) {
    timers_.after(kAdaptiveDelay, [this, placed = std::move(placed), usable, attempt] {
        adaptiveWidthPass(placed, usable, attempt);
    });
}

// Windows that kept their own width (more than 16 points off) stay as they are; the other
// windows of their row share what is left, so the row again fills the area with even gaps.
void WindowManager::adaptiveWidthPass(std::vector<TileSlot> placed, const Rect& usable,
                                      int attempt) {
    if (attempt >= kAdaptiveAttempts) return;

    std::vector<LiveSlot> live;
    {
        const ReadBatch batch(s_.ax.server());  // every slot's frame from one reading
        for (size_t i = 0; i < placed.size(); ++i) {
            const auto frame = placed[i].window.frame();
            if (!frame) continue;  // closed since the tiling
            const bool fixed =
                std::abs(frame->width - placed[i].expectedWidth) > kFixedWidthTolerance;
            live.push_back({i, placed[i], *frame, fixed});
        }
    }

    // Cells of one layout row share their unit y and height.
    std::vector<std::vector<LiveSlot>> rows;
    for (const LiveSlot& l : live) {
        auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) {
            const Rect& first = r.front().slot.unit;
            return std::abs(first.y - l.slot.unit.y) <= kRowTolerance &&
                   std::abs(first.height - l.slot.unit.height) <= kRowTolerance;
        });
        if (row == rows.end())
            rows.push_back({l});
        else
            row->push_back(l);
    }

    bool changed = false;
    WindowPlan plan;
    for (auto& row : rows) {
        if (row.size() < 2) continue;
        std::stable_sort(row.begin(), row.end(), [](const LiveSlot& a, const LiveSlot& b) {
            return a.slot.unit.x < b.slot.unit.x;
        });
        double fixedWidth = 0;
        size_t flexible = 0;
        for (const LiveSlot& m : row) {
            if (m.isFixed)
                fixedWidth += m.frame.width;
            else
                ++flexible;
        }
        if (flexible == 0 || flexible == row.size()) continue;

        const double gap = static_cast<double>(s_.prefs.get(settings::gap));
        const double free = usable.width - gap * static_cast<double>(row.size() + 1) - fixedWidth;
        if (free <= kLeastFreeWidth) continue;
        const double share = std::floor(free / static_cast<double>(flexible));
        const double rest = free - share * static_cast<double>(flexible);

        const double y = row.front().slot.target.y;
        const double height = row.front().slot.target.height;
        double x = usable.minX() + gap;
        size_t flexibleSeen = 0;
        for (const LiveSlot& m : row) {
            if (m.isFixed) {
                // It keeps the size it chose; only its place in the row changes.
                plan.frames.push_back({m.slot.window.ref(), {x, y, m.frame.width, height}, true});
                x += m.frame.width + static_cast<double>(s_.prefs.get(settings::gap));
                continue;
            }
            ++flexibleSeen;
            const double w = flexibleSeen == flexible ? share + rest : share;
            plan.frames.push_back({m.slot.window.ref(), {x, y, w, height}});
            placed[m.index].expectedWidth = w;
            changed = true;
            x += w + static_cast<double>(s_.prefs.get(settings::gap));
        }
    }

    if (!plan.empty()) s_.arranger.apply(plan);
    if (attempt == 0 && changed) scheduleAdaptivePass(std::move(placed), usable, 1);
}

}  // namespace quenda
