#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "layouts/tests/WindowManagerDesk.h"
namespace quenda {
namespace {

// Two 1440x900 screens side by side, a 25-point menu bar on the first: its usable area is
// (0, 25, 1440, 875). Messages come from the built-in strings table, as the user reads them.
struct Desk : testing::WindowManagerDesk {
    explicit Desk(const char* fixture, const char* monitors = "1440x900+0+0,1440x900+1440+0")
        : WindowManagerDesk(QString::fromLatin1(monitors), {.menuBar = 25}),
          wm(std::make_unique<WindowManager>(services())) {
        ids = desktop.load(QString::fromUtf8(fixture));
    }
    Rect frame(size_t i) { return desktop.window(ids.at(i)).frame; }
    std::vector<Rect> frames() {
        std::vector<Rect> all;
        for (size_t i = 0; i < ids.size(); ++i) all.push_back(frame(i));
        return all;
    }
    std::vector<uint64_t> tiledIds() {
        std::vector<uint64_t> out;
        for (const AXWindow& w : wm->lastTiled()) out.push_back(w.ref().id);
        return out;
    }

    std::unique_ptr<WindowManager> wm;
    std::vector<uint64_t> ids;
};

const char* const kThree =
    "101 A 'a' 100,100 600x400 *; 102 B 'b' 200,150 600x400; 103 C 'c' 300,200 600x400";
// columns3 on the first screen with the default gap of 8.
const Rect kLeft{8, 33, 469, 859}, kMiddle{485, 33, 469, 859}, kRight{963, 33, 469, 859};

TEST(Tile, PlacesTheFocusedWindowFirstAndTheRestFrontToBack) {
    Desk d(
        "101 A 'a' 300,300 600x400; 102 B 'b' 200,150 600x400; 103 C 'c' 250,200 600x400 *;"
        "104 D 'd' 50,50 600x400; 105 E 'e' 60,60 600x400");
    d.wm->tile(Layout::columns2);
    EXPECT_EQ(d.frames(), (std::vector<Rect>{{724, 33, 708, 859},
                                             {200, 150, 600, 400},
                                             {8, 33, 708, 859},
                                             {50, 50, 600, 400},
                                             {60, 60, 600, 400}}));
    EXPECT_EQ(d.tiledIds(), (std::vector<uint64_t>{d.ids[2], d.ids[0]}));
    EXPECT_EQ(d.hud.messages, (std::vector<SimHud::Message>{{"Dos columnas · 2 ventanas", 1.6}}));
}

TEST(Tile, OneWindowIsSingularAndSchedulesNoPass) {
    Desk d("101 A 'a' 100,100 600x400 *");
    d.wm->tile(Layout::mainStack);
    EXPECT_EQ(d.frame(0), (Rect{8, 33, 708, 859}));
    EXPECT_EQ(d.hud.messages,
              (std::vector<SimHud::Message>{{"Principal y pila · 1 ventana", 1.6}}));
    EXPECT_EQ(d.clock.pending(), 0u);
}

TEST(Tile, ChoosesTheScreen) {
    struct Case {
        const char* name;
        const char* fixture;
        std::function<void(Desk&)> setup;
        std::vector<Rect> expected;
    } cases[] = {
        {"the focused window's screen, not the pointer's",
         "101 A 'a' 100,100 600x400; 102 B 'b' 1600,100 600x400 *",
         [](Desk& d) {
             d.desktop.setPointer({200, 200});
         },
         {{100, 100, 600, 400}, {1448, 8, 708, 884}}},
        {"no focused window: the pointer's",
         "101 A 'a' 100,100 600x400; 102 B 'b' 1600,100 600x400",
         [](Desk& d) {
             d.desktop.frontmost.reset();
             d.desktop.setPointer({2000, 300});
         },
         {{100, 100, 600, 400}, {1448, 8, 708, 884}}},
        {"the focused window's frame does not read: the pointer's",
         "101 A 'a' 1600,100 600x400 *; 102 B 'b' 100,100 600x400",
         [](Desk& d) {
             d.desktop.window(d.ids[0]).unreadable.insert(SimRead::frame);
             d.desktop.setPointer({200, 200});
         },
         {{1600, 100, 600, 400}, {8, 33, 708, 859}}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d(c.fixture);
        c.setup(d);
        d.wm->tile(Layout::columns2);
        EXPECT_EQ(d.frames(), c.expected);
        EXPECT_EQ(d.hud.last(), "Dos columnas · 1 ventana");
    }
}

TEST(Tile, WindowsOfOtherScreensJoinOnlyWhenAsked) {
    // B lies mostly on the second screen.
    const char* fixture = "101 A 'a' 100,100 600x400 *; 102 B 'b' 1300,100 600x400";
    Desk off(fixture);
    off.wm->tile(Layout::columns2);
    EXPECT_EQ(off.frames(), (std::vector<Rect>{{8, 33, 708, 859}, {1300, 100, 600, 400}}));

    Desk on(fixture);
    on.defaults.setValue("includeOtherScreens", true);
    on.wm->tile(Layout::columns2);
    EXPECT_EQ(on.frames(), (std::vector<Rect>{{8, 33, 708, 859}, {724, 33, 708, 859}}));
    EXPECT_EQ(on.hud.last(), "Dos columnas · 2 ventanas");
}

// Before and after, as the desktop itself tells it: every window moves in one plan, and the
// stacking and focus stay as they were.
TEST(Tile, TheDesktopBeforeAndAfter) {
    Desk d(kThree);
    ASSERT_EQ(d.desktop.dump(), kThree);
    d.wm->tile(Layout::columns3);
    EXPECT_EQ(d.desktop.dump(),
              "101 A 'a' 8,33 469x859 *; 102 B 'b' 485,33 469x859; 103 C 'c' 963,33 469x859");
    ASSERT_EQ(d.desktop.plans.size(), 1u);
    EXPECT_TRUE(d.desktop.plans[0].raise.empty());
    EXPECT_FALSE(d.desktop.plans[0].focus);
}

TEST(Tile, TakesAtMostTheLayoutsWindowsAndLeavesTheRest) {
    Desk d(
        "101 A 'a' 100,100 600x400 *; 102 B 'b' 110,110 600x400; 103 C 'c' 120,120 600x400;"
        "104 D 'd' 130,130 600x400");
    d.wm->tile(Layout::columns3);
    EXPECT_EQ(d.frames(), (std::vector<Rect>{kLeft, kMiddle, kRight, {130, 130, 600, 400}}));
    EXPECT_EQ(d.wm->lastTiled().size(), 3u);
}

TEST(Tile, NothingToTileSaysSoAndKeepsTheLastTiling) {
    Desk d("101 A 'a' 1600,100 600x400; 102 B 'b' 1700,100 600x400");
    d.desktop.frontmost.reset();
    d.desktop.setPointer({200, 200});
    d.arranger.apply(WindowPlan{.tiled = std::vector<WindowRef>{{101, d.ids[0]}}});
    d.wm->tile(Layout::auto_);
    EXPECT_EQ(d.hud.messages, (std::vector<SimHud::Message>{
                                  {"No encontré ventanas para organizar en esta pantalla", 1.6}}));
    EXPECT_EQ(d.tiledIds(), (std::vector<uint64_t>{d.ids[0]}));

    Desk untrusted(kThree);
    untrusted.desktop.trusted = false;
    untrusted.wm->tile(Layout::columns3);
    EXPECT_EQ(untrusted.frame(0), (Rect{100, 100, 600, 400}));
    EXPECT_EQ(untrusted.hud.last(),
              QString::fromUtf8("Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad"));
    EXPECT_TRUE(untrusted.wm->lastTiled().empty());
}

// The adaptive width pass, on columns3: which windows refuse what, and the row afterwards.
TEST(AdaptiveWidthPass, GivesTheRowsFreeWidthToTheWindowsThatTakeIt) {
    struct Case {
        const char* name;
        std::function<void(Desk&)> refuse;
        std::vector<Rect> afterFirstPass;
        std::vector<Rect> afterSecondPass;
    } cases[] = {
        {"the middle keeps 700 points: its neighbours share the rest",
         [](Desk& d) { d.desktop.window(d.ids[1]).minWidth = 700; },
         {{8, 33, 354, 859}, {370, 33, 700, 859}, {1078, 33, 354, 859}},
         {{8, 33, 354, 859}, {370, 33, 700, 859}, {1078, 33, 354, 859}}},
        {"the middle stays narrow: its neighbours grow, the remainder to the rightmost",
         [](Desk& d) { d.desktop.window(d.ids[1]).maxWidth = 301; },
         {{8, 33, 553, 859}, {569, 33, 301, 859}, {878, 33, 554, 859}},
         {{8, 33, 553, 859}, {569, 33, 301, 859}, {878, 33, 554, 859}}},
        {"the left one refuses its new width: the second pass gives the rest to the right",
         [](Desk& d) {
             d.desktop.window(d.ids[1]).minWidth = 700;
             d.desktop.window(d.ids[0]).minWidth = 450;
         },
         {{8, 33, 450, 859}, {370, 33, 700, 859}, {1078, 33, 354, 859}},
         {{8, 33, 450, 859}, {466, 33, 700, 859}, {1174, 33, 258, 859}}},
        {"fixed windows leave exactly 120 points: the row stays",
         [](Desk& d) {
             d.desktop.window(d.ids[0]).minWidth = 700;
             d.desktop.window(d.ids[1]).minWidth = 588;
         },
         {{8, 33, 700, 859}, {485, 33, 588, 859}, kRight},
         {{8, 33, 700, 859}, {485, 33, 588, 859}, kRight}},
        {"121 points are worth sharing",
         [](Desk& d) {
             d.desktop.window(d.ids[0]).minWidth = 700;
             d.desktop.window(d.ids[1]).minWidth = 587;
         },
         {{8, 33, 700, 859}, {716, 33, 587, 859}, {1311, 33, 121, 859}},
         {{8, 33, 700, 859}, {716, 33, 587, 859}, {1311, 33, 121, 859}}},
        {"a window off by 16 points still counts as taking its width",
         [](Desk& d) { d.desktop.window(d.ids[1]).minWidth = 485; },
         {kLeft, {485, 33, 485, 859}, kRight},
         {kLeft, {485, 33, 485, 859}, kRight}},
        {"a window that refuses to move is still counted where it stands",
         [](Desk& d) {
             d.desktop.window(d.ids[1]).minWidth = 700;
             d.desktop.window(d.ids[1]).fixedPosition = true;
         },
         {{8, 33, 354, 859}, {200, 150, 700, 859}, {1078, 33, 354, 859}},
         {{8, 33, 354, 859}, {200, 150, 700, 859}, {1078, 33, 354, 859}}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d(kThree);
        c.refuse(d);
        d.wm->tile(Layout::columns3);
        const auto tiled = d.frames();
        d.clock.advance(0.049);
        EXPECT_EQ(d.frames(), tiled);
        d.clock.advance(0.001);
        EXPECT_EQ(d.frames(), c.afterFirstPass);
        d.clock.advance(0.05);
        EXPECT_EQ(d.frames(), c.afterSecondPass);
        EXPECT_EQ(d.clock.pending(), 0u);  // never a third pass
    }
}

TEST(AdaptiveWidthPass, ARowOfRefusingWindowsIsLeftAloneWithoutASecondPass) {
    Desk d(kThree);
    for (uint64_t id : d.ids) d.desktop.window(id).minWidth = 400 + id % 3;
    for (uint64_t id : d.ids) d.desktop.window(id).maxWidth = 400 + id % 3;
    d.wm->tile(Layout::columns3);
    const auto tiled = d.frames();
    d.clock.advance(0.05);
    EXPECT_EQ(d.frames(), tiled);
    EXPECT_EQ(d.clock.pending(), 0u);
}

TEST(AdaptiveWidthPass, EachStackRowOfMainStackStandsAlone) {
    // The main window and the top of the stack share the unit y but not the height.
    Desk d(kThree);
    d.desktop.window(d.ids[1]).maxWidth = 300;
    d.desktop.window(d.ids[2]).maxWidth = 300;
    d.wm->tile(Layout::mainStack);
    const auto tiled = d.frames();
    EXPECT_EQ(tiled[1].width, 300);
    d.clock.advance(0.2);
    EXPECT_EQ(d.frames(), tiled);
}

TEST(AdaptiveWidthPass, AWindowClosedSinceTheTilingIsLeftOut) {
    Desk d(kThree);
    d.desktop.window(d.ids[1]).minWidth = 700;
    d.wm->tile(Layout::columns3);
    d.desktop.vanish(d.ids[2]);
    d.clock.advance(0.05);
    // The left window shares the row with the middle one only: 1440 - 3 * 8 - 700.
    EXPECT_EQ(d.frame(0), (Rect{8, 33, 716, 859}));
    EXPECT_EQ(d.frame(1), (Rect{732, 33, 700, 859}));
    d.desktop.vanish(d.ids[0]);
    d.clock.advance(0.05);
    EXPECT_EQ(d.frame(1), (Rect{732, 33, 700, 859}));
    EXPECT_EQ(d.clock.pending(), 0u);
}

TEST(AdaptiveWidthPass, ReadsTheGapWhenItRuns) {
    Desk d(kThree);
    d.desktop.window(d.ids[1]).minWidth = 700;
    d.wm->tile(Layout::columns3);
    d.defaults.setValue("gap", int64_t{10});
    d.clock.advance(0.05);
    // 1440 - 4 * 10 - 700 = 700, shared 350 / 350, x at 10, 370 and 1080.
    EXPECT_EQ(d.frames(),
              (std::vector<Rect>{{10, 33, 350, 859}, {370, 33, 700, 859}, {1080, 33, 350, 859}}));
}

TEST(AdaptiveWidthPass, DoesNothingOnceTheManagerIsGone) {
    Desk d(kThree);
    d.desktop.window(d.ids[1]).minWidth = 700;
    d.wm->tile(Layout::columns3);
    d.wm.reset();
    d.clock.advance(0.2);
    EXPECT_EQ(d.frames(), (std::vector<Rect>{kLeft, {485, 33, 700, 859}, kRight}));
}

}  // namespace
}  // namespace quenda
