#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "core/AXWindow.h"

namespace quenda {

// One destination window of the bridge, with the text the user sees for it.
struct Dest {
    AXWindow window;
    int32_t pid;
    QString label;
    friend bool operator==(const Dest& a, const Dest& b) { return a.window == b.window; }
};

// The bridge's model: the marked target, the window that last sent to it, and the
// broadcast group. The sending commands build on it.
class Relay {
  public:
    std::optional<Dest> target;
    std::optional<Dest> lastSource;
    std::vector<Dest> group;

    void clearTarget() {
        target.reset();
        lastSource.reset();
    }
    void removeFromGroup(int index) {
        if (index >= 0 && index < static_cast<int>(group.size()))
            group.erase(group.begin() + index);
    }
};

}  // namespace quenda
