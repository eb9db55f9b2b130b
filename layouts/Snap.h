#pragma once

#include <QString>

#include "core/Geometry.h"

namespace quenda {

// The six placements of a single window.
enum class Snap { left, right, top, bottom, maximize, center };

QString rawValue(Snap snap);

// The unit rectangle of a snap for the size fraction f (y from the top).
Rect snapUnit(Snap snap, double f);

}  // namespace quenda
