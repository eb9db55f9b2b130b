#include <gtest/gtest.h>

#include "core/AX.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

std::vector<QString> titles(const std::vector<VisibleWindow>& list) {
    std::vector<QString> result;
    for (const auto& v : list) result.push_back(v.window.title().value_or("?"));
    return result;
}

std::vector<QString> titles(std::initializer_list<const char*> names) {
    std::vector<QString> result;
    for (const char* n : names) result.push_back(QString::fromUtf8(n));
    return result;
}

TEST(AX, VisibleWindowsComeFrontToBackAndPassEveryFilter) {
    SimDesktop d;
    d.ownProcess = 1;
    d.load(
        "101 Safari 'front' 0,25 720x875 *;"
        "1 Quenda 'own panel' 10,10 300x300;"  // the program's own window
        "102 Term 'narrow' 0,0 79x500;"
        "102 Term 'short' 0,0 500x59;"
        "102 Term 'least' 0,0 80x60;"
        "103 Ghost 'clear' 0,0 500x500 alpha=0.01;"
        "103 Ghost 'faint' 10,10 500x500 alpha=0.02;"
        "104 Dock 'dock' 0,0 500x500 layer=20;"
        "105 Mail 'minimised' 0,0 500x500 min;"
        "105 Mail 'sheet' 0,0 500x500 dialog;"
        "106 Other 'elsewhere' 0,0 500x500 hidden;"
        "101 Safari 'back' 720,25 720x875");
    EXPECT_EQ(titles(AX(d).orderedVisibleWindows()), titles({"front", "least", "faint", "back"}));
}

TEST(AX, AlphaIsOptionalAndLayerMustBeKnown) {
    SimDesktop d;
    const auto ids = d.load("101 A 'a' 0,0 500x500; 102 B 'b' 0,0 500x500");
    d.window(ids[0]).alpha.reset();
    EXPECT_EQ(AX(d).orderedVisibleWindows().size(), 2u);
    d.windowListFails = true;
    EXPECT_TRUE(AX(d).orderedVisibleWindows().empty());
}

TEST(AX, MatchingUsesTheListFrameWithinFourPoints) {
    struct Case {
        double offset;
        bool listed;
    } cases[] = {{0, true}, {3.9, true}, {-3.9, true}, {4, false}, {-4, false}};
    for (const Case& c : cases) {
        SimDesktop d;
        const auto ids = d.load("101 A 'a' 100,100 500x400");
        for (int field = 0; field < 4; ++field) {
            Rect list{100, 100, 500, 400};
            (field == 0   ? list.x
             : field == 1 ? list.y
             : field == 2 ? list.width
                          : list.height) += c.offset;
            d.window(ids[0]).listBounds = list;
            const auto visible = AX(d).orderedVisibleWindows();
            ASSERT_EQ(visible.size(), c.listed ? 1u : 0u) << c.offset << " on field " << field;
            if (c.listed) EXPECT_EQ(visible[0].frame, list);  // the list's frame, not the window's
        }
    }
}

TEST(AX, TwoIdenticalWindowsAreEachMatchedOnce) {
    SimDesktop d;
    d.load("101 A 'one' 100,100 500x400; 101 A 'two' 100,100 500x400");
    const auto visible = AX(d).orderedVisibleWindows();
    ASSERT_EQ(visible.size(), 2u);
    EXPECT_FALSE(visible[0].window == visible[1].window);
    // The application lists "one" first, so the first list entry takes it.
    EXPECT_EQ(titles(visible), titles({"one", "two"}));
}

TEST(AX, UnreadableStatesDropOrKeepAsTheRuleSays) {
    SimDesktop d;
    const auto ids = d.load(
        "101 A 'no role' 0,0 500x500; 102 B 'no minimised state' 0,0 500x500;"
        "103 C 'no frame' 0,0 500x500; 106 F 'windows unreadable' 0,0 500x500");
    d.window(ids[0]).unreadable.insert(SimRead::role);
    d.window(ids[1]).unreadable.insert(SimRead::minimized);
    d.window(ids[2]).unreadable.insert(SimRead::frame);
    d.app(106).windowsReadFails = true;
    EXPECT_EQ(titles(AX(d).orderedVisibleWindows()), titles({"no minimised state"}));
}

TEST(AX, EachProcessIsAskedOnceAndOnlyWhenOneOfItsEntriesPasses) {
    SimDesktop d;
    d.load("101 A 'a1' 0,0 500x500; 101 A 'a2' 10,10 500x500; 102 B 'tiny' 0,0 50x50");
    AX(d).orderedVisibleWindows();
    EXPECT_EQ(d.windowsAsked[101], 1);
    EXPECT_EQ(d.windowsAsked.count(102), 0u);  // never asked: its only entry is filtered
}

TEST(AX, FocusedWindowComesFromTheFrontmostApplication) {
    SimDesktop d;
    d.ownProcess = 1;
    const auto ids = d.load("1 Quenda 'own' 0,0 300x300 *; 101 A 'a' 0,0 500x500");
    auto focused = AX(d).focusedWindow();
    ASSERT_TRUE(focused);  // the program's own window is not excluded here
    EXPECT_EQ(focused->title(), QStringLiteral("own"));
    EXPECT_EQ(focused->pid(), 1);

    d.focus(ids[1]);
    EXPECT_EQ(AX(d).focusedWindow()->title(), QStringLiteral("a"));
    d.app(101).focusedWindow.reset();
    EXPECT_FALSE(AX(d).focusedWindow());
    d.frontmost.reset();
    EXPECT_FALSE(AX(d).focusedWindow());
}

TEST(AX, WindowsOfAProcessAreUnfilteredInTheApplicationsOrder) {
    SimDesktop d;
    d.load("101 A 'x' 0,0 500x500 min; 101 A 'y' 0,0 50x50 dialog");
    const auto list = AX(d).windows(101);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].title(), QStringLiteral("x"));
    EXPECT_TRUE(AX(d).windows(999).empty());
}

TEST(SimDesktop, RefusedSizesAndVanishedWindowsAreQuietlyKept) {
    SimDesktop d;
    const auto ids = d.load("101 A 'fixed' 0,0 500x500; 101 A 'gone' 0,0 500x500");
    SimWindow& fixed = d.window(ids[0]);
    fixed.minWidth = fixed.maxWidth = 500;
    fixed.heightStep = 13;
    const auto list = AX(d).windows(101);
    d.apply(WindowPlan{.frames = {{list[0].ref(), {40, 50, 300, 300}}}});
    EXPECT_EQ(fixed.frame, (Rect{40, 50, 500, 299}));  // width refused, height on its grid

    d.vanish(ids[1]);
    d.apply(WindowPlan{.frames = {{list[1].ref(), {1, 2, 3, 4}}}, .focus = list[1].ref()});
    EXPECT_FALSE(list[1].title());
    EXPECT_FALSE(list[1].frame());
    EXPECT_FALSE(list[1].isMinimized());
}

TEST(AXWindow, ClosePressesTheCloseButtonWhenThereIsOne) {
    SimDesktop d;
    const auto ids = d.load("101 A 'closable' 0,0 500x500; 101 A 'buttonless' 0,0 500x500");
    d.window(ids[1]).closable = false;
    const auto list = AX(d).windows(101);
    list[0].close();
    list[1].close();
    EXPECT_FALSE(d.exists(ids[0]));
    EXPECT_TRUE(d.exists(ids[1]));
}

TEST(AX, EnsureTrustedAsksOnlyWhenNotTrusted) {
    SimDesktop d;
    EXPECT_TRUE(AX(d).ensureTrusted());
    EXPECT_EQ(d.trustRequests, 0);
    d.trusted = false;
    EXPECT_FALSE(AX(d).ensureTrusted());
    EXPECT_EQ(d.trustRequests, 1);
}

}  // namespace
}  // namespace quenda
