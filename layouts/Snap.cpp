#include "layouts/Snap.h"

namespace quenda {

QString rawValue(Snap snap) {
    switch (snap) {
        case Snap::left:
            return QStringLiteral("left");
        case Snap::right:
            return QStringLiteral("right");
        case Snap::top:
            return QStringLiteral("top");
        case Snap::bottom:
            return QStringLiteral("bottom");
        case Snap::maximize:
            return QStringLiteral("maximize");
        case Snap::center:
            return QStringLiteral("center");
    }
    return {};
}

Rect snapUnit(Snap snap, double f) {
    switch (snap) {
        case Snap::left:
            return {0, 0, f, 1};
        case Snap::right:
            return {1 - f, 0, f, 1};
        case Snap::top:
            return {0, 0, 1, f};
        case Snap::bottom:
            return {0, 1 - f, 1, f};
        case Snap::maximize:
            return {0, 0, 1, 1};
        case Snap::center:
            return {0.15, 0.08, 0.7, 0.84};
    }
    return {};
}

}  // namespace quenda
