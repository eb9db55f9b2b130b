#pragma once

#include "platform/ports/FocusWatch.h"

namespace quenda {

// The focus watch of the simulated desktop: tests fire its events by hand and read what the
// watcher asked to follow.
class SimFocusWatch final : public FocusWatch {
  public:
    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    void followPointer(bool on) override { followingPointer = on; }
    void watchPresses(bool on) override { watchingPresses = on; }

    void change() {
        if (handlers_.changed) handlers_.changed();
    }
    // Delivered only while asked for, as the desktop would.
    void movePointer() {
        if (followingPointer && handlers_.pointerMoved) handlers_.pointerMoved();
    }
    void press() {
        if (watchingPresses && handlers_.pressed) handlers_.pressed();
    }

    bool followingPointer = false;
    bool watchingPresses = false;

  private:
    Handlers handlers_;
};

}  // namespace quenda
