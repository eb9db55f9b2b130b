#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "platform/desktop/QtMainClock.h"

namespace quenda {
namespace {

TEST(QtMainClock, RunsDelayedAndRepeatingTasksOnTheEventLoop) {
    QtMainClock clock;
    QEventLoop loop;
    std::vector<int> order;
    int ticks = 0;
    Clock::TimerId repeating = 0;
    clock.after(0.03, [&] { order.push_back(2); });
    clock.after(0.0, [&] { order.push_back(1); });
    repeating = clock.every(0.01, [&] {
        if (++ticks == 3) {
            clock.cancel(repeating);
            clock.after(0.05, [&] { loop.quit(); });
        }
    });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });  // deadline, never reached when well
    const double start = clock.now();
    ASSERT_EQ(loop.exec(), 0);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(ticks, 3);  // cancelled from inside its own task
    EXPECT_GE(clock.now() - start, 0.03);
}

}  // namespace
}  // namespace quenda

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
