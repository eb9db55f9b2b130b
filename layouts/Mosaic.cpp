#include <algorithm>

#include "layouts/WindowManager.h"

namespace quenda {

std::vector<AXWindow> WindowManager::lastTiled() const {
    std::vector<AXWindow> windows;
    for (const WindowRef& ref : s_.arranger.lastTiled()) windows.emplace_back(s_.ax.server(), ref);
    return windows;
}

std::vector<VisibleWindow> WindowManager::liveTiled() const {
    const ReadBatch batch(s_.ax.server());
    std::vector<VisibleWindow> live;
    for (const AXWindow& w : lastTiled()) {
        if (const auto frame = w.frame()) live.push_back({w, *frame});
    }
    return live;
}

// Every window moves one slot on, taking the frame the next one has now, so sizes the
// adaptive pass corrected travel with their slot.
void WindowManager::rotate() {
    if (!s_.ax.guard(s_.hud, s_.l10n)) return;
    const std::vector<VisibleWindow> live = liveTiled();
    if (live.size() < 2) {
        say(text(QStringLiteral("hud_rotate_empty")));
        return;
    }
    WindowPlan plan{.tiled = std::vector<WindowRef>{}};
    for (size_t i = 0; i < live.size(); ++i)
        plan.frames.push_back({live[i].window.ref(), live[(i + 1) % live.size()].frame});
    // The last window takes the main slot.
    plan.tiled->push_back(live.back().window.ref());
    for (size_t i = 0; i + 1 < live.size(); ++i) plan.tiled->push_back(live[i].window.ref());
    s_.arranger.apply(plan);
    say(text(QStringLiteral("hud_rotated")));
}

void WindowManager::promoteFocused() {
    if (!s_.ax.guard(s_.hud, s_.l10n)) return;
    const auto focused = s_.ax.focusedWindow();
    if (!focused) return;
    const std::vector<VisibleWindow> live = liveTiled();
    const auto it = std::find_if(live.begin(), live.end(),
                                 [&](const VisibleWindow& v) { return v.window == *focused; });
    if (live.size() < 2 || it == live.end()) {
        say(text(QStringLiteral("hud_promote_missing")));
        return;
    }
    const size_t k = static_cast<size_t>(it - live.begin());
    if (k == 0) return;
    WindowPlan plan{
        .frames = {{live[k].window.ref(), live[0].frame}, {live[0].window.ref(), live[k].frame}},
        .tiled = std::vector<WindowRef>{}};
    for (const VisibleWindow& v : live) plan.tiled->push_back(v.window.ref());
    std::swap(plan.tiled->front(), (*plan.tiled)[k]);
    s_.arranger.apply(plan);
    say(text(QStringLiteral("hud_promoted")));
}

}  // namespace quenda
