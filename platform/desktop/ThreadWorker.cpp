#include "platform/desktop/ThreadWorker.h"

namespace quenda {

ThreadWorker::ThreadWorker() {
    pool_.setMaxThreadCount(1);
}

ThreadWorker::~ThreadWorker() {
    pool_.waitForDone();
}

void ThreadWorker::run(std::function<void()> work, std::function<void()> done) {
    pool_.start([this, work = std::move(work), done = std::move(done)] {
        work();
        QMetaObject::invokeMethod(&home_, done, Qt::QueuedConnection);
    });
}

}  // namespace quenda
