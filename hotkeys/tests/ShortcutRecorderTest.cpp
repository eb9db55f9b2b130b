#include "hotkeys/ShortcutRecorder.h"

#include "hotkeys/tests/CenterFixture.h"

namespace quenda {
namespace {

using A = HotKeyAction;
using Banner = ShortcutRecorder::Banner;
using Style = Banner::Style;

constexpr uint64_t kCtrlOptFlags = kFlagControl | kFlagOption;

class ShortcutRecorderTest : public testing::CenterFixture {
  protected:
    void SetUp() override { center->reregisterAll(); }

    std::unique_ptr<HotKeyCenter> center = makeCenter();
    ShortcutRecorder recorder{*center, [](A a) { return "«" + rawValue(a) + "»"; }};
};

TEST_F(ShortcutRecorderTest, RecordingPausesTheHotKeys) {
    recorder.start(A::winLeft);
    EXPECT_TRUE(center->isPausedForRecording());
    EXPECT_EQ(recorder.recording(), A::winLeft);
    EXPECT_TRUE(registered().empty());
    // Pressing another action's shortcut runs nothing, even if its event still arrives.
    EXPECT_FALSE(registrar.press(19, KeyModifiers{.control = true, .alt = true}));
    registrar.deliver(2);
    clock.runDue();
    EXPECT_TRUE(executed.empty());
}

TEST_F(ShortcutRecorderTest, EscapeEndsRecordingAndRestoresEverything) {
    const auto before = registered();
    const auto bindings = center->bindings();
    recorder.start(A::winLeft);
    EXPECT_TRUE(recorder.handleKey(kKeyCodeEscape, kFlagControl));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(center->isPausedForRecording());
    EXPECT_EQ(registered(), before);
    EXPECT_EQ(center->bindings(), bindings);
    EXPECT_EQ(recorder.banner(), std::nullopt);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(registrar.press(19, KeyModifiers{.control = true, .alt = true}));
}

TEST_F(ShortcutRecorderTest, KeysThatMakeNoCombination) {
    recorder.start(A::winLeft);
    EXPECT_TRUE(recorder.handleKey(56, kFlagShift));  // a modifier alone: keep waiting quietly
    EXPECT_EQ(recorder.banner(), std::nullopt);
    EXPECT_TRUE(recorder.handleKey(0, kFlagCapsLock));  // a plain letter
    EXPECT_EQ(recorder.banner(), (Banner{"shortcuts_need_modifier", {}, Style::warning}));
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_TRUE(center->isPausedForRecording());
    EXPECT_EQ(changes, 0);
}

TEST_F(ShortcutRecorderTest, ACombinationIsAssignedAndRecordingEnds) {
    recorder.start(A::winLeft);
    EXPECT_TRUE(recorder.handleKey(40, kCtrlOptFlags | kFlagCapsLock));
    EXPECT_EQ(center->combo(A::winLeft), KeyCombo({40, kCarbonControl | kCarbonOption}));
    EXPECT_EQ(recorder.banner(), (Banner{"shortcuts_assigned_msg", {"Ctrl+Alt+K", "«win.left»"}}));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(center->isPausedForRecording());
    EXPECT_EQ(registered().size(), 9u);
    EXPECT_TRUE(registrar.press(40, KeyModifiers{.control = true, .alt = true}));
    clock.runDue();
    EXPECT_EQ(executed, std::vector<A>{A::winLeft});
    EXPECT_FALSE(recorder.handleKey(40, kCtrlOptFlags)) << "not recording any more";
}

TEST_F(ShortcutRecorderTest, TakingAnotherActionsCombinationWarns) {
    recorder.start(A::winLeft);
    recorder.handleKey(18, kCtrlOptFlags);
    EXPECT_EQ(
        recorder.banner(),
        (Banner{"shortcuts_reassigned_msg", {"Ctrl+Alt+1", "«layout.auto»"}, Style::warning}));
    EXPECT_EQ(center->combo(A::layoutAuto), std::nullopt);
    EXPECT_EQ(center->actionFor(1), A::winLeft);
}

TEST_F(ShortcutRecorderTest, StartingAgainSwitchesTheRecordedAction) {
    recorder.start(A::winLeft);
    recorder.start(A::winTop);
    EXPECT_EQ(recorder.recording(), A::winTop);
    EXPECT_TRUE(center->isPausedForRecording());
    EXPECT_TRUE(registered().empty());
    recorder.handleKey(122, 0);  // bare F1
    EXPECT_EQ(center->combo(A::winTop), KeyCombo({122, 0}));
    EXPECT_EQ(center->combo(A::winLeft), std::nullopt);
}

TEST_F(ShortcutRecorderTest, ClearButtons) {
    recorder.start(A::layoutAuto);
    recorder.clear(A::layoutAuto);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(center->isPausedForRecording());
    EXPECT_EQ(center->combo(A::layoutAuto), std::nullopt);
    EXPECT_EQ(registered().size(), 7u);
    EXPECT_EQ(recorder.banner(), std::nullopt);

    // Clearing another row keeps the recording going.
    recorder.start(A::winLeft);
    recorder.clear(A::bridgeMark);
    EXPECT_EQ(recorder.recording(), A::winLeft);
    EXPECT_EQ(center->combo(A::bridgeMark), std::nullopt);
    EXPECT_TRUE(registered().empty());

    recorder.clearAll();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(center->activeCount(), 0);
    EXPECT_EQ(recorder.banner(), (Banner{"shortcuts_cleared_all_msg", {}, Style::plain}));

    recorder.start(A::winLeft);
    recorder.restoreDefaults();
    EXPECT_FALSE(center->isPausedForRecording());
    EXPECT_EQ(center->bindings(), defaultMap());
    EXPECT_EQ(registered().size(), 8u);
    EXPECT_EQ(recorder.banner(), (Banner{"shortcuts_restored_msg", {}, Style::plain}));
}

}  // namespace
}  // namespace quenda
