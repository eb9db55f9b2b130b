#include <gtest/gtest.h>

#include "layouts/tests/WindowManagerDesk.h"
namespace quenda {
namespace {

// A desktop with one focused window, and the window manager over it.
struct Desk : testing::WindowManagerDesk {
    explicit Desk(const char* monitors = "1440x900+0+0", SimScreenOptions options = {.menuBar = 25},
                  Rect window = {100, 100, 600, 400})
        : WindowManagerDesk(QString::fromLatin1(monitors), options), wm(services()) {
        id = desktop.open(101, "Editor", "doc", window);
        desktop.focus(id);
    }
    Rect frame() { return desktop.window(id).frame; }

    WindowManager wm;
    uint64_t id = 0;
};

TEST(Snap, RepeatingASideWithinTwoSecondsStepsThroughHalfThirdTwoThirds) {
    Desk d;
    const Rect half{8, 33, 708, 859}, third{8, 33, 469, 859}, twoThirds{8, 33, 947, 859};
    for (const Rect& expected : {half, third, twoThirds, half, third}) {
        d.wm.snap(Snap::left);
        EXPECT_EQ(d.frame(), expected);
        d.clock.advance(1.75);  // measured from the previous press, not the first
    }
    d.clock.advance(0.25);  // exactly 2.0 s after the last press: the cycle starts over
    d.wm.snap(Snap::left);
    EXPECT_EQ(d.frame(), half);
    EXPECT_TRUE(d.hud.messages.empty());
}

TEST(Snap, AnyOtherSnapInBetweenRestartsTheCycle) {
    Desk d;
    d.wm.snap(Snap::left);
    d.wm.snap(Snap::right);
    EXPECT_EQ(d.frame(), (Rect{724, 33, 708, 859}));
    d.wm.snap(Snap::left);
    EXPECT_EQ(d.frame(), (Rect{8, 33, 708, 859}));
    d.wm.snap(Snap::maximize);
    d.wm.snap(Snap::maximize);  // ignores the step but still records it
    EXPECT_EQ(d.wm.lastSnap()->index, 1);
    EXPECT_EQ(d.frame(), (Rect{8, 33, 1424, 859}));
}

TEST(Snap, EverySnapKindPlacesItsUnitRectangle) {
    struct Case {
        Snap snap;
        Rect expected;
    } cases[] = {
        {Snap::top, {0, 0, 1000, 400}},      {Snap::bottom, {0, 400, 1000, 400}},
        {Snap::right, {500, 0, 500, 800}},   {Snap::center, {150, 64, 700, 672}},
        {Snap::maximize, {0, 0, 1000, 800}},
    };
    for (const Case& c : cases) {
        Desk d("1000x800+0+0", {});
        d.defaults.setValue("gap", int64_t{0});
        d.wm.snap(c.snap);
        EXPECT_EQ(d.frame(), c.expected) << rawValue(c.snap).toStdString();
    }
}

TEST(Snap, TheCycleBelongsToTheActionNotTheWindow) {
    Desk d;
    const uint64_t other = d.desktop.open(102, "Other", "b", {300, 300, 500, 300});
    d.wm.snap(Snap::left);
    d.desktop.focus(other);
    d.wm.snap(Snap::left);
    EXPECT_EQ(d.desktop.window(other).frame, (Rect{8, 33, 469, 859}));
}

TEST(Snap, StopsQuietlyWithoutAWindowAndSaysSoWithoutPermission) {
    Desk d;
    d.desktop.frontmost.reset();
    d.wm.snap(Snap::left);
    d.wm.toggleMaximizeCenter();
    d.wm.moveToNextScreen();
    EXPECT_TRUE(d.hud.messages.empty());

    Desk unreadable;
    unreadable.desktop.window(unreadable.id).unreadable.insert(SimRead::frame);
    unreadable.wm.snap(Snap::left);
    EXPECT_EQ(unreadable.frame(), (Rect{100, 100, 600, 400}));

    Desk untrusted;
    untrusted.desktop.trusted = false;
    untrusted.wm.snap(Snap::left);
    untrusted.wm.toggleMaximizeCenter();
    EXPECT_EQ(untrusted.frame(), (Rect{100, 100, 600, 400}));
    ASSERT_EQ(untrusted.hud.messages.size(), 2u);
    EXPECT_EQ(
        untrusted.hud.messages[0],
        (SimHud::Message{QString::fromUtf8("Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad"),
                         1.6}));
}

TEST(Snap, AWindowOnNoScreenUsesTheMainScreen) {
    Desk d("1000x800+0+0,1000x800+1000+0", {}, {5000, 5000, 300, 300});
    d.desktop.setMainScreen(1);
    d.defaults.setValue("gap", int64_t{0});
    d.wm.snap(Snap::left);
    EXPECT_EQ(d.frame(), (Rect{1000, 0, 500, 800}));
}

TEST(ToggleMaximizeCenter, WithinTwentyFourPointsCountsAsMaximised) {
    struct Case {
        double off;
        const char* message;
        Rect expected;
    } cases[] = {
        {20, "Centrada", {150, 64, 700, 672}},
        {24, "Centrada", {150, 64, 700, 672}},
        {25, "Maximizada", {0, 0, 1000, 800}},
    };
    for (const Case& c : cases) {
        // Each of x, y, width and height off by the same amount.
        Desk d("1000x800+0+0", {}, {c.off, c.off, 1000 + c.off, 800 + c.off});
        d.defaults.setValue("gap", int64_t{0});
        d.wm.toggleMaximizeCenter();
        EXPECT_EQ(d.frame(), c.expected) << c.off;
        EXPECT_EQ(d.hud.messages, (std::vector<SimHud::Message>{{c.message, 1.6}}));
    }
}

TEST(MoveToNextScreen, KeepsTheRelativePlaceAndWrapsAround) {
    // Right half of the first screen's usable area (menu bar 25 on the primary only).
    Desk d("1000x800+0+0,1200x900+1000+0", {.menuBar = 25}, {500, 25, 500, 775});
    d.wm.moveToNextScreen();
    EXPECT_EQ(d.frame(), (Rect{1600, 0, 600, 900}));
    d.wm.moveToNextScreen();
    EXPECT_EQ(d.frame(), (Rect{500, 25, 500, 775}));
    EXPECT_TRUE(d.hud.messages.empty());
}

TEST(MoveToNextScreen, ClampsWindowsLargerThanTheAreaAndNeedsTwoScreens) {
    Desk d("1000x800+0+0,1000x800+1000+0", {}, {-50, 100, 1400, 300});
    d.wm.moveToNextScreen();
    EXPECT_EQ(d.frame(), (Rect{1000, 100, 1000, 300}));

    Desk single;
    single.wm.moveToNextScreen();
    EXPECT_EQ(single.hud.messages,
              (std::vector<SimHud::Message>{{"Solo hay una pantalla conectada", 1.6}}));
}

}  // namespace
}  // namespace quenda
