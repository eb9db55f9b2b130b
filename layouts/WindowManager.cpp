#include "layouts/WindowManager.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quenda {

namespace {
constexpr std::array kSnapFractions{1.0 / 2, 1.0 / 3, 2.0 / 3};
}

std::optional<WindowManager::Focused> WindowManager::commonStart() {
    if (!s_.ax.guard(s_.hud, s_.l10n)) return std::nullopt;
    const auto window = s_.ax.focusedWindow();
    if (!window) return std::nullopt;
    const auto frame = window->frame();
    if (!frame) return std::nullopt;
    return Focused{*window, *frame};
}

void WindowManager::place(const AXWindow& window, const Rect& frame) {
    s_.arranger.apply(WindowPlan{.frames = {{window.ref(), frame}}});
}

QString WindowManager::text(const QString& key, const QVariantList& args) const {
    return s_.l10n.format(key, args);
}

std::optional<ScreenInfo> WindowManager::screenFor(const Rect& frame) {
    if (auto screen = s_.geo.screen(frame)) return screen;
    return s_.screens.mainScreen();
}

void WindowManager::snap(Snap snap) {
    const auto focused = commonStart();
    if (!focused) return;
    const auto screen = screenFor(focused->frame);
    if (!screen) return;
    const Rect area = s_.geo.usableFrame(*screen);

    // Repeating a snap within two seconds of the previous one steps through the sizes; any
    // other snap in between starts over.
    const double now = s_.clock.now();
    int index = 0;
    if (lastSnap_ && lastSnap_->snap == snap && now - lastSnap_->time < kRepeatWindow) {
        index = (lastSnap_->index + 1) % static_cast<int>(kSnapFractions.size());
    }
    lastSnap_ = LastSnap{snap, index, now};

    const Rect unit = snapUnit(snap, kSnapFractions[index]);
    place(focused->window, ScreenGeo::place(unit, area, s_.prefs.get(settings::gap)));
}

void WindowManager::toggleMaximizeCenter() {
    const auto focused = commonStart();
    if (!focused) return;
    const auto screen = screenFor(focused->frame);
    if (!screen) return;
    const Rect max =
        ScreenGeo::place({0, 0, 1, 1}, s_.geo.usableFrame(*screen), s_.prefs.get(settings::gap));
    const Rect& f = focused->frame;
    const bool maximised = std::abs(f.x - max.x) <= kToggleTolerance &&
                           std::abs(f.y - max.y) <= kToggleTolerance &&
                           std::abs(f.width - max.width) <= kToggleTolerance &&
                           std::abs(f.height - max.height) <= kToggleTolerance;
    if (maximised) {
        snap(Snap::center);
        s_.hud.show(text(QStringLiteral("hud_centered")), kMessageDuration);
    } else {
        snap(Snap::maximize);
        s_.hud.show(text(QStringLiteral("hud_maximized")), kMessageDuration);
    }
}

void WindowManager::moveToNextScreen() {
    const auto focused = commonStart();
    if (!focused) return;
    const auto screens = s_.screens.screens();
    if (screens.size() <= 1) {
        s_.hud.show(text(QStringLiteral("hud_single_screen")), kMessageDuration);
        return;
    }
    const ScreenInfo current = s_.geo.screen(focused->frame).value_or(screens.front());
    size_t i = 0;
    for (size_t k = 0; k < screens.size(); ++k) {
        if (ScreenGeo::id(screens[k]) == ScreenGeo::id(current)) {
            i = k;
            break;
        }
    }
    const ScreenInfo& next = screens[(i + 1) % screens.size()];
    const Rect from = s_.geo.usableFrame(current);
    const Rect to = s_.geo.usableFrame(next);
    const Rect& w = focused->frame;

    const double rw = std::clamp(w.width / from.width, 0.0, 1.0);
    const double rh = std::clamp(w.height / from.height, 0.0, 1.0);
    const double rx = std::min(std::clamp((w.x - from.x) / from.width, 0.0, 1.0), 1 - rw);
    const double ry = std::min(std::clamp((w.y - from.y) / from.height, 0.0, 1.0), 1 - rh);
    place(focused->window,
          {to.x + rx * to.width, to.y + ry * to.height, rw * to.width, rh * to.height});
}

}  // namespace quenda
