#pragma once

#include <functional>

namespace quenda {

// Where the desktop tells the program that the user's active window changed.
class ActiveWindowEvents {
  public:
    virtual ~ActiveWindowEvents() = default;
    // `changed` runs on the main thread after every change of the active window.
    virtual void setActiveWindowHandler(std::function<void()> changed) = 0;
};

}  // namespace quenda
