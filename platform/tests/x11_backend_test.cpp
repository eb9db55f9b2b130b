// The X11 window server on a real X server with openbox, checked against xwininfo, xprop and
// xrandr: geometry, the window list, what windows say of themselves, reads in and out of
// batches, requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include <QCoreApplication>

#include "core/AX.h"
#include "platform/sim/TestPrinters.h"
#include "platform/tests/X11Driver.h"
#include "platform/tests/X11TestClient.h"

namespace quenda::testing {
namespace {

const QString kHidden = QStringLiteral("_NET_WM_STATE_HIDDEN");

class X11Backend : public ::testing::Test {
  protected:
    WindowServer& server() { return driver.server(); }
    const X11Oracle& oracle() { return driver.oracle(); }
    WindowRef window(uint64_t id) { return {driver.pidOf(id), id}; }

    std::optional<Rect> frameOf(const WindowRef& w) { return server().frame(w); }
    // Asks for a new frame, as a plan does, and waits until the desktop has it.
    void move(const WindowRef& w, const Rect& frame, bool keepSize = false) {
        server().apply(WindowPlan{.frames = {{w, frame, keepSize}}});
        driver.settle();
    }
    std::optional<WindowListEntry> entryOf(uint64_t id) {
        const auto list = server().windowList();
        if (!list) return std::nullopt;
        for (const WindowListEntry& e : *list) {
            if (e.number == id) return e;
        }
        return std::nullopt;
    }
    // Waits until the oracle sees the window's frame settle (the same twice running) where
    // `arrived` says it should be. Openbox may move a window before it resizes it.
    std::optional<Rect> oracleFrameWhen(uint64_t id,
                                        const std::function<bool(const Rect&)>& arrived) {
        std::optional<Rect> last, now;
        const bool settled = waitUntil([&] {
            now = oracle().outerFrame(id);
            const bool same = now && last && *now == *last;
            last = now;
            return same && arrived(*now);
        });
        return settled ? now : std::nullopt;
    }

    X11Driver driver;
    X11TestClient client{X11Driver::sharedDisplay().name()};  // gone before the driver
};

// Moves land on the outer frame exactly, as the oracle sees it; sizes are the largest the
// xterm's character grid allows within the request.
TEST_F(X11Backend, MovesLandOnTheOuterFrame) {
    struct Case {
        const char* name;
        std::optional<Point> position;
        std::optional<Size> size;
    };
    const Case cases[] = {
        {"move", Point{300, 200}, std::nullopt},          {"resize", std::nullopt, Size{500, 400}},
        {"both", Point{10, 20}, Size{640, 480}},          {"origin", Point{0, 0}, Size{300, 200}},
        {"far-corner", Point{1100, 700}, Size{480, 290}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint64_t id = driver.openWindow(QString("move-") + c.name, {120, 140, 400, 300});
        const WindowRef w = window(id);
        const auto before = frameOf(w);
        ASSERT_TRUE(before);
        EXPECT_EQ(before, oracle().outerFrame(id));
        const Point origin = c.position.value_or(before->origin());
        const Size size = c.size.value_or(before->size());
        move(w, {origin.x, origin.y, size.width, size.height}, !c.size);

        const auto after = frameOf(w);
        ASSERT_TRUE(after);
        EXPECT_EQ(after, oracle().outerFrame(id));
        EXPECT_EQ(after->origin(), c.position.value_or(before->origin()));
        const Size asked = c.size.value_or(before->size());
        EXPECT_LE(after->width, asked.width);
        EXPECT_GT(after->width, asked.width - driver.sizeTolerance());
        EXPECT_LE(after->height, asked.height);
        EXPECT_GT(after->height, asked.height - driver.sizeTolerance());
        EXPECT_EQ(entryOf(id).value_or(WindowListEntry{}).bounds, after);
    }
}

// A client-side shadow (_GTK_FRAME_EXTENTS) is inside the X window but no part of the frame
// the user sees: the list leaves it out, and a move puts the visible frame where asked.
TEST_F(X11Backend, ClientSideShadowsStayOutsideTheFrame) {
    const uint64_t id = driver.openWindow("shadowed", {200, 200, 400, 300});
    const auto plain = oracle().outerFrame(id);
    ASSERT_TRUE(plain);
    driver.run("xprop", {"-id", QString::number(id), "-f", "_GTK_FRAME_EXTENTS", "32c", "-set",
                         "_GTK_FRAME_EXTENTS", "8, 8, 6, 10"});
    const Rect visible{plain->x + 8, plain->y + 6, plain->width - 16, plain->height - 16};
    EXPECT_EQ(oracle().outerFrame(id), visible);
    EXPECT_EQ(entryOf(id).value_or(WindowListEntry{}).bounds, visible);

    const WindowRef w = window(id);
    move(w, {100, 120, 420, 330});
    const auto after = oracle().outerFrame(id);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->origin(), (Point{100, 120}));
    EXPECT_LE(after->width, 420);
    EXPECT_GT(after->width, 420 - driver.sizeTolerance());
    EXPECT_EQ(frameOf(w), after);
}

// Openbox keeps a south-east xterm's area in its own gravity and drops a request that looks
// unchanged in those terms; the move still lands.
TEST_F(X11Backend, ASouthEastWindowMovesWhereAsked) {
    const uint64_t id = driver.openXterm("south-east", "60x10-0-0");
    const auto start = oracle().outerFrame(id);
    ASSERT_TRUE(start);
    // wmctrl's gravity 0 means the window's own: south-east keeps the bottom edge.
    driver.run("wmctrl", {"-i", "-r", QString::number(id), "-e", "0,100,100,-1,-1"});
    const auto moved = oracleFrameWhen(id, [&](const Rect& r) { return !(r == *start); });
    ASSERT_TRUE(moved);
    ASSERT_NE(moved->origin(), (Point{100, 100}));

    move(window(id), {100, 100, 0, 0}, true);
    EXPECT_EQ(oracle().outerFrame(id).value_or(Rect{}).origin(), (Point{100, 100}));
    EXPECT_EQ(frameOf(window(id)), oracle().outerFrame(id));
}

TEST_F(X11Backend, AMaximisedWindowIsRestoredBeforeItMoves) {
    const uint64_t id = driver.openWindow("maximised", {200, 200, 400, 300});
    const auto start = oracle().outerFrame(id);
    driver.run("wmctrl",
               {"-i", "-r", QString::number(id), "-b", "add,maximized_vert,maximized_horz"});
    ASSERT_TRUE(oracleFrameWhen(id, [&](const Rect& r) { return r.width > start->width; }));

    const WindowRef w = window(id);
    move(w, {60, 70, 500, 350});
    const QStringList states = oracle().atomNames(id, "_NET_WM_STATE");
    EXPECT_FALSE(states.contains("_NET_WM_STATE_MAXIMIZED_VERT")) << states.join(' ').toStdString();
    const auto after = oracle().outerFrame(id);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->origin(), (Point{60, 70}));
    EXPECT_LE(after->width, 500);
    EXPECT_GT(after->width, 500 - driver.sizeTolerance());
    EXPECT_EQ(frameOf(w), after);
}

// The list, front to back, agrees with the manager's stacking and with each window's frame,
// owner and opacity.
TEST_F(X11Backend, TheListAgreesWithTheOracle) {
    const uint64_t a = driver.openWindow("list-a", {40, 40, 300, 200});
    const uint64_t b = driver.openWindow("list-b", {400, 60, 360, 250});
    const uint64_t c = driver.openWindow("list-c", {700, 300, 420, 310});
    driver.run("xprop", {"-id", QString::number(b), "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set",
                         "_NET_WM_WINDOW_OPACITY", "2147483647"});

    const auto list = server().windowList();
    ASSERT_TRUE(list);
    std::vector<uint64_t> ours;
    for (const WindowListEntry& e : *list) {
        if (e.number != a && e.number != b && e.number != c) continue;
        ours.push_back(e.number);
        EXPECT_EQ(e.bounds, oracle().outerFrame(e.number));
        EXPECT_EQ(e.ownerPid, driver.pidOf(e.number));
        EXPECT_EQ(e.layer, 0);
        if (e.number == b) {
            ASSERT_TRUE(e.alpha);
            EXPECT_NEAR(*e.alpha, 0.5, 0.001);
        } else {
            EXPECT_FALSE(e.alpha);
        }
    }
    std::vector<uint64_t> expected;
    const auto stacking = oracle().stacking();
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        if (*it == a || *it == b || *it == c) expected.push_back(*it);
    }
    EXPECT_EQ(ours, expected);
}

TEST_F(X11Backend, TheListLeavesOutWhatIsNotOnTheCurrentDesktop) {
    const uint64_t shown = driver.openWindow("out-shown", {40, 40, 300, 200});
    const uint64_t minimised = driver.openWindow("out-minimised", {80, 80, 300, 200});
    const uint64_t elsewhere = driver.openWindow("out-elsewhere", {120, 120, 300, 200});
    const uint32_t sticky =
        client.open({.title = "out-sticky", .client = {500, 100, 200, 150}, .sticky = true});
    const uint32_t desktop = client.open({.title = "out-desktop",
                                          .client = {0, 0, 200, 150},
                                          .types = {"_NET_WM_WINDOW_TYPE_DESKTOP"}});
    driver.minimize(minimised);
    driver.run("wmctrl", {"-i", "-r", QString::number(elsewhere), "-t", "1"});
    ASSERT_TRUE(waitUntil([&] {
        return oracle().numbers(elsewhere, "_NET_WM_DESKTOP") == std::vector<uint64_t>{1};
    }));

    struct Case {
        const char* name;
        uint64_t id;
        bool listed;
    };
    const Case cases[] = {{"shown", shown, true},
                          {"minimised", minimised, false},
                          {"elsewhere", elsewhere, false},
                          {"sticky", sticky, true},
                          {"desktop", desktop, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(entryOf(c.id).has_value(), c.listed);
    }
    // Iconic alone (another desktop) is not minimised where the manager has a hidden state.
    EXPECT_EQ(server().isMinimized(window(minimised)), true);
    EXPECT_EQ(server().isMinimized(window(elsewhere)), false);
}

// The first type in a window's list that we know decides; no known type means normal, or a
// dialog when the window is transient for another.
TEST_F(X11Backend, RoleAndLayerFollowTheWindowType) {
    const uint32_t owner = client.open({.title = "type-owner", .client = {40, 40, 200, 150}});
    struct Case {
        const char* name;
        QStringList types;
        bool transient;
        WindowRole role;
        bool normalLayer;
    };
    const Case cases[] = {
        {"untyped", {}, false, WindowRole::standard, true},
        {"untyped-transient", {}, true, WindowRole::dialog, true},
        {"normal", {"_NET_WM_WINDOW_TYPE_NORMAL"}, false, WindowRole::standard, true},
        {"normal-transient", {"_NET_WM_WINDOW_TYPE_NORMAL"}, true, WindowRole::standard, true},
        {"dialog", {"_NET_WM_WINDOW_TYPE_DIALOG"}, false, WindowRole::dialog, true},
        {"utility", {"_NET_WM_WINDOW_TYPE_UTILITY"}, false, WindowRole::other, true},
        {"unknown-first",
         {"_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_NORMAL"},
         false,
         WindowRole::standard,
         true},
        {"dock", {"_NET_WM_WINDOW_TYPE_DOCK"}, false, WindowRole::other, false},
        {"notification", {"_NET_WM_WINDOW_TYPE_NOTIFICATION"}, false, WindowRole::other, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindowSetup setup{
            .title = QString("type-") + c.name, .client = {300, 300, 200, 150}, .types = c.types};
        if (c.transient) setup.transientFor = owner;
        const uint32_t id = client.open(setup);
        EXPECT_EQ(server().role({server().ownPid(), id}), c.role);
        const auto entry = entryOf(id);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->layer == 0, c.normalLayer);
        client.destroy(id);
    }
}

TEST_F(X11Backend, AnApplicationAnswersForItsWindows) {
    const int32_t self = server().ownPid();
    const uint32_t front = client.open({.title = "app-front", .client = {40, 40, 300, 200}});
    const uint32_t back = client.open({.title = "app-back", .client = {100, 100, 300, 200}});
    const uint64_t other = driver.openWindow("app-other", {500, 100, 300, 200});

    server().minimize({self, back});
    ASSERT_TRUE(
        waitUntil([&] { return oracle().atomNames(back, "_NET_WM_STATE").contains(kHidden); }));
    EXPECT_EQ(server().windows(self),
              (std::vector<WindowRef>{WindowRef{self, front}, WindowRef{self, back}}));
    EXPECT_EQ(server().applicationName(self), QString("QuendaTest"));
    EXPECT_EQ(server().applicationName(driver.pidOf(other)), QString("XTerm"));

    // Another application is active: the focused window is our frontmost one.
    driver.raise(other);
    EXPECT_EQ(server().frontmostPid(), driver.pidOf(other));
    EXPECT_EQ(server().focusedWindow(self), (WindowRef{self, front}));
    // Restored, it is active and ours.
    server().apply(WindowPlan{.restore = {{self, back}}, .focus = WindowRef{self, back}});
    ASSERT_TRUE(waitUntil([&] { return oracle().activeWindow() == back; }));
    EXPECT_EQ(server().focusedWindow(self), (WindowRef{self, back}));
    EXPECT_EQ(server().isMinimized({self, back}), false);
    EXPECT_EQ(server().frontmostPid(), self);

    // A process without windows: none, and its name from /proc.
    EXPECT_EQ(server().windows(1), std::vector<WindowRef>{});
    EXPECT_FALSE(server().focusedWindow(1));
    EXPECT_TRUE(server().applicationName(1));
}

// Outside a batch every read is fresh, even of what was read a moment ago.
TEST_F(X11Backend, ReadsOutsideABatchSeeEveryChange) {
    const uint64_t id = driver.openWindow("fresh", {100, 100, 400, 300});
    const WindowRef w = window(id);
    const QString wid = QString::number(id);
    ASSERT_EQ(server().title(w), QString("fresh"));
    ASSERT_EQ(server().role(w), WindowRole::standard);
    ASSERT_TRUE(entryOf(id));

    driver.run("xdotool", {"set_window", "--name", "renamed", wid});
    EXPECT_EQ(server().title(w), QString("renamed"));
    driver.run("xprop", {"-id", wid, "-f", "_NET_WM_WINDOW_TYPE", "32a", "-set",
                         "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG"});
    EXPECT_EQ(server().role(w), WindowRole::dialog);
    driver.run("xprop", {"-id", wid, "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set",
                         "_NET_WM_WINDOW_OPACITY", "0"});
    EXPECT_EQ(entryOf(id).value_or(WindowListEntry{}).alpha, 0.0);

    // Moved and resized by someone else: as soon as the server has it, so do we.
    const auto before = oracle().outerFrame(id);
    driver.run("wmctrl", {"-i", "-r", wid, "-e", "0,300,250,500,400"});
    const auto after = oracleFrameWhen(id, [&](const Rect& r) {
        return r.origin() == Point{300, 250} && r.width > before->width;
    });
    ASSERT_TRUE(after);
    EXPECT_EQ(frameOf(w), after);
    EXPECT_EQ(entryOf(id).value_or(WindowListEntry{}).bounds, after);
}

// Xlib programs (xterm among them) name a window in compound text when the title is not all
// Latin-1; xprop, in a UTF-8 locale, writes WM_NAME the same way.
TEST_F(X11Backend, ReadsTitlesWrittenInCompoundText) {
    const uint64_t id = driver.openWindow("compound", {100, 100, 400, 300});
    const WindowRef w = window(id);
    const QString wid = QString::number(id);
    driver.run("xprop", {"-id", wid, "-remove", "_NET_WM_NAME"});
    for (const char* utf8 : {"Año ✓ Привет 日本", "Ελλάδα Łódź", "中文 한국 ｱ", "€ Ħ ש 😀"}) {
        const QString title = QString::fromUtf8(utf8);
        SCOPED_TRACE(title.toStdString());
        driver.run("env", {"LC_ALL=C.UTF-8", "xprop", "-id", wid, "-f", "WM_NAME", "8t", "-set",
                           "WM_NAME", title});
        ASSERT_TRUE(oracle()
                        .run("xprop", {"-id", wid, "WM_NAME"})
                        .value_or("")
                        .startsWith("WM_NAME(COMPOUND_TEXT)"));
        EXPECT_EQ(server().title(w), title);
    }
}

// Inside a batch, reads come from one pass; a write ends it.
TEST_F(X11Backend, ReadsInsideABatchComeFromOnePass) {
    const uint64_t id = driver.openWindow("batch", {100, 100, 400, 300});
    const WindowRef w = window(id);
    const auto rename = [&](const char* name) {
        driver.run("xdotool", {"set_window", "--name", name, QString::number(id)});
    };
    {
        const ReadBatch batch(server());
        ASSERT_TRUE(server().windowList());
        EXPECT_EQ(server().title(w), QString("batch"));
        rename("second");
        EXPECT_EQ(server().title(w), QString("batch"));
        // A request: what follows is read afresh.
        server().apply(WindowPlan{.frames = {{w, *server().frame(w), true}}});
        EXPECT_EQ(server().title(w), QString("second"));
        rename("third");
        EXPECT_EQ(server().title(w), QString("second"));
    }
    EXPECT_EQ(server().title(w), QString("third"));
}

TEST_F(X11Backend, FocusActivatesEvenOnAnotherDesktop) {
    const uint64_t back = driver.openWindow("raise-back", {40, 40, 300, 200});
    const uint64_t front = driver.openWindow("raise-front", {80, 80, 300, 200});
    ASSERT_EQ(oracle().stacking().back(), front);

    server().apply(WindowPlan{.focus = window(back)});
    EXPECT_EQ(oracle().stacking().back(), back);
    EXPECT_EQ(oracle().activeWindow(), back);
    EXPECT_EQ(server().frontmostPid(), driver.pidOf(back));
    EXPECT_EQ(server().windowList().value_or(std::vector<WindowListEntry>{}).front().number, back);

    driver.run("wmctrl", {"-i", "-r", QString::number(front), "-t", "1"});
    ASSERT_TRUE(waitUntil([&] { return !entryOf(front); }));
    server().apply(WindowPlan{.focus = window(front)});
    EXPECT_EQ(oracle().numbers(std::nullopt, "_NET_CURRENT_DESKTOP"), std::vector<uint64_t>{1});
    EXPECT_EQ(oracle().activeWindow(), front);
    driver.run("wmctrl", {"-s", "0"});
    ASSERT_TRUE(waitUntil([&] {
        return oracle().numbers(std::nullopt, "_NET_CURRENT_DESKTOP") == std::vector<uint64_t>{0};
    }));
}

// Everything about a window that is gone reads as nothing, every write and action is lost,
// and none of it is an X error of ours (the driver checks that).
TEST_F(X11Backend, AVanishedWindowIsQuietlyNothing) {
    const uint64_t id = driver.openWindow("vanish", {40, 40, 300, 200});
    const WindowRef w = window(id);
    ASSERT_TRUE(server().title(w));
    driver.destroy(id);
    EXPECT_FALSE(server().title(w));
    EXPECT_FALSE(server().role(w));
    EXPECT_FALSE(server().isMinimized(w));
    EXPECT_FALSE(server().frame(w));
    EXPECT_FALSE(server().isClosable(w));
    EXPECT_EQ(server().windows(w.pid), std::vector<WindowRef>{});
    EXPECT_FALSE(server().focusedWindow(w.pid));
    server().apply(
        WindowPlan{.restore = {w}, .frames = {{w, {10, 10, 200, 200}}}, .raise = {w}, .focus = w});
    server().minimize(w);
    server().close(w);
    driver.settle();
    EXPECT_FALSE(entryOf(id));
}

}  // namespace
}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
