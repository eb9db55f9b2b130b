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

    WindowServer& server() { return driver->server(); }
    // The titles of the visible windows this test opened, front to back.
    std::vector<QString> visibleTitles(const std::vector<QString>& ours) {
        return testing::visibleTitles(server(), ours);
    }
    WindowRef ref(uint64_t id) { return {driver->pidOf(id), id}; }
    std::optional<AXWindow> handle(uint64_t id) {
        for (const AXWindow& w : AX(server()).windows(driver->pidOf(id))) {
            if (w.ref().id == id) return w;
        }
        return std::nullopt;
    }
    void apply(const WindowPlan& plan) {
        server().apply(plan);
        driver->settle();
    }
    // The frame the desktop's window list gives the window, when it lists it.
    std::optional<Rect> listed(const AXWindow& w) {
        for (const WindowListEntry& e :
             server().windowList().value_or(std::vector<WindowListEntry>{})) {
            if (e.number == w.ref().id) return e.bounds;
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
    apply(WindowPlan{.frames = {{w->ref(), target}}});

    const auto frame = w->frame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->origin(), target.origin());
    const double tol = driver->sizeTolerance();
    EXPECT_LE(frame->width, target.width);
    EXPECT_GT(frame->width, target.width - tol - 1);
    EXPECT_LE(frame->height, target.height);
    EXPECT_GT(frame->height, target.height - tol - 1);
    // The window list agrees with what the window says of itself.
    EXPECT_EQ(listed(*w), frame);
}

// A window that will not be as small as asked keeps its minimum size, at the place asked;
// what it took is what the window and the list say.
TEST_P(WindowServerContract, ARefusedSizeLeavesTheWindowItsMinimum) {
    const Size minimum{420, 320};
    const uint64_t id =
        driver->openWindowWithMinimumSize("contract-refuses", {100, 100, 500, 400}, minimum);
    const auto w = handle(id);
    ASSERT_TRUE(w);
    apply(WindowPlan{.frames = {{w->ref(), {150, 120, 200, 150}}}});

    const auto frame = w->frame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->origin(), (Point{150, 120}));
    EXPECT_GE(frame->width, minimum.width);
    EXPECT_LT(frame->width, 500);
    EXPECT_GE(frame->height, minimum.height);
    EXPECT_LT(frame->height, 400);
    EXPECT_EQ(listed(*w), frame);
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

// Minimised on request, and back, in front and active, when a plan restores and focuses it.
TEST_P(WindowServerContract, MinimiseAndRestore) {
    const uint64_t other = driver->openWindow("contract-other", {300, 80, 400, 300});
    const uint64_t id = driver->openWindow("contract-restored", {50, 60, 400, 300});
    const auto w = handle(id);
    ASSERT_TRUE(w);
    server().minimize(w->ref());
    driver->settle();
    EXPECT_TRUE(driver->waitFor([&] { return w->isMinimized(); }));
    EXPECT_EQ(visibleTitles({"contract-restored", "contract-other"}),
              std::vector<QString>{"contract-other"});

    apply(WindowPlan{.restore = {w->ref()}, .focus = w->ref()});
    EXPECT_FALSE(w->isMinimized());
    EXPECT_EQ(visibleTitles({"contract-restored", "contract-other"}),
              (std::vector<QString>{"contract-restored", "contract-other"}));
    EXPECT_TRUE(driver->waitFor([&] { return server().frontmostPid() == w->pid(); }));
    EXPECT_NE(driver->pidOf(other), w->pid());
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

// A plan's raises go back to front: the last one raised ends on top. Raising leaves the
// focus where it was; the plan's focus takes it.
TEST_P(WindowServerContract, APlanRaisesBackToFrontAndFocusesOnce) {
    const uint64_t a = driver->openWindow("contract-raise-a", {40, 40, 300, 200});
    const uint64_t b = driver->openWindow("contract-raise-b", {80, 80, 300, 200});
    const uint64_t c = driver->openWindow("contract-raise-c", {120, 120, 300, 200});
    driver->raise(c);
    driver->settle();
    const std::vector<QString> ours{"contract-raise-a", "contract-raise-b", "contract-raise-c"};

    apply(WindowPlan{.raise = {ref(a), ref(b)}});
    EXPECT_TRUE(driver->waitFor([&] {
        return visibleTitles(ours) ==
               std::vector<QString>{"contract-raise-b", "contract-raise-a", "contract-raise-c"};
    }));
    EXPECT_EQ(server().frontmostPid(), driver->pidOf(c));

    apply(WindowPlan{.raise = {ref(b), ref(c)}, .focus = ref(a)});
    EXPECT_EQ(visibleTitles(ours),
              (std::vector<QString>{"contract-raise-a", "contract-raise-c", "contract-raise-b"}));
    EXPECT_TRUE(driver->waitFor([&] { return server().frontmostPid() == driver->pidOf(a); }));
    const auto focused = AX(server()).focusedWindow();
    ASSERT_TRUE(focused);
    EXPECT_EQ(focused->ref(), ref(a));
}

// A window on another virtual desktop is out of reach: not listed, not among its
// application's windows and not its focused window, until it comes back.
TEST_P(WindowServerContract, WindowsOfAnotherDesktopAreOutOfReach) {
    const uint64_t here = driver->openWindow("contract-here", {40, 40, 300, 200});
    const uint64_t away = driver->openWindow("contract-away", {80, 80, 300, 200});
    driver->raise(away);
    driver->moveToDesktop(away, 1);
    driver->raise(here);
    driver->settle();
    const std::vector<QString> ours{"contract-here", "contract-away"};
    EXPECT_TRUE(driver->waitFor([&] { return visibleTitles(ours).size() == 1; }));
    EXPECT_EQ(visibleTitles(ours), std::vector<QString>{"contract-here"});
    EXPECT_EQ(server().windows(driver->pidOf(away)), std::vector<WindowRef>{});
    EXPECT_EQ(server().focusedWindow(driver->pidOf(away)), std::nullopt);
    EXPECT_EQ(server().windows(driver->pidOf(here)), std::vector<WindowRef>{ref(here)});
    EXPECT_EQ(server().focusedWindow(driver->pidOf(here)), ref(here));

    driver->moveToDesktop(away, 0);
    driver->settle();
    EXPECT_TRUE(driver->waitFor([&] {
        return server().windows(driver->pidOf(away)) == std::vector<WindowRef>{ref(away)};
    }));
    EXPECT_EQ(server().focusedWindow(driver->pidOf(away)), ref(away));
    EXPECT_EQ(visibleTitles(ours).size(), 2u);
}

TEST_P(WindowServerContract, CloseAsksTheWindowToGo) {
    const uint64_t id = driver->openWindow("contract-close", {60, 60, 300, 200});
    const auto w = handle(id);
    ASSERT_TRUE(w);
    w->close();
    EXPECT_TRUE(driver->waitFor([&] { return !w->title(); }));
    EXPECT_TRUE(visibleTitles({"contract-close"}).empty());
}

TEST_P(WindowServerContract, AVanishedWindowReadsAsNothing) {
    const uint64_t id = driver->openWindow("contract-gone", {60, 60, 300, 200});
    const auto w = handle(id);
    ASSERT_TRUE(w);
    ASSERT_EQ(w->title(), QStringLiteral("contract-gone"));
    const auto windowClass = server().windowClass(w->ref());
    ASSERT_TRUE(windowClass);
    EXPECT_FALSE(windowClass->isEmpty());
    driver->destroy(id);
    driver->settle();
    EXPECT_FALSE(w->title());
    EXPECT_FALSE(server().windowClass(w->ref()));
    EXPECT_FALSE(w->role());
    EXPECT_FALSE(w->frame());
    EXPECT_FALSE(w->isMinimized());
    // Lost without a trace.
    apply(WindowPlan{.frames = {{w->ref(), {0, 0, 200, 200}}}, .raise = {w->ref()}});
    w->close();
    EXPECT_TRUE(visibleTitles({"contract-gone"}).empty());
}

}  // namespace quenda::testing
