#pragma once

#include <QObject>
#include <QThreadPool>

#include "platform/ports/Worker.h"

namespace quenda {

// Work on a thread pool of its own; `done` is queued back to the thread that created the
// worker (the main thread). Waits for running work when destroyed.
class ThreadWorker final : public Worker {
  public:
    ThreadWorker();
    ~ThreadWorker() override;
    void run(std::function<void()> work, std::function<void()> done) override;

  private:
    QObject home_;
    QThreadPool pool_;
};

}  // namespace quenda
