#include <gtest/gtest.h>

#include "groups/tests/GroupsDesk.h"

namespace quenda {
namespace {

using testing::GroupsDesk;

// Five windows of four applications on a 1440x900 screen with a 25-point menu bar: groups
// of two, {A1 B} {C D} {A2}.
struct SwitchDesk : GroupsDesk {
    SwitchDesk() {
        w = desktop.load(
            "101 A 'a1' 0,25 700x800 *; 102 B 'b' 0,25 700x800; 103 C 'c' 0,25 700x800; "
            "104 D 'd' 0,25 700x800; 101 A 'a2' 0,25 700x800");
        groups.autoGroup(false);
        hud.messages.clear();
    }
    std::vector<uint64_t> w;
};

const Rect kLeftHalf{8, 33, 708, 859}, kRightHalf{724, 33, 708, 859};

TEST(Show, TilesTheGroupAndRaisesItsFirstWindowLast) {
    SwitchDesk d;
    d.groups.show(1);
    EXPECT_EQ(d.desktop.window(d.w[2]).frame, kLeftHalf);
    EXPECT_EQ(d.desktop.window(d.w[3]).frame, kRightHalf);
    ASSERT_EQ(d.wm.lastTiled().size(), 2u);
    EXPECT_EQ(d.wm.lastTiled()[0].ref().id, d.w[2]);
    EXPECT_EQ(d.groups.current(), 1);

    // The last window is raised at once, the next 0.08 s later, then the message.
    EXPECT_EQ(d.desktop.frontToBack().front(), d.w[3]);
    d.clock.advance(0.079);
    EXPECT_EQ(d.desktop.frontToBack().front(), d.w[3]);
    d.clock.advance(0.001);
    EXPECT_EQ(d.desktop.frontToBack().front(), d.w[2]);
    EXPECT_EQ(d.desktop.frontToBack()[1], d.w[3]);
    EXPECT_EQ(d.desktop.frontmost, 103);
    EXPECT_TRUE(d.hud.messages.empty());
    d.clock.advance(0.08);
    EXPECT_EQ(d.hud.texts(), std::vector<QString>{QStringLiteral("Grupo 2 de 3 — C · D")});
    // Two steps: the frames with the first raise, then the last raise with the one focus.
    const WindowRef c{103, d.w[2]}, dd{104, d.w[3]};
    EXPECT_EQ(d.desktop.plans, (std::vector<WindowPlan>{
                                   {.frames = {{c, kLeftHalf}, {dd, kRightHalf}}, .raise = {dd}},
                                   {.raise = {c}, .focus = c},
                               }));
}

// A member gone to another desktop is neither tiled, raised nor focused: showing the group
// never takes the user to another desktop.
TEST(Show, LeavesOutAMemberThatWentToAnotherDesktop) {
    SwitchDesk d;
    d.desktop.window(d.w[3]).desktop = 1;
    d.groups.show(1);
    d.clock.advance(1);
    for (const WindowPlan& plan : d.desktop.plans) {
        for (const FrameRequest& f : plan.frames) EXPECT_NE(f.window.id, d.w[3]);
        for (const WindowRef& r : plan.raise) EXPECT_NE(r.id, d.w[3]);
        if (plan.focus) EXPECT_NE(plan.focus->id, d.w[3]);
    }
    EXPECT_EQ(d.desktop.window(d.w[3]).frame, (Rect{0, 25, 700, 800}));
    EXPECT_EQ(d.desktop.frontmost, 103);
}

TEST(Show, WrapsAroundAtBothEnds) {
    const std::vector<std::pair<int, int>> cases = {{3, 0}, {-1, 2}, {7, 1}, {-4, 2}, {2, 2}};
    for (const auto& [index, target] : cases) {
        SwitchDesk d;
        d.groups.show(index);
        EXPECT_EQ(d.groups.current(), target) << index;
    }
    SwitchDesk d;
    d.groups.show(2);
    d.groups.showNext();
    EXPECT_EQ(d.groups.current(), 0);
    d.groups.showPrevious();
    EXPECT_EQ(d.groups.current(), 2);
}

TEST(Show, AGroupOfOneFillsTheScreenAndNamesOneApplication) {
    SwitchDesk d;
    d.groups.show(2);
    d.clock.advance(1);
    EXPECT_EQ(d.desktop.window(d.w[4]).frame, (Rect{8, 33, 1424, 859}));
    EXPECT_EQ(d.hud.last(), QStringLiteral("Grupo 3 de 3 — A"));
}

TEST(Show, BringsBackHiddenApplicationsOfTheGroupOnly) {
    SwitchDesk d;
    d.desktop.hide(103);
    d.desktop.hide(102);
    d.groups.show(1);
    EXPECT_FALSE(d.desktop.app(103).hidden);
    EXPECT_TRUE(d.desktop.app(102).hidden);
}

TEST(Show, OnTheScreenUnderThePointer) {
    GroupsDesk d(QStringLiteral("1440x900+0+0,1920x1080+1440+0"), {});
    const auto w = d.desktop.load("101 A 'a' 0,0 700x800 *");
    d.desktop.setPointer({2000, 500});
    d.groups.show(0);
    EXPECT_EQ(d.desktop.window(w[0]).frame, (Rect{1448, 8, 1904, 1064}));
}

TEST(Show, WithNothingToGroupSaysSo) {
    GroupsDesk d;
    d.groups.show(0);
    EXPECT_EQ(d.hud.texts(),
              (std::vector<QString>{QStringLiteral("🗂 0 ventanas en 0 grupos de 2"),
                                    QStringLiteral("No hay ventanas para agrupar")}));

    SwitchDesk noScreen;
    noScreen.desktop.screenList().clear();
    noScreen.groups.show(1);
    EXPECT_EQ(noScreen.hud.last(), QStringLiteral("No hay ventanas para agrupar"));
    EXPECT_EQ(noScreen.groups.current(), 0);
}

TEST(Show, RefreshesFirstSoClosedWindowsAreNotTiled) {
    SwitchDesk d;
    d.desktop.vanish(d.w[3]);
    d.groups.show(1);
    d.clock.advance(1);
    EXPECT_EQ(d.desktop.window(d.w[2]).frame, (Rect{8, 33, 1424, 859}));
    EXPECT_EQ(d.hud.last(), QStringLiteral("Grupo 2 de 3 — C"));
}

TEST(StepChain, SurvivesWindowsAndApplicationsThatGoAway) {
    SwitchDesk d;
    d.groups.show(0);
    d.desktop.quit(101);  // A1 goes before its turn to be raised
    d.clock.advance(1);
    EXPECT_EQ(d.hud.last(), QStringLiteral("Grupo 1 de 3 — A · B"));
    EXPECT_EQ(d.desktop.frontToBack().front(), d.w[1]);
}

TEST(StepChain, TwoChainsInterleaveEachWithItsOwnList) {
    SwitchDesk d;
    d.groups.show(0);
    d.groups.show(1);            // both chains run, interleaved
    d.groups.setGroups({}, {});  // and keep their own lists
    d.clock.advance(1);
    EXPECT_EQ(d.desktop.frontToBack().front(), d.w[2]);  // C, the last chain's first
    EXPECT_EQ(d.hud.texts(), (std::vector<QString>{QStringLiteral("Grupo 1 de 3 — A · B"),
                                                   QStringLiteral("Grupo 2 de 3 — C · D")}));
}

TEST(StepChain, LeavesNothingBehindOnceTheGroupsAreGone) {
    testing::WindowManagerDesk desk(QStringLiteral("1440x900+0+0"));
    auto groups = std::make_unique<Groups>(Groups::Services{desk.ax, desk.geo, desk.prefs, desk.hud,
                                                            desk.clock, desk.desktop, desk.arranger,
                                                            desk.l10n});
    desk.desktop.load("101 A 'a' 0,25 700x800 *; 102 B 'b' 0,25 700x800");
    groups->show(0);
    groups.reset();
    desk.clock.advance(1);
    EXPECT_EQ(desk.hud.messages.size(), 1u);  // the count only: the chain stopped
}

}  // namespace
}  // namespace quenda
