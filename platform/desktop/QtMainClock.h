#pragma once

#include <map>

#include <QElapsedTimer>
#include <QObject>

#include "platform/ports/Clock.h"

class QTimer;

namespace quenda {

// The main queue on Qt's event loop. Tasks run on the thread that owns this object, which
// must be the main thread.
class QtMainClock final : public QObject, public Clock {
    Q_OBJECT
  public:
    QtMainClock();
    double now() override;
    void after(double seconds, Task task) override;
    TimerId every(double seconds, Task task) override;
    void cancel(TimerId timer) override;

  private:
    QElapsedTimer elapsed_;
    TimerId nextId_ = 1;
    std::map<TimerId, QTimer*> repeating_;
};

}  // namespace quenda
