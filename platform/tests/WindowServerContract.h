#pragma once

// What every window-server backend must do, as the window layer sees it. Included once by
// each backend's test executable, which instantiates the suite with its own driver:
//   INSTANTIATE_TEST_SUITE_P(Sim, WindowServerContract, ::testing::Values(&makeSimDriver));

#include <gtest/gtest.h>

#include <algorithm>

#include "core/AX.h"
#include "platform/sim/TestPrinters.h"
#include "platform/tests/DesktopDriver.h"

namespace quenda::testing {

class WindowServerContract : public ::testing::TestWithParam<DriverFactory> {
  protected:
    void SetUp() override { driver = GetParam()(); }
    void TearDown() override { driver.reset(); }

    // The titles of the visible windows this test opened, front to back.
    std::vector<QString> visibleTitles(const std::vector<QString>& ours) {
        return testing::visibleTitles(driver->server(), ours);
    }

    std::optional<AXWindow> handle(uint64_t id) {
        for (const AXWindow& w : AX(driver->server()).windows(driver->pidOf(id))) {
            if (w.element().id == id) return w;
        }
        return std::nullopt;
    }

    std::unique_ptr<DesktopDriver> driver;
};

TEST_P(WindowServerContract, MoveThenReadBack) {
    const uint64_t id = driver->openWindow("contract-move", {100, 100, 400, 300});
    const auto w = handle(id);
    ASSERT_TRUE(w);
    const Rect target{220, 160, 500, 350};
    w->setFrame(target);
    driver->settle();

    const auto pos = w->position();
    const auto size = w->size();
    ASSERT_TRUE(pos && size);
    EXPECT_EQ(*pos, target.origin());
    const double tol = driver->sizeTolerance();
    EXPECT_LE(size->width, target.width);
    EXPECT_GT(size->width, target.width - tol - 1);
    EXPECT_LE(size->height, target.height);
    EXPECT_GT(size->height, target.height - tol - 1);

    // The window list agrees with what the window says of itself.
    bool listed = false;
    for (const VisibleWindow& v : AX(driver->server()).orderedVisibleWindows()) {
        if (!(v.window == *w)) continue;
        listed = true;
        EXPECT_EQ(v.frame, (Rect{pos->x, pos->y, size->width, size->height}));
    }
    EXPECT_TRUE(listed);
}

TEST_P(WindowServerContract, MinimisedAndTinyWindowsAreLeftOut) {
    driver->openWindow("contract-normal", {50, 60, 400, 300});
    driver->openWindow("contract-tiny", {500, 60, 60, 40});
    const uint64_t minimised = driver->openWindow("contract-minimised", {50, 400, 400, 300});
    driver->minimize(minimised);
    driver->settle();
    EXPECT_EQ(visibleTitles({"contract-normal", "contract-tiny", "contract-minimised"}),
              std::vector<QString>{"contract-normal"});
    const auto w = handle(minimised);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isMinimized());
}

TEST_P(WindowServerContract, FrontToBackOrderFollowsRaises) {
    const uint64_t a = driver->openWindow("contract-a", {40, 40, 300, 200});
    driver->openWindow("contract-b", {80, 80, 300, 200});
    driver->openWindow("contract-c", {120, 120, 300, 200});
    driver->settle();
    const std::vector<QString> ours{"contract-a", "contract-b", "contract-c"};
    EXPECT_EQ(visibleTitles(ours),
              (std::vector<QString>{"contract-c", "contract-b", "contract-a"}));
    driver->raise(a);
    driver->settle();
    EXPECT_EQ(visibleTitles(ours),
              (std::vector<QString>{"contract-a", "contract-c", "contract-b"}));
}

TEST_P(WindowServerContract, AVanishedWindowReadsAsNothing) {
    const uint64_t id = driver->openWindow("contract-gone", {60, 60, 300, 200});
    const auto w = handle(id);
    ASSERT_TRUE(w);
    ASSERT_EQ(w->title(), QStringLiteral("contract-gone"));
    driver->destroy(id);
    driver->settle();
    EXPECT_FALSE(w->title());
    EXPECT_FALSE(w->subrole());
    EXPECT_FALSE(w->position());
    EXPECT_FALSE(w->size());
    EXPECT_FALSE(w->isMinimized());
    w->setFrame({0, 0, 200, 200});  // lost without a trace
    w->close();
    EXPECT_TRUE(visibleTitles({"contract-gone"}).empty());
}

}  // namespace quenda::testing
