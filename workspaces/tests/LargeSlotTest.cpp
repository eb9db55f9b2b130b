#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

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

QString tooLarge(int slot) {
    return QString::fromUtf8(
               "La distribución %1 tiene demasiadas ventanas: se restauran como "
               "mucho 1000")
        .arg(slot);
}

// Runs the steps a restore left on the main queue, as the main loop would between events.
void finish(WorkspacesDesk& d) {
    for (int guard = 0; d.clock.pending() && guard < 10000; ++guard) d.clock.runDue();
}

std::vector<SavedWindow> manyOf(const QString& bundleID, size_t count) {
    std::vector<SavedWindow> windows;
    for (size_t i = 0; i < count; ++i)
        windows.push_back({bundleID, "App", QStringLiteral("w%1").arg(i), {10, 40, 300, 200}});
    return windows;
}

const Rect kUnmoved{0, 0, 300, 300};

// A slot larger than the program restores is refused before any window is read or moved,
// whatever it holds, and reads as no slot; one at the bound is restored as usual.
TEST(LargeSlot, RestoringTooManyWindowsIsRefused) {
    const QByteArray hugeTitle(600 * 1024, 'x');
    QByteArray plainNumbers = "[";
    for (int i = 0; i < 20000; ++i) plainNumbers += i ? ",1" : "1";
    plainNumbers += ']';
    struct Case {
        const char* name;
        QByteArray data;
        bool refused;
    } cases[] = {
        {"one over the bound", encodeSavedWindows(manyOf("org.a", 1001)).value(), true},
        {"an edited slot of 20,000 windows", encodeSavedWindows(manyOf("org.a", 20000)).value(),
         true},
        {"20,000 entries that are not windows", plainNumbers, true},
        {"a few windows with enormous titles",
         encodeSavedWindows({{"org.a", "App", QString::fromLatin1(hugeTitle), kUnmoved},
                             {"org.a", "App", QString::fromLatin1(hugeTitle), kUnmoved},
                             {"org.b", "B", QString::fromLatin1(hugeTitle), kUnmoved},
                             {"org.b", "B", QString::fromLatin1(hugeTitle), kUnmoved},
                             {"org.b", "B", QString::fromLatin1(hugeTitle), kUnmoved},
                             {"org.b", "B", QString::fromLatin1(hugeTitle), kUnmoved},
                             {"org.b", "B", QString::fromLatin1(hugeTitle), kUnmoved}})
             .value(),
         true},
        {"exactly at the bound", encodeSavedWindows(manyOf("org.a", 1000)).value(), false},
    };
    for (const Case& c : cases) {
        WorkspacesDesk d;
        const auto w = d.desktop.load("101 App 'w5' 0,0 300x300; 101 App 'w0' 0,0 300x300");
        d.tag(101, "org.a");
        d.desktop.install("org.b");
        d.prefs.set(settings::workspace3, c.data);

        d.workspaces->restore(3);
        finish(d);
        if (c.refused) {
            EXPECT_EQ(d.hud.messages, said(tooLarge(3))) << c.name;
            EXPECT_TRUE(d.desktop.plans.empty()) << c.name;
            EXPECT_TRUE(d.desktop.windowsAsked.empty()) << c.name;
            EXPECT_TRUE(d.desktop.launches.empty()) << c.name;
            EXPECT_EQ(d.frame(w[0]), kUnmoved) << c.name;
            EXPECT_EQ(d.workspaces->load(3), std::nullopt) << c.name;
        } else {
            EXPECT_EQ(d.workspaces->load(3).value_or(std::vector<SavedWindow>{}).size(), 1000u)
                << c.name;
            EXPECT_EQ(d.hud.messages, said(restored(3, 2))) << c.name;
            EXPECT_EQ(d.frame(w[0]), (Rect{10, 40, 300, 200})) << c.name;
            EXPECT_EQ(d.frame(w[1]), (Rect{10, 40, 300, 200})) << c.name;
        }
        EXPECT_EQ(d.prefs.get(settings::workspace3), c.data) << c.name;  // never changed
        EXPECT_EQ(d.clock.pending(), 0u) << c.name;
    }
}

// More visible windows than a slot may hold: the slot keeps what it had, and the user hears
// why.
TEST(LargeSlot, SavingTooManyWindowsIsRefused) {
    for (const int count : {1000, 1001}) {
        WorkspacesDesk d("3840x2160+0+0");
        for (int i = 0; i < count; ++i)
            d.desktop.open(101, "App", QStringLiteral("t%1").arg(i),
                           {double(i % 40) * 90, double(i / 40) * 80, 100, 70});
        d.tag(101, "org.a");
        d.defaults.setValue("workspace.1", QByteArray("[]"));

        d.workspaces->save(1);
        if (count > 1000) {
            EXPECT_EQ(d.prefs.get(settings::workspace1), QByteArray("[]"));
            EXPECT_EQ(d.hud.messages,
                      said(QString::fromUtf8("Demasiadas ventanas para guardar la distribución "
                                             "1: como mucho 1000")));
        } else {
            EXPECT_EQ(d.workspaces->load(1).value_or(std::vector<SavedWindow>{}).size(), 1000u);
            EXPECT_EQ(d.hud.messages,
                      said(QString::fromUtf8("💾 Distribución 1 guardada (1000 ventanas)")));
        }
    }
}

// Many windows of one application spread over many processes (a desk of xterms), with
// repeated and changed titles: every saved window goes where choosing one at a time, in saved
// order, would send it (the first unused window of its title, else the first unused one),
// each application's windows are read once, and the first saved window ends in front.
TEST(LargeSlot, ManyWindowsAreMatchedAsOneAtATime) {
    WorkspacesDesk d("1920x1080+0+0");
    struct Open {
        uint64_t id;
        QString bundleID;
        QString title;
    };
    std::vector<Open> open;  // in the order the candidates are listed
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % below;
    };
    for (int32_t pid = 1000; pid < 1150; ++pid) {  // xterms: one to three windows each
        d.tag(pid, "xterm");
        for (uint32_t k = 0, n = 1 + next(3); k < n; ++k) {
            const QString title = QStringLiteral("sh %1").arg(next(60));
            open.push_back({d.desktop.open(pid, "xterm", title, kUnmoved), "xterm", title});
        }
    }
    d.tag(2000, "org.b");
    for (int k = 0; k < 40; ++k) {
        const QString title = QStringLiteral("doc %1").arg(next(25));
        open.push_back({d.desktop.open(2000, "B", title, kUnmoved), "org.b", title});
    }
    d.tag(2001, "org.c");  // running, but its saved windows are all off every screen
    open.push_back({d.desktop.open(2001, "C", "c", kUnmoved), "org.c", "c"});

    std::vector<SavedWindow> saved;
    for (int i = 0; i < 420; ++i) {
        const Rect frame{double(10 + (i % 40) * 40), double(30 + (i / 40) * 60),
                         double(200 + i % 13), double(150 + i % 7)};
        switch (next(6)) {
            case 0:
                saved.push_back({"org.b", "B", QStringLiteral("doc %1").arg(next(30)), frame});
                break;
            case 1:
                saved.push_back({"xterm", "xterm", QStringLiteral("renamed %1").arg(i), frame});
                break;
            case 2:
                saved.push_back({"org.c", "C", "c", {5000, 5000, 100, 100}});
                break;
            case 3:
                saved.push_back({"org.gone", "Gone", "g", frame});
                break;
            default:
                saved.push_back({"xterm", "xterm", QStringLiteral("sh %1").arg(next(70)), frame});
        }
    }

    // One saved window at a time, over every candidate: the rule the program follows.
    std::map<uint64_t, Rect> expected;
    std::vector<uint64_t> placed;
    for (const SavedWindow& s : saved) {
        if (s.frame.x >= 1920) continue;
        const auto unused = [&](const Open& o) {
            return o.bundleID == s.bundleID && !expected.count(o.id);
        };
        auto chosen = std::find_if(open.begin(), open.end(),
                                   [&](const Open& o) { return unused(o) && o.title == s.title; });
        if (chosen == open.end()) chosen = std::find_if(open.begin(), open.end(), unused);
        if (chosen == open.end()) continue;
        expected[chosen->id] = s.frame;
        placed.push_back(chosen->id);
    }
    ASSERT_GT(placed.size(), 200u);
    store(d, 2, saved);

    d.workspaces->restore(2);
    finish(d);
    for (const Open& o : open) {
        const auto it = expected.find(o.id);
        EXPECT_EQ(d.frame(o.id), it == expected.end() ? kUnmoved : it->second)
            << o.bundleID.toStdString() << " " << o.title.toStdString();
    }
    EXPECT_EQ(d.hud.messages, said(restored(2, int(placed.size()))));
    const auto stacking = d.desktop.frontToBack();
    EXPECT_TRUE(std::equal(placed.begin(), placed.end(), stacking.begin()));
    for (const auto& [pid, times] : d.desktop.windowsAsked) EXPECT_EQ(times, 1) << pid;
    EXPECT_FALSE(d.desktop.windowsAsked.count(2001));  // nothing of it was placeable
}

// A large restore is carried out a group of windows at a time, each group a task of its own
// on the main queue; the message comes once everything is in place. A restore started in the
// meantime takes over: the earlier one stops where it was and says nothing.
TEST(LargeSlot, ALargeRestoreLeavesTheMainLoopFreeBetweenSteps) {
    WorkspacesDesk d("1920x1080+0+0");
    std::vector<uint64_t> w;
    std::vector<SavedWindow> saved;
    for (int i = 0; i < 300; ++i) {
        w.push_back(d.desktop.open(101, "App", QStringLiteral("t%1").arg(i), kUnmoved));
        saved.push_back({"org.a",
                         "App",
                         QStringLiteral("t%1").arg(i),
                         {double(10 + (i % 30) * 50), double(30 + (i / 30) * 80), 400, 300}});
    }
    d.tag(101, "org.a");
    store(d, 1, saved);
    store(d, 2, {{"org.a", "App", "t7", {1, 2, 333, 222}}});

    d.workspaces->restore(1);
    EXPECT_GT(d.clock.pending(), 0u);
    EXPECT_TRUE(d.hud.messages.empty());
    finish(d);
    for (size_t i = 0; i < w.size(); ++i) EXPECT_EQ(d.frame(w[i]), saved[i].frame) << i;
    EXPECT_EQ(d.hud.messages, said(restored(1, 300)));
    EXPECT_EQ(d.desktop.frontToBack(), w);  // the first saved in front
    EXPECT_EQ(d.desktop.frontmost, 101);
    EXPECT_GT(d.desktop.plans.size(), 2u);
    for (const WindowPlan& plan : d.desktop.plans) {
        EXPECT_LE(plan.frames.size() + plan.raise.size(), Workspaces::kWindowsPerStep);
        EXPECT_EQ(plan.focus.has_value(), &plan == &d.desktop.plans.back());
    }

    // Superseded half-way.
    for (uint64_t id : w) d.desktop.window(id).frame = kUnmoved;
    d.hud.messages.clear();
    d.desktop.plans.clear();
    d.workspaces->restore(1);  // its first group moves at once
    d.workspaces->restore(2);
    finish(d);
    EXPECT_EQ(d.hud.messages, said(restored(2, 1)));
    EXPECT_EQ(d.frame(w[7]), (Rect{1, 2, 333, 222}));
    EXPECT_EQ(d.frame(w.back()), kUnmoved);  // the first restore never got that far
}

}  // namespace
}  // namespace quenda
