#include <gtest/gtest.h>

#include "core/ScreenGeo.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

struct Geo {
    explicit Geo(const char* monitors = "1440x900+0+0", SimScreenOptions options = {.menuBar = 25})
        : desk(QString::fromLatin1(monitors), options), prefs(defaults), geo(desk, prefs) {}
    SimDesktop desk;
    SimDefaults defaults;
    Prefs prefs;
    ScreenGeo geo;
};

TEST(ScreenGeo, ScreensAndWindowsShareTheTopLeftOrigin) {
    Geo g("1440x900+0+0,1920x1080+1440+0");
    const auto screens = g.desk.screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].visibleFrame, (Rect{0, 25, 1440, 875}));  // below the menu bar
    EXPECT_EQ(screens[1].frame, (Rect{1440, 0, 1920, 1080}));
    // A window on the second monitor, by what the window itself says.
    EXPECT_EQ(ScreenGeo::id(g.geo.screen(Rect{1500, 950, 400, 100}).value_or(ScreenInfo{})), 2u);
}

TEST(ScreenGeo, WithoutScreensThereIsNone) {
    Geo g;
    g.desk.screenList().clear();
    g.desk.setMainScreen(std::nullopt);
    EXPECT_FALSE(g.geo.screen(Rect{0, 0, 100, 100}));
    EXPECT_FALSE(g.geo.screenUnderMouse());
}

TEST(ScreenGeo, ScreenForRectangleTakesTheLargestShareAndTheFirstOnATie) {
    Geo g("1000x800+0+0,1000x800+1000+0");
    struct Case {
        Rect window;
        std::optional<uint32_t> screen;
    } cases[] = {
        {{100, 100, 400, 300}, 1},
        {{900, 100, 400, 300}, 2},              // 100 on the first, 300 on the second
        {{800, 100, 400, 300}, 1},              // exactly half each: the first listed wins
        {{2100, 100, 400, 300}, std::nullopt},  // entirely off-screen
        {{1000, 900, 10, 10}, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto s = g.geo.screen(c.window);
        ASSERT_EQ(s.has_value(), c.screen.has_value());
        if (s) EXPECT_EQ(ScreenGeo::id(*s), *c.screen);
    }
}

TEST(ScreenGeo, ScreenUnderMouseFallsBackToTheMainScreen) {
    Geo g("1000x800+0+0,1000x800+1000+0");
    g.desk.setMainScreen(1);
    g.desk.setPointer({1500, 400});
    EXPECT_EQ(ScreenGeo::id(*g.geo.screenUnderMouse()), 2u);
    g.desk.setPointer({5000, 400});  // on no screen
    EXPECT_EQ(ScreenGeo::id(*g.geo.screenUnderMouse()), 2u);
    g.desk.setMainScreen(std::nullopt);
    EXPECT_FALSE(g.geo.screenUnderMouse());
}

TEST(ScreenGeo, PointerOnTheEdgesBetweenScreens) {
    Geo g("1000x800+0+0,1000x800+1000+0");
    g.desk.setMainScreen(std::nullopt);
    // Left and top edges belong to the screen, right and bottom ones to the neighbour.
    struct Case {
        Point p;
        std::optional<uint32_t> screen;
    } cases[] = {{{1000, 400}, 2},
                 {{999.5, 400}, 1},
                 {{0, 0}, 1},
                 {{0, 800}, std::nullopt},
                 {{1999.5, 799.5}, 2}};
    for (const Case& c : cases) {
        g.desk.setPointer(c.p);
        const auto s = g.geo.screenUnderMouse();
        ASSERT_EQ(s.has_value(), c.screen.has_value()) << c.p.x << "," << c.p.y;
        if (s) EXPECT_EQ(ScreenGeo::id(*s), *c.screen);
    }
}

TEST(ScreenGeo, IdentityIsZeroWithoutADisplayNumber) {
    ScreenInfo s;
    EXPECT_EQ(ScreenGeo::id(s), 0u);
    s.number = 7;
    EXPECT_EQ(ScreenGeo::id(s), 7u);
}

TEST(ScreenGeo, UsableFrameLeavesOutTheMenuBarAndOptionallyTheStageStrip) {
    Geo g("1440x900+0+0", {.menuBar = 25, .dock = 60});
    const ScreenInfo s = g.desk.screens()[0];
    EXPECT_EQ(g.geo.usableFrame(s), (Rect{0, 25, 1440, 815}));
    g.defaults.setValue(QStringLiteral("stageManagerInset"), true);
    EXPECT_EQ(g.geo.usableFrame(s), (Rect{120, 25, 1320, 815}));
    g.defaults.setValue(QStringLiteral("stageManagerInset"), QStringLiteral("true"));  // text
    EXPECT_EQ(g.geo.usableFrame(s), (Rect{0, 25, 1440, 815}));
}

TEST(ScreenGeo, PlaceKeepsAUniformGapAndRoundsHalvesAwayFromZero) {
    struct Case {
        Rect unit, area;
        double gap;
        Rect expected;
    } cases[] = {
        {{0, 0, 0.5, 1}, {0, 25, 1440, 875}, 8, {8, 33, 708, 859}},
        {{0.5, 0, 0.5, 1}, {0, 25, 1440, 875}, 8, {724, 33, 708, 859}},
        {{0, 0, 0.5, 1}, {0, 0, 1001, 800}, 0, {0, 0, 501, 800}},      // 500.5 rounds up
        {{0.5, 0, 0.5, 1}, {0, 0, 1001, 800}, 0, {501, 0, 501, 800}},  // 500.5 and 500.5
        {{0, 0, 1, 1}, {0, 0, 1440, 900}, 0, {0, 0, 1440, 900}},
        {{1.0 / 3, 0, 1.0 / 3, 1}, {0, 25, 1440, 875}, 24, {496, 49, 448, 827}},
        {{0.5, 0.5, 0.5, 0.5}, {-1001, -801, 1001, 801}, 0, {-501, -401, 501, 401}},  // -500.5
    };
    for (const Case& c : cases) EXPECT_EQ(ScreenGeo::place(c.unit, c.area, c.gap), c.expected);
}

TEST(Geometry, AspectRatioTakesAHeightOfOneOrLessAsOne) {
    struct Case {
        Rect area;
        double ratio;
    } cases[] = {
        {{0, 25, 1440, 875}, 1440.0 / 875},
        {{0, 0, 3440, 1440}, 3440.0 / 1440},
        {{0, 0, 500, 1.5}, 500 / 1.5},
        {{0, 0, 500, 1}, 500},
        {{0, 0, 500, 0.5}, 500},
        {{0, 0, 500, 0}, 500},
        {{0, 0, 500, -20}, 500},
        {{0, 0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(aspectRatio(c.area), c.ratio) << c.area.width << "x" << c.area.height;
        EXPECT_DOUBLE_EQ(aspectRatio(c.area.width, c.area.height), c.ratio);
    }
}

}  // namespace
}  // namespace quenda
