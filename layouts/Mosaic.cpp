#include <algorithm>

#include "layouts/WindowManager.h"

namespace quenda {

std::vector<AXWindow> WindowManager::liveTiled() const {
    std::vector<AXWindow> live;
    for (const AXWindow& w : lastTiled) {
        if (frameOf(w)) live.push_back(w);
    }
    return live;
}

// Every window moves one slot on, taking the frame the next one has now, so sizes the
// adaptive pass corrected travel with their slot.
void WindowManager::rotate() {
    if (!s_.ax.ensureTrusted()) {
        say(text(QStringLiteral("hud_ax_trust")));
        return;
    }
    std::vector<AXWindow> live = liveTiled();
    if (live.size() < 2) {
        say(text(QStringLiteral("hud_rotate_empty")));
        return;
    }
    std::vector<Rect> frames;
    for (const AXWindow& w : live) {
        if (const auto f = frameOf(w)) frames.push_back(*f);
    }
    if (!frames.empty()) {
        for (size_t i = 0; i < live.size(); ++i) live[i].setFrame(frames[(i + 1) % frames.size()]);
    }
    std::rotate(live.begin(), live.end() - 1, live.end());
    lastTiled = std::move(live);
    say(text(QStringLiteral("hud_rotated")));
}

void WindowManager::promoteFocused() {
    if (!s_.ax.ensureTrusted()) {
        say(text(QStringLiteral("hud_ax_trust")));
        return;
    }
    const auto focused = s_.ax.focusedWindow();
    if (!focused) return;
    std::vector<AXWindow> live = liveTiled();
    const auto it = std::find(live.begin(), live.end(), *focused);
    if (live.size() < 2 || it == live.end()) {
        say(text(QStringLiteral("hud_promote_missing")));
        return;
    }
    const size_t k = static_cast<size_t>(it - live.begin());
    if (k == 0) return;
    const auto mainFrame = frameOf(live[0]);
    const auto focusedFrame = frameOf(live[k]);
    if (!mainFrame || !focusedFrame) return;
    live[k].setFrame(*mainFrame);
    live[0].setFrame(*focusedFrame);
    std::swap(live[0], live[k]);
    lastTiled = std::move(live);
    say(text(QStringLiteral("hud_promoted")));
}

}  // namespace quenda
