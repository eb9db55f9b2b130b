#pragma once

// Readable failure messages for the hot key types.
#include <ostream>

#include "hotkeys/HotKeyAction.h"
#include "platform/sim/SimHotKeyRegistrar.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
inline void PrintTo(HotKeyAction a, std::ostream* os) {
    *os << rawValue(a).toStdString();
}
inline void PrintTo(const KeyCombo& c, std::ostream* os) {
    *os << c.symbolString().toStdString() << " (" << c.keyCode << ", " << c.carbonModifiers << ")";
}
inline void PrintTo(const SimHotKeyRegistrar::Registration& r, std::ostream* os) {
    const KeyModifiers& m = r.modifiers;
    *os << "{key " << r.keyCode << ", mods " << (m.control ? "C" : "") << (m.alt ? "A" : "")
        << (m.shift ? "S" : "") << (m.super ? "M" : "") << ", id " << r.id << "}";
}
}  // namespace quenda
