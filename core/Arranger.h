#pragma once

#include <functional>
#include <vector>

#include "platform/ports/Clock.h"
#include "platform/ports/WindowPlan.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// Carries out the plans that commands compute, and remembers the last tiling. A plan with a
// raise interval is handed to the desktop a step at a time: the restores, frames and first
// raise at once, each further raise `raiseInterval` seconds after the one before, the focus
// with the last raise. Steps already scheduled run even when another plan follows.
class Arranger {
  public:
    Arranger(WindowServer& server, Clock& clock) : server_(server), timers_(clock) {}

    // `done` runs once the plan is carried out: at once for a plan without steps, else one
    // interval after the last raise.
    void apply(const WindowPlan& plan, std::function<void()> done = {});

    // The windows of the last applied plan that was a tiling, in slot order.
    const std::vector<WindowRef>& lastTiled() const { return lastTiled_; }

  private:
    void step(std::shared_ptr<const WindowPlan> plan, size_t i, std::function<void()> done);

    WindowServer& server_;
    std::vector<WindowRef> lastTiled_;
    OwnedTimers timers_;
};

}  // namespace quenda
