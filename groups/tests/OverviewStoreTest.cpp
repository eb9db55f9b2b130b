#include <gtest/gtest.h>

#include "groups/OverviewController.h"
#include "groups/OverviewStore.h"
#include "groups/tests/GroupsDesk.h"
#include "platform/sim/SimThumbnails.h"

namespace quenda {
namespace {

using testing::GroupsDesk;
using Ids = std::vector<std::vector<uint64_t>>;

// The organiser's services on the simulated desktop, with the desktop a fixture describes.
struct OverviewDesk : GroupsDesk {
    explicit OverviewDesk(const char* fixture = nullptr) {
        if (fixture) windows = desktop.load(QString::fromUtf8(fixture));
    }

    std::unique_ptr<OverviewStore> open() {
        auto store = std::make_unique<OverviewStore>(
            OverviewStore::Services{ax, groups, desktop, prefs, hud, l10n, thumbnails, memory},
            desktop.screens().front());
        store->load();
        return store;
    }

    static std::vector<uint64_t> ids(const std::vector<OverviewItemPtr>& items) {
        std::vector<uint64_t> out;
        for (const auto& item : items) out.push_back(item->window.ref().id);
        return out;
    }
    static Ids groupIds(const OverviewStore& store) {
        Ids out;
        for (const auto& group : store.groups()) out.push_back(ids(group.items));
        return out;
    }
    static std::vector<int> slotCount(const OverviewStore& store) {
        std::vector<int> out;
        for (const auto& group : store.groups()) out.push_back(group.slotCount);
        return out;
    }
    // The item showing a window.
    static QUuid item(const OverviewStore& store, uint64_t window) {
        for (const auto& item : store.pool())
            if (item->window.ref().id == window) return item->id;
        for (const auto& group : store.groups())
            for (const auto& item : group.items)
                if (item->window.ref().id == window) return item->id;
        return {};
    }

    SimThumbnails thumbnails{desktop};
    SimProcessMemory memory;
    std::vector<uint64_t> windows;
};

// Six windows of four applications, front to back.
constexpr const char* kSix =
    "101 Firefox 'a' 0,25 700x800 *; 102 Mail 'b' 10,25 700x800; 101 Firefox 'c' 20,25 700x800; "
    "103 Notes 'd' 30,25 700x800; 104 Term '' 40,25 700x800; 102 Mail 'f' 50,25 700x800 min";

TEST(OverviewStore, TakesEveryWindowIntoTheCurrentGroupsOrThePool) {
    OverviewDesk d(kSix);
    const auto& w = d.windows;
    d.groups.setGroups({{AXWindow(d.desktop, {101, w[2]}), AXWindow(d.desktop, {102, w[1]})},
                        {AXWindow(d.desktop, {103, 0xdead})}},  // closed since
                       {});
    const auto store = d.open();
    EXPECT_EQ(OverviewDesk::groupIds(*store), (Ids{{w[2], w[1]}}));
    EXPECT_EQ(OverviewDesk::slotCount(*store), std::vector<int>{2});  // the screen's capacity, 2
    EXPECT_EQ(OverviewDesk::ids(store->pool()), (std::vector<uint64_t>{w[0], w[3], w[4], w[5]}));
    const auto term = store->find(OverviewDesk::item(*store, w[4]));
    EXPECT_EQ(term->title, "Term");  // no title: the application's name
    EXPECT_EQ(term->appName, "Term");
    EXPECT_EQ(term->wid, w[4]);
    EXPECT_TRUE(store->find(OverviewDesk::item(*store, w[5]))->minimized);
    EXPECT_FALSE(store->find(OverviewDesk::item(*store, w[0]))->minimized);
    EXPECT_EQ(store->screenLabel(), "1440×900 (16:10)");
    EXPECT_DOUBLE_EQ(store->screenAspect(), 1.6);
}

TEST(OverviewStore, GroupsWhoseWindowsAllClosedGiveNoGroups) {
    OverviewDesk d(kSix);
    d.groups.autoGroup(false);
    for (const uint64_t id : d.windows) d.desktop.vanish(id);
    const uint64_t fresh = d.desktop.open(105, "Code", "x", {0, 25, 800, 600});
    const auto store = d.open();
    EXPECT_TRUE(store->groups().empty());
    EXPECT_EQ(OverviewDesk::ids(store->pool()), std::vector<uint64_t>{fresh});
}

struct SlotsCase {
    const char* monitor;
    int64_t groupSize;
    int slotsDefault;
};

void PrintTo(const SlotsCase& c, std::ostream* os) {
    *os << c.monitor << " groupSize " << c.groupSize;
}

class SlotsDefault : public ::testing::TestWithParam<SlotsCase> {};

TEST_P(SlotsDefault, FollowsTheGroupCapacityBetweenTwoAndSix) {
    const SlotsCase c = GetParam();
    OverviewDesk d;
    d.desktop.setMonitors(QString::fromLatin1(c.monitor));
    d.prefs.set(settings::groupSize, c.groupSize);
    EXPECT_EQ(d.open()->slotsDefault(), c.slotsDefault);
}

INSTANTIATE_TEST_SUITE_P(OverviewStore, SlotsDefault,
                         ::testing::Values(SlotsCase{"1000x800+0+0", 0, 2},  // capacity 1
                                           SlotsCase{"2560x1440+0+0", 0, 3},
                                           SlotsCase{"1440x900+0+0", 1, 2},
                                           SlotsCase{"1440x900+0+0", 5, 5},
                                           SlotsCase{"1440x900+0+0", 40, 6}));

TEST(OverviewStore, ListsApplicationsWithoutAVisibleWindowByMemory) {
    OverviewDesk d(
        "101 Firefox 'a' 0,25 700x800; 102 Mail 'b' 10,25 700x800 min; "
        "103 Player 'p' 0,0 300x200 dialog; 104 Clock 'c' 0,0 150x100 dialog; "
        "106 Panel 'bar' 0,0 1440x25 dialog");
    d.desktop.app(105, "Tray");    // lives in the tray: no window at all
    d.desktop.app(107, "Syncer");  // neither, and its memory cannot be read
    d.desktop.app(108, "Daemon").kind = ApplicationKind::background;
    d.desktop.app(106).kind = ApplicationKind::regular;
    d.desktop.essential = {106};
    d.desktop.app(1, "Quenda");  // this process
    d.memory.figures = {{101, 900}, {102, 50}, {103, 10}, {104, 700}, {105, 2048}, {1, 30}};
    const auto store = d.open();

    const auto names = [&] {
        std::vector<QString> out;
        for (const BackgroundApp& app : store->backgroundApps()) out.push_back(app.name);
        return out;
    };
    // Before the figures come, in the order the applications started.
    EXPECT_EQ(names(), (std::vector<QString>{"Mail", "Clock", "Tray", "Syncer"}));
    // The figures are news of their own: the arrangement did not change.
    int memoryNews = 0, arrangementNews = 0;
    store->observeMemory([&] { ++memoryNews; });
    store->observe([&] { ++arrangementNews; });
    d.memory.deliver();
    EXPECT_EQ(memoryNews, 1);
    EXPECT_EQ(arrangementNews, 0);
    EXPECT_EQ(names(), (std::vector<QString>{"Tray", "Clock", "Mail", "Syncer"}));
    EXPECT_EQ(store->backgroundApps().back().memoryMB, std::nullopt);
    EXPECT_EQ(store->memory().count(1), 0u);  // not asked for
    EXPECT_EQ(store->memory().size(), 5u);
    EXPECT_EQ(store->totalMemoryText(), "3.6 GB");
    EXPECT_EQ(store->memoryText(*store->pool().front()), "900 MB");
}

TEST(OverviewStore, MovesWindowsIntoGroupsGrowingTheirSlotsUpToSix) {
    OverviewDesk d(
        "101 A 'a' 0,25 500x500; 101 A 'b' 0,25 500x500; 101 A 'c' 0,25 500x500; "
        "101 A 'd' 0,25 500x500; 101 A 'e' 0,25 500x500; 101 A 'f' 0,25 500x500; "
        "101 A 'g' 0,25 500x500; 101 A 'h' 0,25 500x500");
    const auto& w = d.windows;
    auto store = d.open();
    store->setSlotsDefault(3);
    store->addGroup();
    const QUuid group = store->groups()[0].id;
    for (int i = 0; i < 3; ++i) store->moveToGroup(OverviewDesk::item(*store, w[i]), group);
    EXPECT_EQ(OverviewDesk::slotCount(*store), std::vector<int>{3});
    store->moveToGroup(OverviewDesk::item(*store, w[3]), group);
    EXPECT_EQ(OverviewDesk::slotCount(*store), std::vector<int>{4});
    store->moveToGroup(OverviewDesk::item(*store, w[4]), group);
    store->moveToGroup(OverviewDesk::item(*store, w[5]), group);
    EXPECT_EQ(OverviewDesk::slotCount(*store), std::vector<int>{6});
    // A seventh window fits; the slotCount stay at six.
    store->moveToGroup(OverviewDesk::item(*store, w[6]), group);
    EXPECT_EQ(OverviewDesk::slotCount(*store), std::vector<int>{6});
    EXPECT_EQ(store->groups()[0].items.size(), 7u);

    // Dropped on its own group: nothing moves.
    store->moveToGroup(OverviewDesk::item(*store, w[0]), group);
    EXPECT_EQ(OverviewDesk::groupIds(*store), (Ids{{w[0], w[1], w[2], w[3], w[4], w[5], w[6]}}));
    // Ids that name nothing change nothing.
    store->moveToGroup(QUuid::createUuid(), group);
    store->moveToGroup(OverviewDesk::item(*store, w[7]), QUuid::createUuid());
    store->removeGroup(QUuid::createUuid());
    store->setSlots(QUuid::createUuid(), 1);
    EXPECT_EQ(store->take(QUuid::createUuid()), nullptr);
    EXPECT_EQ(OverviewDesk::ids(store->pool()), std::vector<uint64_t>{w[7]});
    EXPECT_EQ(store->groups()[0].items.size(), 7u);
}

TEST(OverviewStore, PoolCardsGoToTheEndOfThePoolAndToNewGroups) {
    OverviewDesk d(kSix);
    const auto& w = d.windows;
    auto store = d.open();
    store->moveToPool(OverviewDesk::item(*store, w[0]));
    EXPECT_EQ(OverviewDesk::ids(store->pool()),
              (std::vector<uint64_t>{w[1], w[2], w[3], w[4], w[5], w[0]}));
    store->setSlotsDefault(4);
    store->moveToNewGroup(OverviewDesk::item(*store, w[3]));
    EXPECT_EQ(OverviewDesk::groupIds(*store), (Ids{{w[3]}}));
    EXPECT_EQ(OverviewDesk::slotCount(*store), std::vector<int>{4});
    // The picker changes only the groups made afterwards.
    store->setSlotsDefault(2);
    store->addGroup();
    EXPECT_EQ(OverviewDesk::slotCount(*store), (std::vector<int>{4, 2}));
    store->removeGroup(store->groups()[0].id);
    EXPECT_EQ(OverviewDesk::ids(store->pool()),
              (std::vector<uint64_t>{w[1], w[2], w[4], w[5], w[0], w[3]}));
    EXPECT_EQ(store->filledGroupCount(), 0);
}

TEST(OverviewStore, FewerSlotsSendTheLastWindowsBackToThePool) {
    OverviewDesk d(kSix);
    const auto& w = d.windows;
    auto store = d.open();
    store->setSlotsDefault(5);
    store->autoGroup();
    EXPECT_EQ(OverviewDesk::groupIds(*store), (Ids{{w[0], w[1], w[2], w[3], w[4]}, {w[5]}}));
    store->setSlots(store->groups()[0].id, 3);
    EXPECT_EQ(OverviewDesk::groupIds(*store), (Ids{{w[0], w[1], w[2]}, {w[5]}}));
    EXPECT_EQ(OverviewDesk::ids(store->pool()), (std::vector<uint64_t>{w[3], w[4]}));
    // Filling: free slotCount first, then new groups of the default size.
    store->setSlotsDefault(2);
    store->setSlots(store->groups()[1].id, 2);
    store->autoGroup();
    EXPECT_EQ(OverviewDesk::groupIds(*store), (Ids{{w[0], w[1], w[2]}, {w[5], w[3]}, {w[4]}}));
    EXPECT_EQ(OverviewDesk::slotCount(*store), (std::vector<int>{3, 2, 2}));
}

TEST(OverviewStore, QuitsWhatIsNotGroupedButOnlyClosesWindowsOfGroupedApplications) {
    OverviewDesk d(kSix);
    const auto& w = d.windows;
    d.desktop.app(105, "Tray");
    d.desktop.app(106, "Shell");
    d.desktop.essential = {106};
    d.desktop.open(106, "Shell", "Files", {0, 25, 600, 400});
    auto store = d.open();
    store->moveToNewGroup(OverviewDesk::item(*store, w[0]));  // one of Firefox's two windows
    store->quitAllUngrouped();

    EXPECT_FALSE(d.desktop.isTerminated(101));  // kept for its grouped window
    EXPECT_FALSE(d.desktop.exists(w[2]));       // its other window closed
    EXPECT_TRUE(d.desktop.isTerminated(102));
    EXPECT_TRUE(d.desktop.isTerminated(103));
    EXPECT_TRUE(d.desktop.isTerminated(104));
    EXPECT_TRUE(d.desktop.isTerminated(105));   // no window: quit from the background list
    EXPECT_FALSE(d.desktop.isTerminated(106));  // the desktop's own shell stays
    EXPECT_TRUE(store->pool().empty());
    EXPECT_TRUE(store->backgroundApps().empty());
    EXPECT_EQ(OverviewDesk::groupIds(*store), (Ids{{w[0]}}));
    EXPECT_EQ(d.hud.last(), "⏻ Cerrando 4 apps que no estaban en ningún grupo");
}

TEST(OverviewStore, QuitsAndHidesSingleApplications) {
    OverviewDesk d(kSix);
    const auto& w = d.windows;
    d.desktop.essential = {103};
    d.desktop.app(105, "Tray");
    d.desktop.app(104).refusesToQuit = true;
    auto store = d.open();

    store->quitApp(103);
    EXPECT_EQ(d.hud.last(), "Notes no se puede cerrar");
    EXPECT_FALSE(d.desktop.isTerminated(103));
    EXPECT_EQ(store->pool().size(), 6u);

    store->quitApp(101);
    EXPECT_EQ(d.hud.last(), "⏻ Saliendo de Firefox");
    EXPECT_TRUE(d.desktop.isTerminated(101));
    EXPECT_EQ(OverviewDesk::ids(store->pool()), (std::vector<uint64_t>{w[1], w[3], w[4], w[5]}));

    // One that stays open all the same leaves the organiser: it was asked.
    store->quitApp(104);
    EXPECT_FALSE(d.desktop.isTerminated(104));
    EXPECT_EQ(OverviewDesk::ids(store->pool()), (std::vector<uint64_t>{w[1], w[3], w[5]}));

    const size_t messages = d.hud.messages.size();
    store->quitApp(999);  // gone: nothing
    store->hideApp(102);
    EXPECT_EQ(d.hud.messages.size(), messages);
    EXPECT_TRUE(d.desktop.app(102).hidden);
    EXPECT_EQ(OverviewDesk::ids(store->pool()), std::vector<uint64_t>{w[3]});

    store->quitAllBackground();
    EXPECT_TRUE(d.desktop.isTerminated(105));
    EXPECT_TRUE(store->backgroundApps().empty());
    EXPECT_EQ(d.hud.last(), "⏻ Cerrando 1 apps sin ventanas");

    store->closeWindow(OverviewDesk::item(*store, w[3]));
    EXPECT_FALSE(d.desktop.exists(w[3]));
    EXPECT_TRUE(store->pool().empty());
}

TEST(OverviewStore, ApplyHandsTheGroupsOverAndLeavesThePoolOut) {
    OverviewDesk d(kSix);
    const auto& w = d.windows;
    d.groups.autoGroup(false);
    const Ids before = d.GroupsDesk::ids();
    auto store = d.open();
    for (const auto& group : std::vector<OverviewStore::Group>(store->groups()))
        store->removeGroup(group.id);
    store->addGroup();
    EXPECT_FALSE(store->apply());  // only empty groups
    EXPECT_EQ(d.hud.last(), "Arrastra ventanas a algún grupo (o pulsa Auto-agrupar)");
    EXPECT_EQ(d.GroupsDesk::ids(), before);

    store->moveToGroup(OverviewDesk::item(*store, w[3]), store->groups()[0].id);
    store->moveToGroup(OverviewDesk::item(*store, w[1]), store->groups()[0].id);
    store->addGroup();
    store->moveToNewGroup(OverviewDesk::item(*store, w[5]));
    EXPECT_TRUE(store->apply());
    EXPECT_EQ(d.GroupsDesk::ids(), (Ids{{w[3], w[1]}, {w[5]}}));
    ASSERT_EQ(d.groups.excluded().size(), 3u);
    EXPECT_EQ(d.groups.excluded()[0].ref().id, w[0]);
}

TEST(OverviewStore, PicturesFillInAsTheyArriveAndStopWithTheStore) {
    OverviewDesk d(
        "101 A 'big' 0,25 1280x800; 102 B 'small' 0,25 300x200; 103 C 'dot' 0,25 1x1; "
        "104 D 'gone' 0,25 500x500; 105 E 'min' 0,25 500x500 min; 106 F 'fails' 0,25 400x400");
    const auto& w = d.windows;
    d.thumbnails.icons[w[4]] = SimThumbnails::filled(16, 16, 0xff00ff00);
    d.thumbnails.failing = {w[5]};
    auto store = d.open();
    std::vector<uint64_t> arrived;
    store->observePictures([&](uint64_t wid) { arrived.push_back(wid); });
    d.desktop.vanish(w[3]);  // between listing and capture
    EXPECT_FALSE(store->picturesDone());
    d.thumbnails.deliver();
    EXPECT_TRUE(store->picturesDone());
    EXPECT_EQ(arrived, (std::vector<uint64_t>{w[0], w[1], w[2], w[4]}));

    const auto size = [&](uint64_t window) -> std::pair<int, int> {
        const Picture* p = store->thumb(*store->find(OverviewDesk::item(*store, window)));
        return p ? std::pair{p->width, p->height} : std::pair{0, 0};
    };
    EXPECT_EQ(size(w[0]), std::pair(640, 400));
    EXPECT_EQ(size(w[1]), std::pair(300, 200));
    EXPECT_EQ(size(w[2]), std::pair(2, 2));
    EXPECT_EQ(size(w[4]), std::pair(0, 0));  // minimised: its icon instead
    EXPECT_NE(store->icon(*store->find(OverviewDesk::item(*store, w[4]))), nullptr);
    EXPECT_EQ(size(w[5]), std::pair(0, 0));

    // A capture still under way when the organiser closes lands nowhere.
    store = d.open();
    EXPECT_EQ(d.thumbnails.live, 1);
    store.reset();
    EXPECT_EQ(d.thumbnails.live, 0);
    d.thumbnails.deliver();
    d.memory.deliver();
}

TEST(OverviewStore, DropsCarryOnlyTheIdsOfItsOwnItems) {
    OverviewDesk d(kSix);
    const auto store = d.open();
    const QUuid id = OverviewDesk::item(*store, d.windows[0]);
    EXPECT_EQ(store->dropped(id.toString()), id);
    EXPECT_EQ(store->dropped(id.toString(QUuid::WithoutBraces)), id);
    for (const QString& bad :
         {QString(), QStringLiteral("hello"), QUuid::createUuid().toString(),
          QStringLiteral("file:///etc/passwd"), QString(5000, QLatin1Char('{'))})
        EXPECT_EQ(store->dropped(bad), std::nullopt) << bad.left(40).toStdString();
}

struct MemoryCase {
    std::optional<double> mb;
    const char* text;
};

void PrintTo(const MemoryCase& c, std::ostream* os) {
    *os << (c.mb ? std::to_string(*c.mb) : std::string("none")) << " MiB";
}

class MemoryText : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryText, ShowsWholeMegabytesOrGigabytesWithOneDecimal) {
    EXPECT_EQ(formatMemory(L10n::builtIn(), GetParam().mb), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(OverviewStore, MemoryText,
                         ::testing::Values(MemoryCase{std::nullopt, ""}, MemoryCase{0.4, "0 MB"},
                                           MemoryCase{512.9, "512 MB"},
                                           MemoryCase{1023.99, "1023 MB"},
                                           MemoryCase{1024, "1.0 GB"}, MemoryCase{1536, "1.5 GB"}));

struct SizeCase {
    double width, height;
    Size expected;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height;
}

class ThumbnailSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ThumbnailSize, ScalesTheLongerSideDownToAtMost640AndKeepsTwoPixels) {
    EXPECT_EQ(thumbnailSize(GetParam().width, GetParam().height), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(OverviewStore, ThumbnailSize,
                         ::testing::Values(SizeCase{1280, 800, {640, 400}},
                                           SizeCase{300, 200, {300, 200}}, SizeCase{1, 1, {2, 2}},
                                           SizeCase{0, 0, {2, 2}},
                                           SizeCase{10000, 10000, {640, 640}},
                                           SizeCase{10000, 10, {640, 2}},
                                           SizeCase{800, 1280, {400, 640}}));

// The organiser's window as the controller sees it.
struct FakeSurface final : OverviewSurface {
    explicit FakeSurface(int& alive) : alive(alive) { ++alive; }
    ~FakeSurface() override { --alive; }
    bool isShown() const override { return shown; }
    void present(const ScreenInfo& screen) override {
        shown = true;
        on = screen.frame;
    }
    void dismiss() override { shown = false; }
    int& alive;
    bool shown = false;
    Rect on;
};

struct ControllerDesk : OverviewDesk {
    explicit ControllerDesk(const char* fixture) : OverviewDesk(fixture) {
        desktop.setMonitors("1440x900+0+0,1920x1080+1440+0");
    }
    OverviewController controller{
        {{ax, groups, desktop, prefs, hud, l10n, thumbnails, memory},
         geo,
         desktop,
         clock,
         [this](OverviewStore&) { return std::make_unique<FakeSurface>(surfaces); }}};
    int surfaces = 0;
};

TEST(OverviewController, TogglesOnTheScreenUnderThePointer) {
    ControllerDesk d(kSix);
    d.desktop.setPointer({1600, 500});
    d.controller.toggle();
    ASSERT_TRUE(d.controller.isOpen());
    EXPECT_EQ(d.surfaces, 1);
    EXPECT_EQ(d.controller.store()->screenLabel(), "1920×1080 (16:9)");
    EXPECT_EQ(d.thumbnails.live, 1);
    d.controller.toggle();  // open: the same action closes it
    EXPECT_FALSE(d.controller.isOpen());
    EXPECT_EQ(d.surfaces, 0);
    EXPECT_EQ(d.controller.store(), nullptr);
    EXPECT_EQ(d.thumbnails.live, 0);  // the capture goes with the store

    d.desktop.trusted = false;
    d.controller.show();
    EXPECT_FALSE(d.controller.isOpen());
    EXPECT_EQ(d.hud.last(), "Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad");
}

TEST(OverviewController, StartsTheGroupsOrStaysOpenWithNothingGrouped) {
    ControllerDesk d(kSix);
    const auto& w = d.windows;
    d.groups.autoGroup(false);
    const Ids before = d.GroupsDesk::ids();
    d.controller.show();
    OverviewStore& store = *d.controller.store();
    for (const auto& group : std::vector<OverviewStore::Group>(store.groups()))
        store.removeGroup(group.id);
    d.controller.start();
    EXPECT_TRUE(d.controller.isOpen());
    d.controller.close();  // cancelled: the groups are as they were
    EXPECT_EQ(d.GroupsDesk::ids(), before);

    d.controller.show();
    OverviewStore& again = *d.controller.store();
    again.moveToNewGroup(OverviewDesk::item(again, w[3]));
    again.moveToGroup(OverviewDesk::item(again, w[1]), again.groups().back().id);
    const size_t plans = d.desktop.plans.size();
    d.controller.start();
    EXPECT_FALSE(d.controller.isOpen());
    EXPECT_EQ(d.GroupsDesk::ids().back(), (std::vector<uint64_t>{w[3], w[1]}));
    d.clock.advance(0.19);
    EXPECT_EQ(d.desktop.plans.size(), plans);
    d.clock.advance(0.02);
    EXPECT_GT(d.desktop.plans.size(), plans);  // the first group shown
}

}  // namespace
}  // namespace quenda
