#pragma once

// Readable failure messages for the types tests compare.
#include <ostream>

#include <QString>

#include "core/Geometry.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace quenda {
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
inline void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
}  // namespace quenda
