#pragma once

#include <cstdint>
#include <functional>

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

}  // namespace quenda
