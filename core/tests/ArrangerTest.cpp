#include <gtest/gtest.h>

#include <memory>

#include "core/Arranger.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda {
namespace {

struct Desk {
    Desk() {
        const auto ids = desktop.load(
            "101 A 'a' 0,0 300x300 *; 102 B 'b' 10,10 300x300; 103 C 'c' 20,20 300x300 min");
        a = {101, ids[0]};
        b = {102, ids[1]};
        c = {103, ids[2]};
    }
    SimDesktop desktop;
    VirtualClock clock;
    Arranger arranger{desktop, clock};
    WindowRef a, b, c;
};

TEST(Arranger, APlanWithoutStepsIsOneBatchAndDoneAtOnce) {
    Desk d;
    int done = 0;
    const WindowPlan plan{.restore = {d.c},
                          .frames = {{d.b, {0, 0, 500, 400}}},
                          .raise = {d.c, d.b},
                          .focus = d.b,
                          .tiled = std::vector<WindowRef>{d.b, d.a}};
    d.arranger.apply(plan, [&] { ++done; });
    EXPECT_EQ(done, 1);
    EXPECT_EQ(d.desktop.plans, std::vector<WindowPlan>{plan});
    EXPECT_EQ(d.desktop.dump(),
              "102 B 'b' 0,0 500x400 *; 103 C 'c' 20,20 300x300; 101 A 'a' 0,0 300x300");
    EXPECT_EQ(d.arranger.lastTiled(), (std::vector<WindowRef>{d.b, d.a}));

    // A plan that is no tiling leaves the last tiling as it was; an empty one reaches no one.
    d.arranger.apply(WindowPlan{.frames = {{d.a, {1, 1, 100, 100}}}});
    d.arranger.apply(WindowPlan{});
    EXPECT_EQ(d.desktop.plans.size(), 2u);
    EXPECT_EQ(d.arranger.lastTiled(), (std::vector<WindowRef>{d.b, d.a}));
}

// Raises in steps: restores, frames and the first raise at once, each further raise one
// interval later with the focus on the last, and done one interval after that.
TEST(Arranger, RaisesInStepsOneIntervalApart) {
    Desk d;
    int done = 0;
    d.arranger.apply(WindowPlan{.restore = {d.c},
                                .frames = {{d.c, {5, 5, 200, 200}}},
                                .raise = {d.c, d.b, d.a},
                                .focus = d.a,
                                .raiseInterval = 0.08},
                     [&] { ++done; });
    const std::vector<WindowPlan> steps{
        {.restore = {d.c}, .frames = {{d.c, {5, 5, 200, 200}}}, .raise = {d.c}},
        {.raise = {d.b}},
        {.raise = {d.a}, .focus = d.a},
    };
    EXPECT_EQ(d.desktop.plans, std::vector<WindowPlan>(steps.begin(), steps.begin() + 1));
    d.clock.advance(0.079);
    EXPECT_EQ(d.desktop.plans.size(), 1u);
    d.clock.advance(0.001);
    EXPECT_EQ(d.desktop.plans, std::vector<WindowPlan>(steps.begin(), steps.begin() + 2));
    d.clock.advance(0.08);
    EXPECT_EQ(d.desktop.plans, steps);
    EXPECT_EQ(done, 0);
    d.clock.advance(0.08);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(d.desktop.dump(),
              "101 A 'a' 0,0 300x300 *; 102 B 'b' 10,10 300x300; 103 C 'c' 5,5 200x200");

    // One raise in steps is done one interval later too.
    d.arranger.apply(WindowPlan{.raise = {d.b}, .focus = d.b, .raiseInterval = 0.08},
                     [&] { ++done; });
    EXPECT_EQ(done, 1);
    d.clock.advance(0.08);
    EXPECT_EQ(done, 2);
}

TEST(Arranger, StepsStillDueAreDroppedWithTheArranger) {
    Desk d;
    auto arranger = std::make_unique<Arranger>(d.desktop, d.clock);
    bool done = false;
    arranger->apply(WindowPlan{.raise = {d.b, d.a}, .raiseInterval = 0.08}, [&] { done = true; });
    arranger.reset();
    d.clock.advance(1);
    EXPECT_EQ(d.desktop.plans.size(), 1u);
    EXPECT_FALSE(done);
}

}  // namespace
}  // namespace quenda
