// Screens on X11: RandR monitors defined on the fly on a private Xvfb with openbox, panels of
// our own making reserving struts, checked in screen coordinates (origin at the primary's
// bottom-left, y up).
#include <gtest/gtest.h>

#include <set>

#include "platform/sim/TestPrinters.h"
#include "platform/tests/X11Driver.h"
#include "platform/tests/X11TestClient.h"

namespace quenda::testing {
namespace {

struct MonitorSpec {
    const char* name;
    Rect root;
};

class X11Screens : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        QString error;
        display_ = PrivateDisplay::start(true, &error).release();
        ASSERT_TRUE(display_) << error.toStdString();
    }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(display_);
        driver.emplace(display_->name());
        client.emplace(display_->name());
        // A tall primary on the left, a short one on the right.
        setMonitors({{"LEFT", {0, 0, 800, 1000}}, {"RIGHT", {800, 0, 800, 600}}});
    }
    void TearDown() override {
        client.reset();
        driver.reset();
    }

    // The first monitor is primary and takes the real output; the rest take none.
    void setMonitors(const std::vector<MonitorSpec>& specs) {
        const X11Oracle& oracle = driver->oracle();
        for (const auto& m : oracle.monitors()) {
            if (m.name != "screen") oracle.run("xrandr", {"--delmonitor", m.name});
        }
        bool first = true;
        for (const MonitorSpec& m : specs) {
            const QString name = first ? QString("*") + m.name : QString(m.name);
            const QString geometry = QStringLiteral("%1/%2x%3/%4+%5+%6")
                                         .arg(m.root.width)
                                         .arg(int(m.root.width / 4))
                                         .arg(m.root.height)
                                         .arg(int(m.root.height / 4))
                                         .arg(m.root.x)
                                         .arg(m.root.y);
            driver->run("xrandr", {"--setmonitor", name, geometry, first ? "screen" : "none"});
            first = false;
        }
        const bool applied = waitUntil([&] { return oracle.monitors().size() == specs.size(); });
        ASSERT_TRUE(applied) << "xrandr did not set the monitors";
    }

    std::optional<ScreenInfo> screenNamed(const QString& name) {
        for (const ScreenInfo& s : driver->screens().screens()) {
            if (s.name == name) return s;
        }
        return std::nullopt;
    }

    static inline PrivateDisplay* display_ = nullptr;
    std::optional<X11Driver> driver;
    std::optional<X11TestClient> client;
};

TEST_F(X11Screens, MonitorsComePrimaryFirstWithStableIdentities) {
    const auto screens = driver->screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].name, "LEFT");
    EXPECT_EQ(screens[0].frame, (Rect{0, 0, 800, 1000}));
    EXPECT_EQ(screens[1].name, "RIGHT");
    // The primary's top-left is the origin: the short monitor's top is level with the tall one's.
    EXPECT_EQ(screens[1].frame, (Rect{800, 0, 800, 600}));
    std::set<uint32_t> ids;
    for (const ScreenInfo& s : screens) {
        ASSERT_TRUE(s.number);
        EXPECT_NE(*s.number, 0u);
        ids.insert(*s.number);
        EXPECT_EQ(s.visibleFrame, s.frame);
    }
    EXPECT_EQ(ids.size(), 2u);
    EXPECT_EQ(driver->screens().screens(), screens);
}

// A panel's strut is measured from the edges of the whole root; it takes space only from the
// monitor it reaches into.
TEST_F(X11Screens, PanelsTakeSpaceFromTheirOwnMonitorOnly) {
    struct Case {
        const char* name;
        Rect panel;  // root coordinates
        std::vector<uint32_t> strut;
        Rect left, right;  // visible frames
    };
    const Rect fullLeft{0, 0, 800, 1000}, fullRight{800, 0, 800, 600};
    const Case cases[] = {
        {"top of the left",
         {0, 0, 800, 30},
         {0, 0, 30, 0, 0, 0, 0, 0, 0, 799, 0, 0},
         {0, 30, 800, 970},
         fullRight},
        // The right monitor is 600 high: its bottom panel is 440 from the root's bottom.
        {"bottom of the right",
         {800, 560, 800, 40},
         {0, 0, 0, 440, 0, 0, 0, 0, 0, 0, 800, 1599},
         fullLeft,
         {800, 0, 800, 560}},
        {"left edge",
         {0, 0, 50, 1000},
         {50, 0, 0, 0, 0, 999, 0, 0, 0, 0, 0, 0},
         {50, 0, 750, 1000},
         fullRight},
        {"right edge",
         {1540, 0, 60, 600},
         {0, 60, 0, 0, 0, 0, 0, 599, 0, 0, 0, 0},
         fullLeft,
         {800, 0, 740, 600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t panel = client->open({.title = QString("panel ") + c.name,
                                             .client = c.panel,
                                             .types = {"_NET_WM_WINDOW_TYPE_DOCK"},
                                             .strutPartial = c.strut});
        EXPECT_EQ(screenNamed("LEFT").value_or(ScreenInfo{}).visibleFrame, c.left);
        EXPECT_EQ(screenNamed("RIGHT").value_or(ScreenInfo{}).visibleFrame, c.right);
        client->destroy(panel);
        ASSERT_TRUE(waitUntil([&] {
            return screenNamed("LEFT").value_or(ScreenInfo{}).visibleFrame == fullLeft &&
                   screenNamed("RIGHT").value_or(ScreenInfo{}).visibleFrame == fullRight;
        }));
    }
}

TEST_F(X11Screens, TheMainScreenHoldsTheActiveWindow) {
    const uint64_t onRight = driver->openWindow("main-right", {900, 100, 400, 300});
    const uint64_t onLeft = driver->openWindow("main-left", {100, 100, 400, 300});
    driver->raise(onRight);
    EXPECT_EQ(driver->screens().mainScreen().value_or(ScreenInfo{}).name, "RIGHT");
    driver->raise(onLeft);
    EXPECT_EQ(driver->screens().mainScreen().value_or(ScreenInfo{}).name, "LEFT");
}

TEST_F(X11Screens, ThePointerIsWhereTheRootHasIt) {
    struct Case {
        int x, y;  // root coordinates
        Point expected;
    };
    for (const Case& c : {Case{900, 100, {900, 100}}, Case{10, 990, {10, 990}}}) {
        driver->run("xdotool", {"mousemove", QString::number(c.x), QString::number(c.y)});
        EXPECT_EQ(driver->screens().pointerLocation(), c.expected);
    }
}

// Coordinates start at the primary's top-left, wherever the primary is; monitors come and go.
TEST_F(X11Screens, ThePrimaryMonitorIsTheOrigin) {
    setMonitors({{"RIGHT", {800, 0, 800, 600}}, {"LEFT", {0, 0, 800, 1000}}});
    const auto screens = driver->screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].name, "RIGHT");
    EXPECT_EQ(screens[0].frame, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(screens[1].frame, (Rect{-800, 0, 800, 1000}));

    const uint64_t id = driver->openWindow("origin", {900, 100, 400, 300});
    const auto root = driver->oracle().outerFrame(id);  // already shifted by the oracle
    const WindowRef w{driver->pidOf(id), id};
    ASSERT_TRUE(root);
    EXPECT_EQ(driver->server().frame(w).value_or(Rect{}).origin(), root->origin());
    // Left of the primary, on the other monitor: negative window coordinates.
    driver->server().apply(WindowPlan{.frames = {{w, {-700, 50, 0, 0}, true}}});
    driver->settle();
    EXPECT_EQ(driver->oracle().outerFrame(id).value_or(Rect{}).origin(), (Point{-700, 50}));

    setMonitors({{"LEFT", {0, 0, 800, 1000}}});
    EXPECT_EQ(driver->screens().screens().size(), 1u);
}

}  // namespace
}  // namespace quenda::testing
