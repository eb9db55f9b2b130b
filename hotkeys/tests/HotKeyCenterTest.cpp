#include "hotkeys/tests/CenterFixture.h"

#include "hotkeys/HotKeyPrefs.h"

namespace quenda {
namespace {

using A = HotKeyAction;
using Reg = SimHotKeyRegistrar::Registration;
using testing::CenterFixture;

constexpr uint32_t kCtrlOpt = kCarbonControl | kCarbonOption;
constexpr uint32_t kOptShift = kCarbonOption | kCarbonShift;
// The same, as the registrar is handed them.
const KeyModifiers kCtrlOptKeys = KeyCombo::modifiersOf(kCtrlOpt);
const KeyModifiers kOptShiftKeys = KeyCombo::modifiersOf(kOptShift);

const std::vector<Reg> kDefaultRegistrations = {
    {18, kCtrlOptKeys, 1}, {19, kCtrlOptKeys, 2}, {18, kOptShiftKeys, 3}, {19, kOptShiftKeys, 4},
    {13, kCtrlOptKeys, 5}, {3, kCtrlOptKeys, 6},  {5, kCtrlOptKeys, 7},   {11, kCtrlOptKeys, 8},
};

using HotKeyCenterTest = CenterFixture;

TEST_F(HotKeyCenterTest, CreatingLoadsTheBindingsAndRegistersNothing) {
    store.setValue(settings::customHotKeys.name(),
                   QByteArray(R"({"win.left":{"keyCode":123,"carbonModifiers":4096}})"));
    auto center = makeCenter();
    EXPECT_EQ(center->combo(A::winLeft), KeyCombo({123, kCarbonControl}));
    EXPECT_EQ(center->combo(A::layoutAuto), std::nullopt);
    EXPECT_EQ(center->activeCount(), 1);
    EXPECT_TRUE(registrar.attempts.empty());
    EXPECT_FALSE(registrar.hasHandler());
    EXPECT_TRUE(center->statuses().empty());
    EXPECT_FALSE(center->isPausedForRecording());
}

TEST_F(HotKeyCenterTest, FirstPassRegistersTheDefaultsInActionOrder) {
    auto center = makeCenter();
    const auto statuses = center->reregisterAll();
    EXPECT_EQ(registered(), kDefaultRegistrations);
    const A order[] = {A::layoutAuto,  A::groupsOverview,  A::bridgeMark,
                       A::bridgeSend,  A::bridgeSendEnter, A::bridgeSendClipboard,
                       A::bridgeGroup, A::bridgeBroadcast};
    for (uint32_t id = 1; id <= 8; ++id) EXPECT_EQ(center->actionFor(id), order[id - 1]);
    EXPECT_EQ(statuses.size(), 8u);
    for (A a : order) EXPECT_EQ(statuses.at(a), 0);
    EXPECT_EQ(center->statuses(), statuses);
    EXPECT_EQ(log, QStringList({
                       "[Quenda] HotKey ⌃⌥1 · layout.auto → status 0 noErr",
                       "[Quenda] HotKey ⌃⌥2 · groups.overview → status 0 noErr",
                       "[Quenda] HotKey ⌥⇧1 · bridge.mark → status 0 noErr",
                       "[Quenda] HotKey ⌥⇧2 · bridge.send → status 0 noErr",
                       "[Quenda] HotKey ⌃⌥W · bridge.sendEnter → status 0 noErr",
                       "[Quenda] HotKey ⌃⌥F · bridge.sendClipboard → status 0 noErr",
                       "[Quenda] HotKey ⌃⌥G · bridge.group → status 0 noErr",
                       "[Quenda] HotKey ⌃⌥B · bridge.broadcast → status 0 noErr",
                   }));
    EXPECT_EQ(registrar.handlerInstalls, 1);

    // A second pass unregisters first, numbers from 1 again and installs no second handler.
    log.clear();
    center->reregisterAll();
    EXPECT_EQ(registered(), kDefaultRegistrations);
    EXPECT_EQ(log.size(), 8);
    EXPECT_EQ(registrar.handlerInstalls, 1);
}

TEST_F(HotKeyCenterTest, AStoredCombinationThatIsNoShortcutIsLoggedAndNeverRegistered) {
    // 1024 and 1 stand for no modifier key: registering them would take the bare letter A.
    store.setValue(settings::customHotKeys.name(),
                   QByteArray(R"({"win.left":{"keyCode":0,"carbonModifiers":1024},)"
                              R"("win.right":{"keyCode":37,"carbonModifiers":6144},)"
                              R"("win.top":{"keyCode":0,"carbonModifiers":1}})"));
    auto center = makeCenter();
    center->reregisterAll();
    EXPECT_EQ(registered(), std::vector<Reg>({{37, kCtrlOptKeys, 1}}));
    EXPECT_FALSE(registrar.press(0, {}));
    EXPECT_EQ(center->statuses(), (HotKeyCenter::Statuses{{A::winRight, 0}}));
    EXPECT_EQ(center->combo(A::winLeft), std::nullopt);
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0],
              "[Quenda] HotKey A · win.left → not registered: keyCode 0 with carbonModifiers 1024 "
              "is no shortcut (it needs Ctrl, Alt, Shift or Super, and no other bit) ERROR");
    EXPECT_EQ(log[1], "[Quenda] HotKey ⌃⌥L · win.right → status 0 noErr");
    EXPECT_TRUE(
        log[2].startsWith("[Quenda] HotKey A · win.top → not registered: keyCode 0 with "
                          "carbonModifiers 1 "));
    EXPECT_TRUE(log[2].endsWith(" ERROR"));

    // Every pass says so again, until a write of the bindings drops them for good.
    log.clear();
    center->reregisterAll();
    EXPECT_EQ(log.size(), 3);
    log.clear();
    center->setCombo(KeyCombo{37, kCtrlOpt}, A::winLeft);
    EXPECT_EQ(log.filter("ERROR"), QStringList());
}

TEST_F(HotKeyCenterTest, EveryDefaultCombinationIsTaken) {
    auto center = makeCenter(&isAvailable);
    center->reregisterAll();
    // Every default combination belongs to a command that has landed: all eight are taken.
    EXPECT_EQ(registered(), std::vector<Reg>({{18, kCtrlOptKeys, 1},
                                              {19, kCtrlOptKeys, 2},
                                              {18, kOptShiftKeys, 3},
                                              {19, kOptShiftKeys, 4},
                                              {13, kCtrlOptKeys, 5},
                                              {3, kCtrlOptKeys, 6},
                                              {5, kCtrlOptKeys, 7},
                                              {11, kCtrlOptKeys, 8}}));
    EXPECT_EQ(center->statuses().size(), 8u);
    EXPECT_EQ(log.size(), 8);
    EXPECT_EQ(center->activeCount(), 8);
}

// A command a build does not offer keeps its combination in the bindings without taking it
// from other applications.
TEST_F(HotKeyCenterTest, ACommandNotOfferedKeepsItsCombinationUntaken) {
    auto center = makeCenter([](HotKeyAction a) { return a != A::bridgeMark; });
    center->reregisterAll();
    EXPECT_EQ(registered().size(), 7u);
    EXPECT_FALSE(center->statuses().contains(A::bridgeMark));
    EXPECT_FALSE(registrar.press(18, kOptShiftKeys));
    EXPECT_EQ(center->combo(A::bridgeMark), KeyCombo({18, kOptShift}));
}

TEST_F(HotKeyCenterTest, StoredBindingsChangedElsewhereAreTakenAndRegistered) {
    auto center = makeCenter();
    center->reregisterAll();
    EXPECT_FALSE(center->reloadStoredBindings()) << "nothing stored has changed";

    // Another process (`quenda config set`) writes the setting.
    log.clear();
    store.setValue(settings::customHotKeys.name(),
                   QByteArray(R"({"win.left":{"keyCode":37,"carbonModifiers":6144}})"));
    EXPECT_TRUE(center->reloadStoredBindings());
    EXPECT_EQ(registered(), std::vector<Reg>({{37, kCtrlOptKeys, 1}}));
    EXPECT_EQ(log, QStringList({"[Quenda] HotKey ⌃⌥L · win.left → status 0 noErr"}));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(registrar.press(37, kCtrlOptKeys));
    clock.advance(0);
    EXPECT_EQ(executed, std::vector<A>{A::winLeft});

    // The center's own writes come back as the same bindings: no second pass.
    center->setCombo(KeyCombo{13, kCtrlOpt}, A::winRight);
    log.clear();
    EXPECT_FALSE(center->reloadStoredBindings());
    EXPECT_TRUE(log.isEmpty());

    // An invalid combination stored elsewhere is news too: the pass logs it.
    store.setValue(settings::customHotKeys.name(),
                   QByteArray(R"({"win.left":{"keyCode":37,"carbonModifiers":6144},)"
                              R"("win.right":{"keyCode":13,"carbonModifiers":6144},)"
                              R"("win.top":{"keyCode":0,"carbonModifiers":1024}})"));
    EXPECT_TRUE(center->reloadStoredBindings());
    EXPECT_EQ(log.filter("win.top").filter("ERROR").size(), 1);

    // While a shortcut is being recorded nothing is registered; the new bindings wait.
    center->setPausedForRecording(true);
    center->unregisterAll();
    store.remove(settings::customHotKeys.name());
    EXPECT_TRUE(center->reloadStoredBindings());
    EXPECT_TRUE(registered().empty());
    EXPECT_EQ(center->combo(A::layoutAuto), KeyCombo({18, kCtrlOpt}));
}

TEST_F(HotKeyCenterTest, ATakenCombinationFailsAloneAndUsesUpItsNumber) {
    registrar.take(13, kCtrlOptKeys);
    auto center = makeCenter();
    center->reregisterAll();
    EXPECT_EQ(center->statuses().at(A::bridgeSendEnter), HotKeyRegistrar::kTaken);
    EXPECT_EQ(center->statuses().at(A::bridgeSendClipboard), 0);
    EXPECT_EQ(log[4], "[Quenda] HotKey ⌃⌥W · bridge.sendEnter → status -9878 ERROR");
    EXPECT_EQ(center->actionFor(5), A::bridgeSendEnter);
    EXPECT_EQ(center->actionFor(6), A::bridgeSendClipboard);
    std::vector<Reg> expected = kDefaultRegistrations;
    expected.erase(expected.begin() + 4);
    EXPECT_EQ(registered(), expected);
    // Its binding stays; the count is of bindings, not of working shortcuts.
    EXPECT_EQ(center->activeCount(), 8);
}

TEST_F(HotKeyCenterTest, TheDefaultLogWritesUtf8LinesToStandardError) {
    store.setValue(settings::customHotKeys.name(), QByteArray("{}"));
    auto center = std::make_unique<HotKeyCenter>(
        HotKeyCenter::Services{prefs, registrar, clock, nullptr, nullptr});
    center->setCombo(KeyCombo{18, kCtrlOpt}, A::layoutAuto);
    ::testing::internal::CaptureStderr();
    center->reregisterAll();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "[Quenda] HotKey ⌃⌥1 · layout.auto → status 0 noErr\n");
}

TEST_F(HotKeyCenterTest, APressRunsItsActionLaterOnTheMainQueue) {
    auto center = makeCenter();
    center->reregisterAll();
    ASSERT_TRUE(registrar.press(19, kOptShiftKeys));
    EXPECT_TRUE(executed.empty());  // not inside the event handler
    clock.runDue();
    EXPECT_EQ(executed, std::vector<A>{A::bridgeSend});

    executed.clear();
    registrar.deliver(9);  // no such number in this pass
    registrar.deliver(0);
    EXPECT_EQ(clock.pending(), 0u);

    // After a pass that renumbers, the old last number is gone.
    center->setCombo(std::nullopt, A::layoutAuto);
    EXPECT_EQ(center->actionFor(1), A::groupsOverview);
    registrar.deliver(8);
    clock.runDue();
    EXPECT_TRUE(executed.empty());
}

TEST_F(HotKeyCenterTest, BindingTakesTheCombinationFromItsHolder) {
    auto center = makeCenter();
    center->reregisterAll();
    log.clear();
    EXPECT_EQ(center->setCombo(KeyCombo{18, kCtrlOpt}, A::winLeft), A::layoutAuto);
    EXPECT_EQ(center->combo(A::layoutAuto), std::nullopt);
    EXPECT_EQ(center->combo(A::winLeft), KeyCombo({18, kCtrlOpt}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(boundOnly(loadHotKeys(prefs)), boundOnly(center->bindings())) << "stored";
    EXPECT_FALSE(prefs.get(settings::customHotKeys)->contains("layout.auto"));
    // Re-registered: "win.left" comes before "groups.overview" in action order.
    EXPECT_EQ(center->actionFor(1), A::winLeft);
    EXPECT_EQ(center->actionFor(2), A::groupsOverview);
    EXPECT_EQ(log.first(), "[Quenda] HotKey ⌃⌥1 · win.left → status 0 noErr");
    EXPECT_FALSE(center->statuses().contains(A::layoutAuto));
    registrar.press(18, kCtrlOptKeys);
    clock.runDue();
    EXPECT_EQ(executed, std::vector<A>{A::winLeft});
}

TEST_F(HotKeyCenterTest, RebindingTheSameCombinationDisplacesNothing) {
    auto center = makeCenter();
    center->reregisterAll();
    const auto before = center->bindings();
    EXPECT_EQ(center->setCombo(KeyCombo{18, kCtrlOpt}, A::layoutAuto), std::nullopt);
    EXPECT_EQ(center->bindings(), before);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(registered(), kDefaultRegistrations);

    // Only the first holder in action order loses it when stored bindings held duplicates.
    store.setValue(settings::customHotKeys.name(),
                   QByteArray(R"({"win.top":{"keyCode":1,"carbonModifiers":256},)"
                              R"("win.left":{"keyCode":1,"carbonModifiers":256}})"));
    auto loaded = makeCenter();
    EXPECT_EQ(loaded->setCombo(KeyCombo{1, kCarbonCommand}, A::toolsShelf), A::winLeft);
    EXPECT_EQ(loaded->combo(A::winTop), KeyCombo({1, kCarbonCommand}));
}

TEST_F(HotKeyCenterTest, AnInvalidCombinationChangesNothing) {
    auto center = makeCenter();
    center->reregisterAll();
    const size_t attempts = registrar.attempts.size();
    for (const KeyCombo bad : {KeyCombo{0, 0}, KeyCombo{53, kCtrlOpt}, KeyCombo{56, kCarbonShift}})
        EXPECT_EQ(center->setCombo(bad, A::layoutAuto), std::nullopt);
    EXPECT_EQ(center->combo(A::layoutAuto), KeyCombo({18, kCtrlOpt}));
    EXPECT_FALSE(store.value(settings::customHotKeys.name()));
    EXPECT_EQ(registrar.attempts.size(), attempts);
    EXPECT_EQ(changes, 0);
}

TEST_F(HotKeyCenterTest, UnbindingOneAction) {
    auto center = makeCenter();
    center->reregisterAll();
    EXPECT_EQ(center->setCombo(std::nullopt, A::bridgeMark), std::nullopt);
    EXPECT_EQ(center->activeCount(), 7);
    EXPECT_EQ(registered().size(), 7u);
    EXPECT_FALSE(registrar.press(18, kOptShiftKeys));
    EXPECT_EQ(changes, 1);
}

TEST_F(HotKeyCenterTest, ClearingAllSurvivesANewCenter) {
    auto center = makeCenter();
    center->reregisterAll();
    center->clearAll();
    EXPECT_EQ(prefs.get(settings::customHotKeys), QByteArray("{}"));
    EXPECT_EQ(center->activeCount(), 0);
    EXPECT_TRUE(registered().empty());
    EXPECT_TRUE(center->statuses().empty());
    EXPECT_EQ(changes, 1);
    center.reset();

    auto restarted = makeCenter();
    EXPECT_EQ(restarted->activeCount(), 0);
    restarted->reregisterAll();
    EXPECT_TRUE(registered().empty());

    restarted->restoreDefaults();
    EXPECT_EQ(restarted->bindings(), defaultMap());
    EXPECT_EQ(prefs.get(settings::customHotKeys), encodeHotKeys(defaultMap()));
    EXPECT_EQ(registered(), kDefaultRegistrations);
    EXPECT_EQ(changes, 2);
}

TEST_F(HotKeyCenterTest, WhilePausedNothingIsRegisteredOrRun) {
    auto center = makeCenter();
    center->reregisterAll();
    const auto statuses = center->statuses();
    center->setPausedForRecording(true);
    EXPECT_EQ(center->reregisterAll(), statuses);  // left as they were
    EXPECT_TRUE(registered().empty());
    registrar.deliver(1);
    EXPECT_EQ(clock.pending(), 0u);

    // Edits are stored but not registered until the pause ends.
    const size_t attempts = registrar.attempts.size();
    center->setCombo(KeyCombo{0, kCtrlOpt}, A::winLeft);
    center->restoreDefaults();
    center->clearAll();
    EXPECT_EQ(registrar.attempts.size(), attempts);
    EXPECT_EQ(prefs.get(settings::customHotKeys), QByteArray("{}"));
    EXPECT_EQ(changes, 3);

    center->setPausedForRecording(false);
    center->reregisterAll();
    EXPECT_TRUE(center->statuses().empty());
}

TEST_F(HotKeyCenterTest, PerformIgnoresPressesWhilePausedEvenForKnownNumbers) {
    auto center = makeCenter();
    center->reregisterAll();
    center->setPausedForRecording(true);
    center->perform(1);
    center->setPausedForRecording(false);
    center->perform(99);
    clock.runDue();
    EXPECT_TRUE(executed.empty());
    center->perform(1);
    clock.runDue();
    EXPECT_EQ(executed, std::vector<A>{A::layoutAuto});
}

TEST_F(HotKeyCenterTest, DestroyingTheCenterLeavesTheRegistrarClean) {
    auto center = makeCenter();
    center->reregisterAll();
    center.reset();
    EXPECT_TRUE(registered().empty());
    EXPECT_FALSE(registrar.hasHandler());
}

}  // namespace
}  // namespace quenda
