#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QString>

#include "core/Geometry.h"

namespace quenda {

// The ten arrangements the tiling engine can put a screen's windows into, in the order they
// are listed to the user. `auto` is a C++ keyword, hence the trailing underscore; its raw
// value is still "auto".
enum class Layout {
    auto_,
    columns2,
    columns3,
    columns4,
    grid2x2,
    mainStack,
    grid3x2,
    centerSides,
    rows2,
    grid3x3,
};

inline constexpr int kLayoutCount = 10;
const std::array<Layout, kLayoutCount>& allLayouts();

// The stable text identity ("grid3x3"), and the way back; nothing for an unknown name.
QString rawValue(Layout layout);
std::optional<Layout> layoutFromRawValue(const QString& raw);

// Localisation keys of the display title ("layout_grid3x3") and short title.
QString titleKey(Layout layout);
QString shortTitleKey(Layout layout);

// How many windows a tiling with this layout takes; the rest stay where they are.
int maxWindows(Layout layout);

// Unit rectangles (fractions of the usable area, y from the top), main place first, for
// `count` windows on an area of aspect width / height. Only `auto` and `mainStack` depend
// on the count; the others give their fixed cells.
std::vector<Rect> units(Layout layout, int count, double aspect);

// The automatic choice by window count and screen shape; wide means aspect >= 2.1.
std::vector<Rect> autoUnits(int count, double aspect);
// `count` cells in rows of `cols`, left to right, top to bottom; a short last row is
// stretched to the full width. Empty for a non-positive count or column count.
std::vector<Rect> grid(int count, int cols);
// The left half, then the right half split into count - 1 equal rows.
std::vector<Rect> mainStack(int count);

inline constexpr double kWideAspect = 2.1;

}  // namespace quenda
