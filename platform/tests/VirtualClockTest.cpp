#include <gtest/gtest.h>

#include "platform/sim/VirtualClock.h"

namespace quenda {
namespace {

TEST(VirtualClock, RunsEachTaskAtItsOwnTimeInScheduleOrder) {
    VirtualClock clock;
    std::vector<std::pair<double, int>> ran;
    clock.after(0.08, [&] { ran.push_back({clock.now(), 2}); });
    clock.after(0.08, [&] { ran.push_back({clock.now(), 3}); });
    clock.after(0.05, [&] {
        ran.push_back({clock.now(), 1});
        clock.after(0.05, [&] { ran.push_back({clock.now(), 4}); });  // due at 0.1
    });
    clock.advance(0.049);
    EXPECT_TRUE(ran.empty());
    clock.advance(0.051);
    ASSERT_EQ(ran.size(), 4u);
    EXPECT_DOUBLE_EQ(ran[0].first, 0.05);
    EXPECT_DOUBLE_EQ(ran[1].first, 0.08);
    EXPECT_EQ((std::vector<int>{ran[0].second, ran[1].second, ran[2].second, ran[3].second}),
              (std::vector<int>{1, 2, 3, 4}));
    EXPECT_DOUBLE_EQ(clock.now(), 0.1);
}

TEST(VirtualClock, RepeatingTasksTickUntilCancelled) {
    VirtualClock clock;
    int ticks = 0;
    Clock::TimerId id = 0;
    id = clock.every(0.5, [&] {
        if (++ticks == 3) clock.cancel(id);
    });
    clock.advance(10);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(clock.pending(), 0u);
}

}  // namespace
}  // namespace quenda
