#include "core/Arranger.h"

#include <memory>

namespace quenda {

void Arranger::apply(const WindowPlan& plan, std::function<void()> done) {
    if (plan.tiled) lastTiled_ = *plan.tiled;
    if (plan.raiseInterval > 0 && !plan.raise.empty()) {
        step(std::make_shared<const WindowPlan>(plan), 0, std::move(done));
        return;
    }
    if (!plan.empty()) server_.apply(plan);
    if (done) done();
}

// Step i raises the plan's i-th window (the first step also restores and moves); the step
// past the last raise only reports the plan done.
void Arranger::step(std::shared_ptr<const WindowPlan> plan, size_t i, std::function<void()> done) {
    if (i >= plan->raise.size()) {
        if (done) done();
        return;
    }
    WindowPlan now;
    if (i == 0) {
        now.restore = plan->restore;
        now.frames = plan->frames;
    }
    now.raise = {plan->raise[i]};
    if (i + 1 == plan->raise.size()) now.focus = plan->focus;
    server_.apply(now);
    timers_.after(plan->raiseInterval, [this, plan, i, done = std::move(done)]() mutable {
        step(std::move(plan), i + 1, std::move(done));
    });
}

}  // namespace quenda
