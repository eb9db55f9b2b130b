#pragma once

#include <cstdint>
#include <functional>

namespace quenda {

// Where the desktop tells the program that the user's active window changed.
class ActiveWindowEvents {
  public:
    virtual ~ActiveWindowEvents() = default;
    // `changed` runs on the main thread after every change of the active window, with the
    // window's id (0 for none). Nothing else is read for it.
    virtual void setActiveWindowHandler(std::function<void(uint64_t window)> changed) = 0;
};

}  // namespace quenda
