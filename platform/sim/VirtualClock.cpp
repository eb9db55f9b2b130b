#include "platform/sim/VirtualClock.h"

#include <algorithm>

namespace quenda {

void VirtualClock::schedule(double at, Entry entry) {
    queue_.emplace(std::make_tuple(at, sequence_++), std::move(entry));
}

void VirtualClock::after(double seconds, Task task) {
    schedule(now_ + std::max(0.0, seconds), {std::move(task), 0, 0});
}

Clock::TimerId VirtualClock::every(double seconds, Task task) {
    const TimerId id = nextId_++;
    const double interval = std::max(seconds, 1e-6);
    schedule(now_ + interval, {std::move(task), interval, id});
    return id;
}

void VirtualClock::cancel(TimerId timer) {
    std::erase_if(queue_, [timer](const auto& item) { return item.second.id == timer; });
}

void VirtualClock::advance(double seconds) {
    const double end = now_ + std::max(0.0, seconds);
    // A small tolerance so that 0.05 + 0.05 lands on a task due at 0.1.
    constexpr double kEpsilon = 1e-9;
    while (!queue_.empty() && std::get<0>(queue_.begin()->first) <= end + kEpsilon) {
        auto node = queue_.extract(queue_.begin());
        now_ = std::max(now_, std::get<0>(node.key()));
        Entry entry = std::move(node.mapped());
        if (entry.interval > 0) schedule(now_ + entry.interval, entry);
        entry.task();
    }
    now_ = std::max(now_, end);
}

}  // namespace quenda
