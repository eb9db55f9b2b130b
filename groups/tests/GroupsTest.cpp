#include <gtest/gtest.h>

#include "groups/tests/GroupsDesk.h"

namespace quenda {
namespace {

using testing::GroupsDesk;
using Ids = std::vector<std::vector<uint64_t>>;

// Seven windows of three applications, front to back, the first focused.
constexpr const char* kSeven =
    "101 Safari 'a' 0,25 700x800 *; 102 Mail 'b' 10,25 700x800; 103 Safari 'c' 20,25 700x800; "
    "104 Notes 'd' 30,25 700x800; 105 Mail 'e' 40,25 700x800; 106 Notes 'f' 50,25 700x800; "
    "107 Safari 'g' 60,25 700x800";

struct CapacityCase {
    const char* monitor;
    bool stageInset;
    int64_t groupSize;
    int capacity;
};

class Capacity : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(Capacity, FollowsTheUsableWidthAndHeightUnlessTheUserChoseASize) {
    const CapacityCase c = GetParam();
    GroupsDesk d(QString::fromLatin1(c.monitor), {});
    d.prefs.set(settings::stageManagerInset, c.stageInset);
    if (c.groupSize != 0) d.prefs.set(settings::groupSize, c.groupSize);
    d.desktop.load(kSeven);
    d.groups.autoGroup(false);
    EXPECT_EQ(d.hud.last(), QStringLiteral("🗂 7 ventanas en %1 grupos de %2")
                                .arg((7 + c.capacity - 1) / c.capacity)
                                .arg(c.capacity));
}

INSTANTIATE_TEST_SUITE_P(
    Groups, Capacity,
    ::testing::Values(
        CapacityCase{"2560x1415+0+0", false, 0, 3},
        CapacityCase{"5120x2135+0+0", false, 0, 6},  // 5, doubled, capped
        CapacityCase{"1180x900+0+0", false, 0, 2},
        CapacityCase{"1180x900+0+0", true, 0, 1},  // 1060 once the strip is off
        CapacityCase{"1099x900+0+0", false, 0, 1}, CapacityCase{"2299x900+0+0", false, 0, 2},
        CapacityCase{"2300x900+0+0", false, 0, 3}, CapacityCase{"3000x900+0+0", false, 0, 4},
        CapacityCase{"4000x900+0+0", false, 0, 5}, CapacityCase{"2000x1800+0+0", false, 0, 4},
        CapacityCase{"2560x1415+0+0", false, -3, 3},  // 0 or less: automatic
        CapacityCase{"2560x1415+0+0", false, 4, 4}, CapacityCase{"800x600+0+0", false, 1, 1}));

TEST(Capacity, IsTwoWithoutAnyScreen) {
    GroupsDesk d;
    d.desktop.load(kSeven);
    d.desktop.screenList().clear();
    d.prefs.set(settings::groupSize, 5);  // not read without a screen
    d.groups.autoGroup(false);
    EXPECT_EQ(d.hud.last(), QStringLiteral("🗂 7 ventanas en 4 grupos de 2"));
}

TEST(Describe, GivesTheFullSizeAndAShapeLabel) {
    const std::vector<std::pair<Rect, QString>> cases = {
        {{0, 0, 2560, 1440}, QStringLiteral("2560×1440 (16:9)")},
        {{0, 0, 3440, 1440}, QStringLiteral("3440×1440 (21:9)")},
        {{0, 0, 1440, 900}, QStringLiteral("1440×900 (16:10)")},
        {{0, 0, 5120, 1440}, QStringLiteral("5120×1440 (32:9)")},
        {{0, 0, 1366.7, 768.9}, QStringLiteral("1366×768 (16:9)")},
        {{0, 0, 3, 1}, QStringLiteral("3×1 (32:9)")},  // a height of 1 divides by 1
        {{0, 0, 2, 0}, QStringLiteral("2×0 (16:9)")},
    };
    for (const auto& [frame, text] : cases) {
        ScreenInfo screen{1, frame, frame, {}};
        EXPECT_EQ(Groups::describe(screen), text) << ::testing::PrintToString(frame);
    }
}

TEST(AutoGroup, ChunksTheWindowsFrontToBack) {
    GroupsDesk d(QStringLiteral("2560x1415+0+0"), {});
    const auto w = d.desktop.load(kSeven);
    d.groups.autoGroup(false);
    EXPECT_EQ(d.ids(), (Ids{{w[0], w[1], w[2]}, {w[3], w[4], w[5]}, {w[6]}}));
    EXPECT_EQ(d.groups.current(), 0);
    EXPECT_EQ(d.groups.groups()[0][1].appName, QStringLiteral("Mail"));
}

TEST(AutoGroup, ByApplicationKeepsTheOrderWithinEachName) {
    GroupsDesk d(QStringLiteral("2560x1415+0+0"), {});
    const auto w = d.desktop.load(kSeven);
    d.desktop.app(102).localizedName = QStringLiteral("mail");  // case does not matter
    d.groups.autoGroup(true);
    EXPECT_EQ(d.ids(), (Ids{{w[1], w[4], w[3]}, {w[5], w[0], w[2]}, {w[6]}}));
}

TEST(AutoGroup, TakesStandardWindowsOfRegularApplicationsThatAreNotOnScreen) {
    GroupsDesk d;
    const auto w = d.desktop.load(
        "101 Safari 'a' 0,25 700x800 *; 102 Mail 'off' 0,25 700x800 hidden; "
        "103 Mail 'min' 0,25 700x800 min; 104 Mail 'sheet' 0,25 700x800 hidden dialog; "
        "105 Tray 'panel' 0,25 700x800 hidden; 1 Quenda 'own' 0,25 700x800 hidden; "
        "106 Safari 'unnamed' 0,25 700x800 hidden");
    d.desktop.app(105).kind = ApplicationKind::accessory;
    d.desktop.window(w[6]).unreadable.insert(SimRead::role);

    EXPECT_EQ(d.groups.allWindows(false).size(), 2u);
    std::vector<uint64_t> all;
    for (const AXWindow& window : d.groups.allWindows(true)) all.push_back(window.ref().id);
    EXPECT_EQ(all, (std::vector<uint64_t>{w[0], w[1], w[2]}));

    d.desktop.app(101).localizedName.reset();
    d.groups.autoGroup(false);
    EXPECT_EQ(d.ids(), (Ids{{w[0], w[1]}}));
    EXPECT_EQ(d.groups.groups()[0][0].appName, QStringLiteral("App"));
}

// Only the windows of the desktop the user sees, and those shown on every desktop, are
// grouped; a window that goes to another desktop leaves its group.
TEST(AutoGroup, TakesOnlyTheWindowsOfTheCurrentDesktop) {
    GroupsDesk d(QStringLiteral("2560x1415+0+0"), {});
    d.prefs.set(settings::groupSize, 2);
    const auto w = d.desktop.load(
        "101 Safari 'a' 0,25 700x800 *; 102 Mail 'elsewhere' 0,25 700x800 desktop=1; "
        "103 Notes 'sticky' 0,25 700x800 desktop=all; 101 Safari 'a2 elsewhere' 0,25 700x800 "
        "desktop=2; 104 Mail 'min elsewhere' 0,25 700x800 min desktop=1; "
        "105 Term 'b' 0,25 700x800");
    d.groups.autoGroup(false);
    EXPECT_EQ(d.ids(), (Ids{{w[0], w[2]}, {w[5]}}));

    d.desktop.window(w[2]).desktop = 1;
    d.desktop.window(w[1]).desktop = 0;  // comes to this desktop: joins the last group
    d.groups.refresh();
    EXPECT_EQ(d.ids(), (Ids{{w[0]}, {w[5], w[1]}}));

    // On another desktop, the other desktop's windows.
    d.desktop.currentDesktop = 2;
    d.groups.autoGroup(false);
    EXPECT_EQ(d.ids(), (Ids{{w[3]}}));
}

TEST(AutoGroup, WithNoWindowsLeavesNoGroups) {
    GroupsDesk d;
    d.groups.autoGroup(false);
    EXPECT_TRUE(d.groups.groups().empty());
    EXPECT_EQ(d.hud.last(), QStringLiteral("🗂 0 ventanas en 0 grupos de 2"));
}

TEST(AutoGroup, WithoutPermissionAsksAndChangesNothing) {
    GroupsDesk d;
    d.desktop.load(kSeven);
    d.desktop.trusted = false;
    d.groups.autoGroup(false);
    d.groups.show(1);
    d.groups.moveFocused(1);
    EXPECT_TRUE(d.groups.groups().empty());
    EXPECT_EQ(d.desktop.trustRequests, 3);
    EXPECT_EQ(d.hud.texts(),
              std::vector<QString>(3, "Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad"));
}

TEST(Refresh, DropsWindowsThatClosedOrWereMinimisedAndFillsTheLastGroup) {
    GroupsDesk d;  // capacity 2
    const auto w = d.desktop.load(
        "101 A 'a' 0,25 700x800 *; 102 B 'b' 0,25 700x800; 103 C 'c' 0,25 700x800; "
        "104 D 'd' 0,25 700x800; 105 E 'e' 0,25 700x800");
    d.groups.autoGroup(false);
    ASSERT_EQ(d.ids(), (Ids{{w[0], w[1]}, {w[2], w[3]}, {w[4]}}));
    const QUuid kept = d.groups.groups()[0][0].id;

    d.desktop.vanish(w[2]);
    d.desktop.quit(104);  // the whole second group goes
    d.desktop.window(w[1]).minimized = true;
    const uint64_t f =
        d.desktop.open(106, QStringLiteral("F"), QStringLiteral("f"), {0, 25, 700, 800});
    const uint64_t g =
        d.desktop.open(107, QStringLiteral("G"), QStringLiteral("g"), {0, 25, 700, 800});
    const uint64_t h =
        d.desktop.open(108, QStringLiteral("H"), QStringLiteral("h"), {0, 25, 700, 800});
    d.groups.refresh();
    // New windows in the order grouping sees them (front to back): h, g, f.
    EXPECT_EQ(d.ids(), (Ids{{w[0]}, {w[4], h}, {g, f}}));
    EXPECT_EQ(d.groups.groups()[0][0].id, kept);  // records that stay keep their identity
}

TEST(Refresh, ClampsTheCurrentGroupAndHonoursExclusions) {
    GroupsDesk d;
    const auto w = d.desktop.load(
        "101 A 'a' 0,25 700x800 *; 102 B 'b' 0,25 700x800; "
        "103 C 'c' 0,25 700x800");
    const AXWindow a(d.desktop, WindowRef{101, w[0]});
    const AXWindow b(d.desktop, WindowRef{102, w[1]});
    const AXWindow c(d.desktop, WindowRef{103, w[2]});
    d.groups.setGroups({{a}, {b}, {c}}, {});
    d.groups.show(2);
    ASSERT_EQ(d.groups.current(), 2);
    d.desktop.vanish(w[2]);
    d.groups.refresh();
    EXPECT_EQ(d.ids(), (Ids{{w[0]}, {w[1]}}));
    EXPECT_EQ(d.groups.current(), 1);

    d.groups.setGroups({{a}, {}}, {b});
    EXPECT_EQ(d.ids(), (Ids{{w[0]}, {}}));  // untouched until the next refresh
    const uint64_t c2 =
        d.desktop.open(103, QStringLiteral("C"), QStringLiteral("c2"), {0, 25, 700, 800});
    d.groups.refresh();
    EXPECT_EQ(d.ids(), (Ids{{w[0], c2}}));  // the excluded b stays out
}

struct MoveCase {
    const char* name;
    size_t focusGroup;  // which group's first window is focused
    int step;
    Ids expected;  // as indexes into the five windows
    const char* message;
};

TEST(MoveFocused, MovesTheRecordAndSaysWhereItWent) {
    // Groups of two: {0 1} {2 3} {4}.
    const std::vector<MoveCase> cases = {
        {"next", 1, +1, {{0, 1}, {3}, {4, 2}}, "C → Grupo 3 de 3 (2 ventanas)"},
        {"previous", 1, -1, {{0, 1, 2}, {3}, {4}}, "C → Grupo 1 de 3 (3 ventanas)"},
        {"before the first", 0, -1, {{0}, {1}, {2, 3}, {4}}, "A → Grupo 1 de 4 (1 ventanas)"},
        {"after the last, alone", 2, +1, {{0, 1}, {2, 3}, {4}}, "E → Grupo 3 de 3 (1 ventanas)"},
        {"alone, back", 2, -1, {{0, 1}, {2, 3, 4}}, "E → Grupo 2 de 2 (3 ventanas)"},
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.name);
        GroupsDesk d;
        const auto w = d.desktop.load(
            "101 A 'a' 0,25 700x800; 102 B 'b' 0,25 700x800; 103 C 'c' 0,25 700x800; "
            "104 D 'd' 0,25 700x800; 105 E 'e' 0,25 700x800");
        d.groups.autoGroup(false);
        d.groups.show(1);
        d.clock.advance(1);
        const int current = d.groups.current();
        const GroupWindow moved = d.groups.groups()[c.focusGroup][0];
        d.desktop.focus(moved.window.ref().id);
        d.hud.messages.clear();

        d.groups.moveFocused(c.step);
        Ids expected;
        for (const auto& group : c.expected) {
            expected.emplace_back();
            for (size_t i : group) expected.back().push_back(w[i]);
        }
        EXPECT_EQ(d.ids(), expected);
        EXPECT_EQ(d.hud.texts(), std::vector<QString>{QString::fromUtf8(c.message)});
        EXPECT_EQ(d.groups.current(), current);
        bool sameRecord = false;
        for (const auto& group : d.groups.groups())
            for (const GroupWindow& r : group) sameRecord |= r.id == moved.id;
        EXPECT_TRUE(sameRecord);
    }
}

TEST(MoveFocused, BuildsTheGroupsFirstWhenThereAreNone) {
    GroupsDesk d;
    d.desktop.load("101 A 'a' 0,25 700x800 *; 102 B 'b' 0,25 700x800; 103 C 'c' 0,25 700x800");
    d.groups.moveFocused(1);
    EXPECT_EQ(d.hud.texts(),
              (std::vector<QString>{QStringLiteral("🗂 3 ventanas en 2 grupos de 2"),
                                    QStringLiteral("A → Grupo 2 de 2 (2 ventanas)")}));
}

TEST(Messages, KeepNamesThatLookLikePlaceholders) {
    GroupsDesk d;
    d.desktop.load("101 A 'a' 0,25 700x800 *");
    d.desktop.app(101).localizedName = QStringLiteral("Build %1 %4");
    d.groups.moveFocused(1);
    d.groups.show(0);
    d.clock.advance(1);
    EXPECT_EQ(d.hud.texts(),
              (std::vector<QString>{QStringLiteral("🗂 1 ventanas en 1 grupos de 2"),
                                    QStringLiteral("Build %1 %4 → Grupo 1 de 1 (1 ventanas)"),
                                    QStringLiteral("Grupo 1 de 1 — Build %1 %4")}));
}

TEST(MoveFocused, WithoutAFocusedWindowDoesNothing) {
    GroupsDesk d;
    d.desktop.load("101 A 'a' 0,25 700x800; 102 B 'b' 0,25 700x800");
    d.groups.moveFocused(1);
    EXPECT_TRUE(d.groups.groups().empty());
    EXPECT_TRUE(d.hud.messages.empty());
}

TEST(MoveFocused, AnExcludedWindowIsInNoGroup) {
    GroupsDesk d;
    const auto w = d.desktop.load("101 A 'a' 0,25 700x800 *; 102 B 'b' 0,25 700x800");
    const AXWindow a(d.desktop, WindowRef{101, w[0]});
    const AXWindow b(d.desktop, WindowRef{102, w[1]});
    d.groups.setGroups({{b}}, {a});
    d.groups.moveFocused(-1);
    EXPECT_EQ(d.hud.last(), QStringLiteral("No encontré la ventana activa en los grupos"));
    EXPECT_EQ(d.ids(), (Ids{{w[1]}}));
}

TEST(Observers, HearEveryChangeOfTheGroups) {
    GroupsDesk d;
    d.desktop.load("101 A 'a' 0,25 700x800 *; 102 B 'b' 0,25 700x800");
    int changes = 0;
    d.groups.observe([&] { ++changes; });
    d.groups.autoGroup(false);
    EXPECT_EQ(changes, 1);
    d.groups.setGroups({}, {});
    EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace quenda
