#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/Geometry.h"

namespace quenda::x11 {

// Space a panel reserves along the edges of the whole root window (not of a monitor), as
// _NET_WM_STRUT_PARTIAL gives it: a thickness per edge and the span along that edge, both
// ends included.
struct Strut {
    double left = 0, right = 0, top = 0, bottom = 0;
    double leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    double topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;
};

// The strut from _NET_WM_STRUT_PARTIAL (12 values) or else the older _NET_WM_STRUT (4 values,
// spanning whole edges); nothing when neither is there.
std::optional<Strut> strutFrom(const std::vector<uint32_t>& partial,
                               const std::vector<uint32_t>& plain, const Size& root);

// What is left of `monitor` (root coordinates) once every strut that reaches into it has
// pushed the matching edge inward.
Rect visibleArea(const Rect& monitor, const std::vector<Strut>& struts, const Size& root);

}  // namespace quenda::x11
