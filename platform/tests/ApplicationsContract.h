#pragma once

// What every applications backend must do, as the logic sees it. Included once by each
// backend's test executable, which instantiates the suite with its own driver:
//   INSTANTIATE_TEST_SUITE_P(Sim, ApplicationsContract, ::testing::Values(&makeSimDriver));

#include <gtest/gtest.h>

#include <algorithm>

#include "core/AX.h"
#include "platform/sim/TestPrinters.h"
#include "platform/tests/DesktopDriver.h"

namespace quenda::testing {

class ApplicationsContract : public ::testing::TestWithParam<DriverFactory> {
  protected:
    void SetUp() override { driver = GetParam()(); }
    void TearDown() override { driver.reset(); }

    Applications& apps() { return driver->applications(); }

    // The titles of the visible windows this test opened, front to back.
    std::vector<QString> visibleTitles(const std::vector<QString>& ours) {
        return testing::visibleTitles(driver->server(), ours);
    }
    std::optional<AXWindow> handle(uint64_t id) {
        for (const AXWindow& w : AX(driver->server()).windows(driver->pidOf(id))) {
            if (w.ref().id == id) return w;
        }
        return std::nullopt;
    }
    std::vector<int32_t> runningPids() {
        std::vector<int32_t> pids;
        for (const RunningApplication& a : apps().runningApplications()) pids.push_back(a.pid);
        return pids;
    }

    std::unique_ptr<DesktopDriver> driver;
};

// A pid no process ever had: above every kernel's pid limit.
inline constexpr int32_t kNeverRan = 2000000000;

TEST_P(ApplicationsContract, TheOwnerOfAWindowIsARunningApplication) {
    const int32_t first = driver->pidOf(driver->openWindow("apps-first", {40, 40, 300, 200}));
    const int32_t second = driver->pidOf(driver->openWindow("apps-second", {80, 80, 300, 200}));
    driver->settle();
    // In the order they started.
    std::vector<int32_t> ours;
    for (int32_t pid : runningPids()) {
        if (pid == first || pid == second) ours.push_back(pid);
    }
    EXPECT_EQ(ours, (std::vector<int32_t>{first, second}));
    const auto app = apps().application(first);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->pid, first);
    EXPECT_EQ(app->kind, ApplicationKind::regular);
    EXPECT_TRUE(app->name);
    EXPECT_FALSE(apps().isTerminated(first));

    EXPECT_FALSE(apps().application(kNeverRan));
    EXPECT_TRUE(apps().isTerminated(kNeverRan));
    EXPECT_FALSE(apps().activate(kNeverRan));
}

TEST_P(ApplicationsContract, FrontmostFollowsTheActiveWindow) {
    const uint64_t a = driver->openWindow("apps-a", {40, 40, 300, 200});
    const uint64_t b = driver->openWindow("apps-b", {80, 80, 300, 200});
    driver->raise(a);
    driver->settle();
    EXPECT_EQ(apps().frontmostApplication(), driver->pidOf(a));
    driver->raise(b);
    driver->settle();
    EXPECT_EQ(apps().frontmostApplication(), driver->pidOf(b));
}

TEST_P(ApplicationsContract, ActivateBringsItsWindowToTheFront) {
    const uint64_t a = driver->openWindow("apps-back", {40, 40, 300, 200});
    const uint64_t b = driver->openWindow("apps-front", {80, 80, 300, 200});
    driver->raise(b);
    driver->settle();
    ASSERT_EQ(visibleTitles({"apps-back", "apps-front"}).front(), "apps-front");

    EXPECT_TRUE(apps().activate(driver->pidOf(a)));
    driver->settle();
    EXPECT_EQ(visibleTitles({"apps-back", "apps-front"}),
              (std::vector<QString>{"apps-back", "apps-front"}));
    EXPECT_TRUE(driver->waitFor([&] { return apps().frontmostApplication() == driver->pidOf(a); }));
}

TEST_P(ApplicationsContract, HiddenWindowsLeaveTheListWithoutBeingMinimised) {
    const uint64_t a = driver->openWindow("apps-hidden", {40, 40, 300, 200});
    driver->openWindow("apps-stays", {400, 80, 300, 200});
    driver->settle();
    const std::vector<QString> ours{"apps-hidden", "apps-stays"};
    const auto sorted = [](std::vector<QString> v) {
        std::sort(v.begin(), v.end());
        return v;
    };

    EXPECT_TRUE(apps().hide(driver->pidOf(a)));
    driver->settle();
    EXPECT_EQ(visibleTitles(ours), std::vector<QString>{"apps-stays"});
    const auto w = handle(a);
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->isMinimized());  // commands that skip minimised windows keep it

    EXPECT_TRUE(apps().unhide(driver->pidOf(a)));
    driver->settle();
    EXPECT_EQ(sorted(visibleTitles(ours)), ours);
    EXPECT_FALSE(w->isMinimized());
}

TEST_P(ApplicationsContract, TerminateClosesAPoliteApplication) {
    const uint64_t a = driver->openWindow("apps-polite", {40, 40, 300, 200});
    const int32_t pid = driver->pidOf(a);
    driver->settle();
    EXPECT_TRUE(apps().terminate(pid));
    EXPECT_TRUE(driver->waitFor([&] { return apps().isTerminated(pid); }));
    driver->settle();
    EXPECT_TRUE(visibleTitles({"apps-polite"}).empty());
    EXPECT_FALSE(apps().application(pid));
}

TEST_P(ApplicationsContract, TerminatedOnceItsProcessDies) {
    const uint64_t a = driver->openWindow("apps-dies", {40, 40, 300, 200});
    const int32_t pid = driver->pidOf(a);
    EXPECT_FALSE(apps().isTerminated(pid));
    driver->destroy(a);
    EXPECT_TRUE(driver->waitFor([&] { return apps().isTerminated(pid); }));
    EXPECT_FALSE(apps().application(pid));
}

}  // namespace quenda::testing
