#include "core/ScreenGeo.h"

namespace quenda {

namespace {
// Whether the pointer is on a screen: the left and top edges count, the right and bottom
// ones belong to the neighbour.
bool mouseInRect(const Point& p, const Rect& r) {
    return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}
}  // namespace

std::optional<ScreenInfo> ScreenGeo::screen(const Rect& windowRect) const {
    return screen(windowRect, screens_.screens());
}

std::optional<ScreenInfo> ScreenGeo::screen(const Rect& windowRect,
                                            const std::vector<ScreenInfo>& screens) {
    const Rect& target = windowRect;
    std::optional<ScreenInfo> best;
    double bestScore = 0;
    for (const ScreenInfo& s : screens) {
        const Rect overlap = s.frame.intersected(target);
        const double score = overlap.width * overlap.height;
        if (score > bestScore) {
            bestScore = score;
            best = s;
        }
    }
    return best;
}

std::optional<ScreenInfo> ScreenGeo::screenUnderMouse() const {
    const Point p = screens_.pointerLocation();
    for (const ScreenInfo& s : screens_.screens()) {
        if (mouseInRect(p, s.frame)) return s;
    }
    return screens_.mainScreen();
}

Rect ScreenGeo::usableFrame(const ScreenInfo& screen) const {
    Rect visible = screen.visibleFrame;
    if (prefs_.get(settings::stageManagerInset)) {
        visible.x += kStageStripWidth;
        visible.width -= kStageStripWidth;
    }
    return visible;
}

Rect ScreenGeo::place(const Rect& unit, const Rect& area, double gap) {
    const double h = gap / 2;
    const Rect inner = area.insetBy(h, h);
    const Rect cell =
        Rect{inner.minX() + unit.x * inner.width, inner.minY() + unit.y * inner.height,
             unit.width * inner.width, unit.height * inner.height}
            .insetBy(h, h);
    return {roundHalfAway(cell.x), roundHalfAway(cell.y), roundHalfAway(cell.width),
            roundHalfAway(cell.height)};
}

}  // namespace quenda
