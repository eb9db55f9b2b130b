#pragma once

// Readable failure messages for the types tests compare.
#include <ostream>
#include <utility>

#include <QString>

#include "core/Geometry.h"
#include "platform/ports/HotKeyRegistrar.h"
#include "platform/ports/WindowPlan.h"

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
inline void PrintTo(const WindowRef& w, std::ostream* os) {
    *os << w.pid << "/0x" << std::hex << w.id << std::dec;
}
// One line a plan: "restore [..] frames [w=(x, y, w, h) ..] raise [..] focus w".
inline void PrintTo(const WindowPlan& plan, std::ostream* os) {
    const auto refs = [os](const char* name, const std::vector<WindowRef>& list) {
        *os << name << " [";
        for (const WindowRef& w : list) {
            PrintTo(w, os);
            *os << " ";
        }
        *os << "] ";
    };
    refs("restore", plan.restore);
    *os << "frames [";
    for (const FrameRequest& f : plan.frames) {
        PrintTo(f.window, os);
        *os << "=";
        PrintTo(f.frame, os);
        *os << (f.keepSize ? " moved " : " ");
    }
    *os << "] ";
    refs("raise", plan.raise);
    *os << "focus ";
    if (plan.focus)
        PrintTo(*plan.focus, os);
    else
        *os << "none";
    if (plan.raiseInterval > 0) *os << " every " << plan.raiseInterval << " s";
    if (plan.tiled) refs(" tiled", *plan.tiled);
}
// "Ctrl+Shift", or "none".
inline void PrintTo(const KeyModifiers& m, std::ostream* os) {
    const char* sep = "";
    for (auto [held, name] : {std::pair{m.control, "Ctrl"}, std::pair{m.alt, "Alt"},
                              std::pair{m.shift, "Shift"}, std::pair{m.super, "Super"}}) {
        if (!held) continue;
        *os << sep << name;
        sep = "+";
    }
    if (!*sep) *os << "none";
}
}  // namespace quenda
