#pragma once

#include <algorithm>
#include <cmath>
#include <compare>

namespace quenda {

// Points, sizes and rectangles in pixels. Screens, windows and the pointer share one
// coordinate system: the primary monitor's top-left corner is the origin, y grows downwards.
struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    bool isEmpty() const { return width <= 0 || height <= 0; }

    Rect insetBy(double dx, double dy) const {
        return {x + dx, y + dy, width - 2 * dx, height - 2 * dy};
    }

    // The overlap of two rectangles; empty (all zero) when they do not overlap.
    Rect intersected(const Rect& o) const {
        const double left = std::max(minX(), o.minX());
        const double right = std::min(maxX(), o.maxX());
        const double top = std::max(minY(), o.minY());
        const double bottom = std::min(maxY(), o.maxY());
        if (right <= left || bottom <= top) return {};
        return {left, top, right - left, bottom - top};
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// Width over height, a height of 1 or less taken as 1: a collapsed or empty area still has
// a finite shape, as wide as its width.
inline double aspectRatio(double width, double height) {
    return width / (height <= 1 ? 1 : height);
}
inline double aspectRatio(const Rect& r) {
    return aspectRatio(r.width, r.height);
}

// Half away from zero, as every placement in the program rounds.
inline double roundHalfAway(double v) {
    return std::round(v);
}

}  // namespace quenda
