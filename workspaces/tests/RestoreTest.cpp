#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "workspaces/tests/WorkspacesDesk.h"

namespace quenda {
namespace {

using testing::said;
using testing::WorkspacesDesk;

void store(WorkspacesDesk& d, int slot, const std::vector<SavedWindow>& windows) {
    d.prefs.set(settings::workspaceSlot(slot), encodeSavedWindows(windows).value());
}

QString restored(int slot, int count) {
    return QString::fromUtf8("Distribución %1 restaurada (%2 ventanas)").arg(slot).arg(count);
}

const Rect kF1{8, 33, 708, 859}, kF2{724, 33, 708, 859}, kF3{100, 100, 640, 480},
    kF4{200, 150, 500, 400};

TEST(Restore, PutsSavedWindowsBackOnTheirFrames) {
    WorkspacesDesk d;
    const auto w = d.desktop.load(
        "101 Editor 'notes.txt' 300,300 400x300; 101 Editor 'todo.txt' 350,350 400x300; "
        "102 Term 'sh' 0,0 500x500");
    d.tag(101, "org.editor");
    d.tag(102, "org.term");
    store(d, 2,
          {{"org.editor", "Editor", "todo.txt", kF1},
           {"org.term", "Term", "sh", {10.5, 40.25, 500.5, 300.75}},
           {"org.editor", "Editor", "notes.txt", kF2}});
    const QByteArray before = *d.prefs.get(settings::workspace2);

    d.workspaces->restore(2);
    EXPECT_EQ(d.frame(w[1]), kF1);
    EXPECT_EQ(d.frame(w[2]), (Rect{10.5, 40.25, 500.5, 300.75}));  // exactly, no rounding
    EXPECT_EQ(d.frame(w[0]), kF2);
    EXPECT_EQ(d.hud.messages, said(restored(2, 3)));
    EXPECT_EQ(d.clock.pending(), 0u);
    EXPECT_TRUE(d.desktop.launches.empty());
    EXPECT_EQ(d.prefs.get(settings::workspace2), before);
}

TEST(Restore, BringsBackWhatWasSaved) {
    WorkspacesDesk d("1440x900+0+0,1920x1080+1440+0");
    const auto w = d.desktop.load(
        "101 Files 'Música/2024' 8,33 708x859 *; 102 Term 'sh' 1500,100 600x400; "
        "101 Files 'Documentos' 724,33 708x859");
    d.tag(101, "org.gnome.Nautilus");
    d.tag(102, "org.term");
    d.workspaces->save(1);
    for (uint64_t id : w) d.desktop.window(id).frame = {50, 50, 300, 200};
    d.desktop.focus(w[1]);

    d.workspaces->restore(1);
    EXPECT_EQ(d.frame(w[0]), kF1);
    EXPECT_EQ(d.frame(w[1]), (Rect{1500, 100, 600, 400}));
    EXPECT_EQ(d.frame(w[2]), kF2);
    EXPECT_EQ(d.desktop.frontToBack(), w);
    EXPECT_EQ(d.hud.last(), restored(1, 3));
}

// Which open window each saved window goes to, for windows of application 101 ("org.a").
TEST(Restore, ChoosesAWindowForEachSavedOne) {
    struct Case {
        const char* name;
        const char* scene;  // windows of 101, in the order the application lists them
        std::function<void(WorkspacesDesk&, const std::vector<uint64_t>&)> setup;
        std::vector<QString> savedTitles;         // saved with kF1, kF2, kF3 in turn
        std::vector<std::optional<Rect>> frames;  // per scene window; nothing = not moved
    } cases[] = {
        {"by title, whatever the order",
         "'a' 0,0 300x300; 'b' 0,0 300x300; 'c' 0,0 300x300",
         {},
         {"c", "a", "b"},
         {kF2, kF3, kF1}},
        {"equal titles: in turn", "'x' 0,0 300x300; 'x' 0,0 300x300", {}, {"x", "x"}, {kF1, kF2}},
        {"a changed title takes the first window left",
         "'a' 0,0 300x300; 'b' 0,0 300x300; 'c' 0,0 300x300",
         {},
         {"b", "renamed", "a"},
         {kF2, kF1, kF3}},
        {"in saved order: a renamed window takes the first left, before a later match",
         "'a' 0,0 300x300; 'b' 0,0 300x300",
         {},
         {"renamed", "a"},
         {kF1, kF2}},
        {"more saved windows than open ones: each open one once",
         "'a' 0,0 300x300",
         {},
         {"a", "a", "b"},
         {kF1}},
        {"minimised windows and dialogs are not candidates",
         "'x' 0,0 300x300 min; 'x' 0,0 300x300 dialog; 'y' 0,0 300x300",
         {},
         {"x"},
         {std::nullopt, std::nullopt, kF1}},
        {"an unreadable subrole is not a candidate",
         "'x' 0,0 300x300; 'y' 0,0 300x300",
         [](WorkspacesDesk& d, const std::vector<uint64_t>& w) {
             d.desktop.window(w[0]).unreadable.insert(SimRead::role);
         },
         {"x"},
         {std::nullopt, kF1}},
        {"an unreadable title matches nothing but stays a candidate",
         "'x' 0,0 300x300; 'y' 0,0 300x300",
         [](WorkspacesDesk& d, const std::vector<uint64_t>& w) {
             d.desktop.window(w[0]).unreadable.insert(SimRead::title);
         },
         {"y", ""},
         {kF2, kF1}},
        {"a window list that cannot be read: nothing to place",
         "'x' 0,0 300x300",
         [](WorkspacesDesk& d, const std::vector<uint64_t>&) {
             d.desktop.app(101).windowsReadFails = true;
         },
         {"x"},
         {std::nullopt}},
    };
    const Rect frames[] = {kF1, kF2, kF3};
    for (const Case& c : cases) {
        WorkspacesDesk d;
        QString scene;
        for (const QString& part : QString::fromUtf8(c.scene).split(';'))
            scene += "101 App " + part + ";";
        const auto w = d.desktop.load(scene + "102 Other 'a' 0,0 300x300");
        d.tag(101, "org.a");
        d.tag(102, "org.other");
        if (c.setup) c.setup(d, w);
        std::vector<SavedWindow> saved;
        for (size_t i = 0; i < c.savedTitles.size(); ++i)
            saved.push_back({"org.a", "App", c.savedTitles[i], frames[i]});
        store(d, 1, saved);

        d.workspaces->restore(1);
        int count = 0;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(d.frame(w[i]), c.frames[i].value_or(Rect{0, 0, 300, 300}))
                << c.name << ", window " << i;
            if (c.frames[i]) ++count;
        }
        EXPECT_EQ(d.frame(w.back()), (Rect{0, 0, 300, 300})) << c.name;  // another app's
        EXPECT_EQ(d.hud.messages, said(restored(1, count))) << c.name;
    }
}

// An application here may run as one process per window (xterm); its saved windows are
// matched across all of them, in the order they started.
TEST(Restore, MatchesAcrossEveryProcessOfAnApplication) {
    WorkspacesDesk d;
    const auto w = d.desktop.load(
        "201 xterm 'a' 0,0 300x300; 202 xterm 'b' 0,0 300x300; 203 xterm 'c' 0,0 300x300; "
        "204 uxterm 'z' 0,0 300x300");
    for (int32_t pid : {201, 202, 203}) d.tag(pid, "xterm");
    d.tag(204, "uxterm");
    store(d, 1,
          {{"xterm", "xterm", "c", kF1},
           {"xterm", "xterm", "a", kF2},
           {"xterm", "xterm", "z", kF3},
           {"xterm", "xterm", "b", kF4}});

    d.workspaces->restore(1);
    EXPECT_EQ(d.frame(w[2]), kF1);
    EXPECT_EQ(d.frame(w[0]), kF2);
    EXPECT_EQ(d.frame(w[1]), kF3);  // no "z" among them: the first one left
    EXPECT_EQ(d.frame(w[3]), (Rect{0, 0, 300, 300}));
    EXPECT_EQ(d.hud.messages, said(restored(1, 3)));
    EXPECT_EQ(d.desktop.frontmost, 203);
}

TEST(Restore, RaisesThePlacedWindowsSoTheFirstEndsInFront) {
    WorkspacesDesk d;
    const auto w = d.desktop.load(
        "101 A 'a1' 0,0 300x300 *; 102 B 'b' 0,0 300x300; 101 A 'a2' 0,0 300x300; "
        "103 C 'c' 0,0 300x300");
    d.tag(101, "org.a");
    d.tag(102, "org.b");
    d.tag(103, "org.c");
    store(d, 1,
          {{"org.c", "C", "c", kF1},
           {"org.a", "A", "a2", kF2},
           {"org.ghost", "Ghost", "g", kF3},
           {"org.a", "A", "a1", kF4}});

    d.workspaces->restore(1);
    EXPECT_EQ(d.desktop.frontToBack(), (std::vector<uint64_t>{w[3], w[2], w[0], w[1]}));
    EXPECT_EQ(d.desktop.frontmost, 103);
    EXPECT_EQ(d.desktop.app(101).focusedWindow, w[2]);  // the earlier saved is its main
    // One plan: every frame, the raises back to front, one focus.
    ASSERT_EQ(d.desktop.plans.size(), 1u);
    const WindowRef c{103, w[3]}, a2{101, w[2]}, a1{101, w[0]};
    EXPECT_EQ(
        d.desktop.plans[0],
        (WindowPlan{.frames = {{c, kF1}, {a2, kF2}, {a1, kF4}}, .raise = {a1, a2, c}, .focus = c}));
    EXPECT_EQ(d.hud.messages, said(restored(1, 3)));
}

TEST(Restore, NothingPlacedRaisesNothing) {
    WorkspacesDesk d;
    const auto w = d.desktop.load("101 A 'a' 0,0 300x300 *; 102 B 'b' 0,0 300x300");
    d.tag(101, "org.a");
    d.tag(102, "org.b");
    store(d, 1, {{"org.ghost", "Ghost", "g", kF1}, {"org.b", "B", "b", {3000, 0, 100, 100}}});
    d.workspaces->restore(1);
    EXPECT_EQ(d.desktop.frontToBack(), w);
    EXPECT_TRUE(d.desktop.activations.empty());
    EXPECT_EQ(d.desktop.frontmost, 101);
    EXPECT_EQ(d.hud.messages, said(restored(1, 0)));
}

// A saved frame is restored when it overlaps some screen now connected by a positive area.
TEST(Restore, SkipsFramesNoScreenShows) {
    struct Case {
        const char* monitors;
        Rect frame;
        bool placed;
    } cases[] = {
        {"1440x900+0+0", {1439, 100, 100, 100}, true},
        {"1440x900+0+0", {1440, 100, 100, 100}, false},   // only touches the right edge
        {"1440x900+0+0", {-100, -100, 100, 100}, false},  // only touches a corner
        {"1440x900+0+0", {-99, -99, 100, 100}, true},
        {"1440x900+0+0", {100, 900, 50, 50}, false},  // below, touching
        {"1440x900+0+0", {100, 899.5, 50, 50}, true},
        {"1440x900+0+0", {100, 100, 0, 0}, false},       // no area
        {"1440x900+0+0", {2000, 100, 800, 600}, false},  // where a second screen was
        {"1440x900+0+0,1920x1080+1440+0", {2000, 100, 800, 600}, true},
        {"1440x900+0+0,1440x900+0+900", {100, 1000, 100, 100}, true},  // a screen below
        {"1440x900+0+0,1440x900+0+900", {100, 1800, 100, 100}, false},
        {"1920x1080+0+0,1280x1024+1920+0", {2000, 1000, 100, 100}, true},
        {"1920x1080+0+0,1280x1024+1920+0", {2000, 1050, 100, 100}, false},  // under the short one
        {"1440x900+0+0,1280x800-1280+0", {-600, 100, 300, 300}, true},      // a screen to the left
        {"1440x900+0+0,1280x800-1280+0", {-600, 850, 300, 300}, false},
    };
    for (const Case& c : cases) {
        WorkspacesDesk d(QString::fromLatin1(c.monitors));
        const auto w = d.desktop.load("101 A 'a' 10,40 300x300; 101 A 'b' 20,50 300x300");
        d.tag(101, "org.a");
        store(d, 1, {{"org.a", "A", "a", c.frame}, {"org.a", "A", "b", kF3}});
        d.workspaces->restore(1);
        const std::string name = std::string(c.monitors) + " " + ::testing::PrintToString(c.frame);
        const Rect unmoved{10, 40, 300, 300};
        EXPECT_EQ(d.frame(w[0]), c.placed ? c.frame : unmoved) << name;
        EXPECT_EQ(d.frame(w[1]), kF3) << name;  // not taken by the skipped one
        EXPECT_EQ(d.hud.messages, said(restored(1, c.placed ? 2 : 1))) << name;
    }
}

// A slot edited by hand can hold any number: a frame larger than the screen it overlaps most
// is cut to that screen, one with no area is skipped, and nothing else reaches the window
// server as it was written.
TEST(Restore, EditedFramesAreCutToTheirScreenOrSkipped) {
    const struct {
        const char* monitors;
        Rect frame;
        std::optional<Rect> placed;
    } cases[] = {
        {"1440x900+0+0", {0, 0, 1e9, 1e9}, Rect{0, 0, 1440, 900}},
        {"1440x900+0+0", {-1e15, 100, 2e15, 300}, Rect{0, 100, 1440, 300}},
        {"1440x900+0+0", {100, -1e300, 300, 1e301}, Rect{100, 0, 300, 900}},
        {"1440x900+0+0", {-50, 10, 1500, 400}, Rect{0, 10, 1440, 400}},    // just too wide
        {"1440x900+0+0", {-50, 10, 1440, 400}, Rect{-50, 10, 1440, 400}},  // fits: as saved
        {"1440x900+0+0", {1e300, 1e300, 1e300, 1e300}, std::nullopt},
        {"1440x900+0+0", {100, 100, -300, 400}, std::nullopt},
        {"1440x900+0+0", {500, 500, -1e9, -1e9}, std::nullopt},
        {"1440x900+0+0", {100, 100, 400, -0.5}, std::nullopt},
        // Two screens: the one it overlaps most.
        {"1440x900+0+0,1920x1080+1440+0", {1400, 50, 1e6, 500}, Rect{1440, 50, 1920, 500}},
        {"1440x900+0+0,1920x1080+1440+0", {-1e6, 50, 1e6 + 1500, 2000}, Rect{0, 50, 1440, 850}},
    };
    for (const auto& c : cases) {
        WorkspacesDesk d(QString::fromLatin1(c.monitors));
        const auto w = d.desktop.load("101 A 'a' 10,40 300x300; 101 A 'b' 20,50 300x300");
        d.tag(101, "org.a");
        store(d, 1, {{"org.a", "A", "a", c.frame}, {"org.a", "A", "b", kF3}});
        d.workspaces->restore(1);
        const std::string name = std::string(c.monitors) + " " + ::testing::PrintToString(c.frame);
        EXPECT_EQ(d.frame(w[0]), c.placed.value_or(Rect{10, 40, 300, 300})) << name;
        EXPECT_EQ(d.frame(w[1]), kF3) << name;
        for (const auto& plan : d.desktop.plans) {
            for (const auto& f : plan.frames) {
                EXPECT_TRUE(f.frame.width <= 1920 && f.frame.height <= 1080 &&
                            std::abs(f.frame.x) < 4000 && std::abs(f.frame.y) < 4000)
                    << name;
            }
        }
        EXPECT_EQ(d.hud.messages, said(restored(1, c.placed ? 2 : 1))) << name;
    }
}

TEST(Restore, ScreensThatWentAwayTakeTheirWindowsOutOfTheCount) {
    WorkspacesDesk d("1440x900+0+0,1920x1080+1440+0");
    const auto w = d.desktop.load("101 A 'left' 8,33 708x859; 101 A 'right' 1500,100 600x400");
    d.tag(101, "org.a");
    d.workspaces->save(1);
    d.desktop.setMonitors("1440x900+0+0", {.menuBar = 25});
    d.desktop.window(w[0]).frame = d.desktop.window(w[1]).frame = {50, 50, 300, 200};
    d.hud.messages.clear();

    d.workspaces->restore(1);
    EXPECT_EQ(d.frame(w[0]), kF1);
    EXPECT_EQ(d.frame(w[1]), (Rect{50, 50, 300, 200}));
    EXPECT_EQ(d.hud.messages, said(restored(1, 1)));
}

// Application 101 ("org.a") runs; "org.b" is installed and opens "b1" and "b2" as it starts,
// "b3" a second later and "late" five seconds later.
struct LaunchDesk : WorkspacesDesk {
    LaunchDesk() {
        a = desktop.load("101 A 'a' 0,0 300x300 *")[0];
        tag(101, "org.a");
        desktop.install("org.b", [this] {
            b1 = desktop.open(300, "B", "b1", {0, 0, 300, 300});
            b2 = desktop.open(300, "B", "b2", {0, 0, 300, 300});
            tag(300, "org.b");
            clock.after(1.0, [this] { b3 = desktop.open(300, "B", "b3", {0, 0, 300, 300}); });
            clock.after(5.0, [this] { late = desktop.open(300, "B", "late", {0, 0, 300, 300}); });
        });
        store(*this, 1,
              {{"org.b", "B", "b2", kF1},
               {"org.a", "A", "a", kF2},
               {"org.b", "B", "b3", kF3},
               {"org.b", "B", "late", kF4},
               {"org.b", "B", "b1", {400, 400, 200, 200}}});
    }
    uint64_t a = 0, b1 = 0, b2 = 0, b3 = 0, late = 0;
};

const QString kOpening = QString::fromUtf8("Abriendo apps de la distribución 1…");

TEST(Restore, LaunchesMissingApplicationsAndPlacesThreeSecondsLater) {
    LaunchDesk d;
    d.workspaces->restore(1);
    EXPECT_EQ(d.desktop.launches, std::vector<QString>{"/sim/org.b"});  // once per application
    EXPECT_EQ(d.hud.messages, said(kOpening));

    d.clock.advance(2.999);
    for (uint64_t id : {d.a, d.b1, d.b2, d.b3}) EXPECT_EQ(d.frame(id), (Rect{0, 0, 300, 300}));
    EXPECT_EQ(d.hud.messages.size(), 1u);

    d.clock.advance(0.001);
    EXPECT_EQ(d.frame(d.b2), kF1);
    EXPECT_EQ(d.frame(d.a), kF2);
    EXPECT_EQ(d.frame(d.b3), kF3);
    EXPECT_EQ(d.frame(d.b1), kF4);  // "late" is not open yet: the first window left
    EXPECT_EQ(d.hud.last(), restored(1, 4));
    EXPECT_EQ(d.desktop.frontmost, 300);
    EXPECT_EQ(d.desktop.frontToBack().front(), d.b2);

    d.clock.advance(5);  // opened too late: left where it opened
    EXPECT_EQ(d.frame(d.late), (Rect{0, 0, 300, 300}));
    EXPECT_EQ(d.hud.messages.size(), 2u);
}

TEST(Restore, SkipsApplicationsThatAreNotInstalled) {
    WorkspacesDesk d;
    const auto w = d.desktop.load("101 A 'a' 0,0 300x300");
    d.tag(101, "org.a");
    store(d, 1, {{"org.gone", "Gone", "g", kF1}, {"org.a", "A", "a", kF2}});
    d.workspaces->restore(1);
    EXPECT_TRUE(d.desktop.launches.empty());
    EXPECT_EQ(d.frame(w[0]), kF2);
    EXPECT_EQ(d.hud.messages, said(restored(1, 1)));
    EXPECT_EQ(d.clock.pending(), 0u);
}

TEST(Restore, ARunningApplicationIsNotLaunchedAgain) {
    LaunchDesk d;
    d.desktop.load("300 B 'b1' 0,0 300x300");
    d.tag(300, "org.b");
    d.workspaces->restore(1);
    EXPECT_TRUE(d.desktop.launches.empty());
    EXPECT_EQ(d.hud.messages, said(restored(1, 2)));
}

TEST(Restore, TheDelayedPlacementTakesTheDesktopAsItIsThen) {
    using Frames = std::vector<std::pair<uint64_t LaunchDesk::*, Rect>>;
    const Rect unmoved{0, 0, 300, 300};
    struct Case {
        const char* name;
        std::function<void(LaunchDesk&)> during;  // within the three seconds
        std::vector<SimHud::Message> messages;
        Frames frames;
    } cases[] = {
        {"the workspaces are gone",
         [](LaunchDesk& d) { d.workspaces.reset(); },
         said(kOpening),
         {{&LaunchDesk::a, unmoved}, {&LaunchDesk::b1, unmoved}, {&LaunchDesk::b2, unmoved}}},
        {"the running application quits",
         [](LaunchDesk& d) { d.desktop.quit(101); },
         {{kOpening, 1.6}, {restored(1, 3), 1.6}},
         {{&LaunchDesk::b2, kF1}, {&LaunchDesk::b3, kF3}}},
        {"the launched application quits",
         [](LaunchDesk& d) { d.desktop.quit(300); },
         {{kOpening, 1.6}, {restored(1, 1), 1.6}},
         {{&LaunchDesk::a, kF2}}},
        {"a launched window closes: the next one takes its place",
         [](LaunchDesk& d) { d.desktop.vanish(d.b2); },
         {{kOpening, 1.6}, {restored(1, 3), 1.6}},
         {{&LaunchDesk::b1, kF1}, {&LaunchDesk::a, kF2}, {&LaunchDesk::b3, kF3}}},
    };
    for (const Case& c : cases) {
        LaunchDesk d;
        d.workspaces->restore(1);
        d.clock.advance(1.5);
        c.during(d);
        d.clock.advance(1.5);
        EXPECT_EQ(d.hud.messages, c.messages) << c.name;
        for (const auto& [window, frame] : c.frames) EXPECT_EQ(d.frame(d.*window), frame) << c.name;
    }
}

TEST(Restore, SaysAnEmptySlotIsEmpty) {
    struct Case {
        const char* name;
        std::optional<DefaultsValue> stored;
    } cases[] = {
        {"never saved", std::nullopt},
        {"an empty list", QByteArray("[]")},
        {"not JSON", QByteArray("not json")},
        {"an element of the wrong shape",
         QByteArray(R"([{"bundleID":"org.a","appName":"A","title":"a"}])")},
        {"not data", QString(R"([{"bundleID":"org.a","appName":"A","title":"a",)"
                             R"("frame":[[1,2],[300,400]]}])")},
    };
    for (const Case& c : cases) {
        WorkspacesDesk d;
        const auto w = d.desktop.load("101 A 'a' 0,0 300x300");
        d.tag(101, "org.a");
        d.desktop.install("org.b");
        if (c.stored) d.defaults.setValue("workspace.3", *c.stored);
        d.workspaces->restore(3);
        EXPECT_EQ(d.hud.messages,
                  said(QString::fromUtf8("La distribución 3 está vacía. Guárdala desde el menú")))
            << c.name;
        EXPECT_EQ(d.frame(w[0]), (Rect{0, 0, 300, 300})) << c.name;
        EXPECT_EQ(d.workspaces->load(3), c.stored && c.name == std::string("an empty list")
                                             ? std::optional(std::vector<SavedWindow>{})
                                             : std::nullopt)
            << c.name;
        EXPECT_EQ(d.defaults.value("workspace.3"), c.stored) << c.name;
    }
}

TEST(Restore, WithoutPermissionAsksForItAndMovesNothing) {
    LaunchDesk d;
    d.desktop.trusted = false;
    d.workspaces->restore(1);
    EXPECT_EQ(d.desktop.trustRequests, 1);
    EXPECT_EQ(d.hud.messages, said("Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad"));
    EXPECT_TRUE(d.desktop.launches.empty());
    EXPECT_EQ(d.frame(d.a), (Rect{0, 0, 300, 300}));
    EXPECT_EQ(d.clock.pending(), 0u);
}

}  // namespace
}  // namespace quenda
