#pragma once

#include <functional>

namespace quenda {

// Slow work off the main thread: `work` runs on a thread of its own, then `done` runs on the
// main thread. Nothing in `work` may touch main-thread state.
class Worker {
  public:
    virtual ~Worker() = default;
    virtual void run(std::function<void()> work, std::function<void()> done) = 0;
};

// Runs both at once, on the caller's thread: for tests and command-line use.
class InlineWorker final : public Worker {
  public:
    void run(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
};

}  // namespace quenda
