#include <gtest/gtest.h>

#include "core/RateLimit.h"

namespace quenda {
namespace {

int admitted(RateLimit& limit, double now, int asks) {
    int yes = 0;
    for (int i = 0; i < asks; ++i) yes += limit.admit(now) ? 1 : 0;
    return yes;
}

TEST(RateLimit, ABurstThenTheSteadyRate) {
    RateLimit limit(4, 3);
    EXPECT_EQ(admitted(limit, 0, 10), 3);    // the burst, then refusals
    EXPECT_EQ(admitted(limit, 0.5, 10), 2);  // half a second of 4 per second
    EXPECT_EQ(admitted(limit, 100, 10), 3);  // a long pause refills the burst, no more
    EXPECT_EQ(admitted(limit, 99, 10), 0);   // a clock that steps back adds nothing
    EXPECT_EQ(admitted(limit, 100.25, 10), 1);
}

// 20,000 requests in one second: the burst and one second's worth go on, the rest are
// refused.
TEST(RateLimit, AFloodIsMostlyRefused) {
    RateLimit limit(25, 50);
    int yes = 0;
    for (int i = 0; i < 20000; ++i) yes += limit.admit(i / 20000.0) ? 1 : 0;
    EXPECT_GE(yes, 70);
    EXPECT_LE(yes, 76);
}

}  // namespace
}  // namespace quenda
