#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace quenda {

// Time and the main queue. Everything scheduled here runs on the main thread, one task at a
// time; delays are in seconds.
class Clock {
  public:
    using Task = std::function<void()>;
    using TimerId = uint64_t;

    virtual ~Clock() = default;
    virtual double now() = 0;
    virtual void after(double seconds, Task task) = 0;
    virtual TimerId every(double seconds, Task task) = 0;
    virtual void cancel(TimerId timer) = 0;
};

// Delayed work that belongs to an object. Kept as a member, it drops every task still
// pending when its owner goes, so a delayed step never runs on an object that is gone. The
// one way a subsystem schedules work for later.
class OwnedTimers {
  public:
    explicit OwnedTimers(Clock& clock) : clock_(clock) {}
    // A copy would share the owner's lifetime with another object.
    OwnedTimers(const OwnedTimers&) = delete;
    OwnedTimers& operator=(const OwnedTimers&) = delete;

    void after(double seconds, Clock::Task task) { clock_.after(seconds, bind(std::move(task))); }
    // The task, made to do nothing once the owner is gone: for work another object calls
    // back later.
    Clock::Task bind(Clock::Task task) const {
        return [alive = std::weak_ptr<char>(alive_), task = std::move(task)] {
            if (alive.lock()) task();
        };
    }
    double now() const { return clock_.now(); }

  private:
    Clock& clock_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
