#pragma once

#include <map>
#include <tuple>

#include "platform/ports/Clock.h"

namespace quenda {

// A clock that only moves when a test advances it, so every delay is checked exactly and a
// three-second wait costs no time. Tasks due at the same moment run in the order scheduled.
class VirtualClock final : public Clock {
  public:
    double now() override { return now_; }
    void after(double seconds, Task task) override;
    TimerId every(double seconds, Task task) override;
    void cancel(TimerId timer) override;

    // Moves time forward, running every task that falls due on the way, at its own time.
    void advance(double seconds);
    // Runs the tasks due now (a zero-delay `after`).
    void runDue() { advance(0); }
    size_t pending() const { return queue_.size(); }

  private:
    struct Entry {
        Task task;
        double interval;  // 0 for one-shot tasks
        TimerId id;
    };
    void schedule(double at, Entry entry);

    double now_ = 0;
    uint64_t sequence_ = 0;
    TimerId nextId_ = 1;
    std::map<std::tuple<double, uint64_t>, Entry> queue_;
};

}  // namespace quenda
