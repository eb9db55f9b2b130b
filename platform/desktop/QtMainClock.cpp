#include "platform/desktop/QtMainClock.h"

#include <cmath>

#include <QTimer>

namespace quenda {

namespace {
int milliseconds(double seconds) {
    return static_cast<int>(std::lround(std::max(0.0, seconds) * 1000));
}
}  // namespace

QtMainClock::QtMainClock() {
    elapsed_.start();
}

double QtMainClock::now() {
    return static_cast<double>(elapsed_.nsecsElapsed()) / 1e9;
}

void QtMainClock::after(double seconds, Task task) {
    QTimer::singleShot(milliseconds(seconds), Qt::PreciseTimer, this, std::move(task));
}

Clock::TimerId QtMainClock::every(double seconds, Task task) {
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(milliseconds(seconds));
    connect(timer, &QTimer::timeout, this, std::move(task));
    timer->start();
    const TimerId id = nextId_++;
    repeating_[id] = timer;
    return id;
}

void QtMainClock::cancel(TimerId id) {
    auto it = repeating_.find(id);
    if (it == repeating_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    repeating_.erase(it);
}

}  // namespace quenda
