#include "platform/x11/Struts.h"

#include <algorithm>

namespace quenda::x11 {

std::optional<Strut> strutFrom(const std::vector<uint32_t>& partial,
                               const std::vector<uint32_t>& plain, const Size& root) {
    const auto d = [](uint32_t v) { return double(v); };
    if (partial.size() >= 12) {
        const auto& s = partial;
        return Strut{d(s[0]), d(s[1]), d(s[2]), d(s[3]), d(s[4]),  d(s[5]),
                     d(s[6]), d(s[7]), d(s[8]), d(s[9]), d(s[10]), d(s[11])};
    }
    if (plain.size() >= 4) {
        const double lastX = root.width - 1, lastY = root.height - 1;
        return Strut{d(plain[0]), d(plain[1]), d(plain[2]), d(plain[3]), 0, lastY,
                     0,           lastY,       0,           lastX,       0, lastX};
    }
    return std::nullopt;
}

Rect visibleArea(const Rect& monitor, const std::vector<Strut>& struts, const Size& root) {
    double left = monitor.minX(), right = monitor.maxX();
    double top = monitor.minY(), bottom = monitor.maxY();
    const auto reaches = [&](const Rect& r) { return !r.intersected(monitor).isEmpty(); };
    for (const Strut& s : struts) {
        // Each reserved band as a rectangle of the root; the end of a span is included.
        const Rect l{0, s.leftStartY, s.left, s.leftEndY - s.leftStartY + 1};
        const Rect r{root.width - s.right, s.rightStartY, s.right, s.rightEndY - s.rightStartY + 1};
        const Rect t{s.topStartX, 0, s.topEndX - s.topStartX + 1, s.top};
        const Rect b{s.bottomStartX, root.height - s.bottom, s.bottomEndX - s.bottomStartX + 1,
                     s.bottom};
        if (s.left > 0 && reaches(l)) left = std::max(left, l.maxX());
        if (s.right > 0 && reaches(r)) right = std::min(right, r.minX());
        if (s.top > 0 && reaches(t)) top = std::max(top, t.maxY());
        if (s.bottom > 0 && reaches(b)) bottom = std::min(bottom, b.minY());
    }
    return {left, top, std::max(0.0, right - left), std::max(0.0, bottom - top)};
}

}  // namespace quenda::x11
