// Typing into other windows: the waits for the modifiers and for the clipboard, on the
// virtual clock, and the copy and paste chords each kind of window gets.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/Keys.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimSyntheticKeys.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda {
namespace {

// A clipboard that only counts: the waits read nothing else.
class CountingPasteboard final : public Pasteboard {
  public:
    int64_t changeCount() override {
        ++reads;
        return count;
    }
    void setChangeHandler(std::function<void()>) override {}
    void read(const PasteboardRead&, std::function<void(PasteboardContent)> done) override {
        done({});
    }
    void writeText(const QString&, bool) override { ++count; }
    void writeImage(const QByteArray&) override { ++count; }
    void writeFiles(const std::vector<QString>&) override { ++count; }

    int64_t count = 7;
    int reads = 0;
};

constexpr KeyModifiers kCtrl{.control = true};
constexpr KeyModifiers kCtrlShift{.control = true, .shift = true};
constexpr KeyModifiers kShift{.shift = true};

class KeysTest : public ::testing::Test {
  protected:
    SimSyntheticKeys synthetic;
    CountingPasteboard pasteboard;
    VirtualClock clock;
    SimDesktop desktop;
    SimDefaults store;
    Prefs prefs{store};
    Keys keys{synthetic, pasteboard, clock, desktop, prefs};
};

TEST_F(KeysTest, PostsExactlyTheChordAsked) {
    keys.post(SyntheticKey::v, kCtrl);
    keys.post(KeyChord{SyntheticKey::returnKey, {}});
    const std::vector<SimSyntheticKeys::Press> expected = {{SyntheticKey::v, kCtrl},
                                                           {SyntheticKey::returnKey, {}}};
    EXPECT_EQ(synthetic.posted, expected);
}

TEST_F(KeysTest, WithNothingHeldTheCallbackRunsBeforeTheWaitReturns) {
    bool ran = false;
    keys.afterModifiersReleased(1.2, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(clock.pending(), 0u);
}

TEST_F(KeysTest, TheCallbackRunsAtTheFirstLookAfterTheRelease) {
    synthetic.held = kCtrl;
    int runs = 0;
    std::optional<double> ranAt;
    keys.afterModifiersReleased(1.2, [&] {
        ++runs;
        ranAt = clock.now();
    });
    clock.advance(0.5);
    EXPECT_EQ(runs, 0);
    synthetic.held = {};
    clock.advance(0.03);
    EXPECT_EQ(runs, 1);
    ASSERT_TRUE(ranAt);
    EXPECT_NEAR(*ranAt, 0.51, 0.031);
    clock.advance(5);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(clock.pending(), 0u);
}

// A modifier held past the timeout does not stop the action: it runs once, about 1.2 s in,
// with the modifier still held, after about 40 looks.
TEST_F(KeysTest, AModifierHeldPastTheTimeoutRunsTheCallbackAnyway) {
    for (KeyModifiers held :
         {kCtrl, kShift, KeyModifiers{.alt = true}, KeyModifiers{.super = true}}) {
        SCOPED_TRACE(::testing::Message() << "control " << held.control << " shift " << held.shift
                                          << " alt " << held.alt << " super " << held.super);
        synthetic.held = held;
        synthetic.modifierReads = 0;
        int runs = 0;
        keys.afterModifiersReleased(1.2, [&] { ++runs; });
        const double start = clock.now();
        clock.advance(1.17);
        EXPECT_EQ(runs, 0);
        clock.advance(0.06);
        EXPECT_EQ(runs, 1);
        EXPECT_GE(synthetic.modifierReads, 40);
        EXPECT_LE(synthetic.modifierReads, 42);
        clock.advance(2);
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(clock.pending(), 0u);
        EXPECT_LT(clock.now() - start, 4);
    }
}

TEST_F(KeysTest, AStaleChangeCountReportsAChangeAtOnce) {
    std::vector<bool> results;
    keys.waitForPasteboardChange(pasteboard.count - 1, 0.9,
                                 [&](bool changed) { results.push_back(changed); });
    EXPECT_EQ(results, std::vector<bool>{true});
    EXPECT_EQ(clock.pending(), 0u);
}

TEST_F(KeysTest, AnUnchangedClipboardReportsNoChangeAfterTheTimeout) {
    std::vector<bool> results;
    keys.waitForPasteboardChange(pasteboard.count, 0.9,
                                 [&](bool changed) { results.push_back(changed); });
    clock.advance(0.88);
    EXPECT_TRUE(results.empty());
    clock.advance(0.04);
    EXPECT_EQ(results, std::vector<bool>{false});
    // About 23 looks, 0.04 s apart.
    EXPECT_GE(pasteboard.reads, 23);
    EXPECT_LE(pasteboard.reads, 25);
    clock.advance(3);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_EQ(clock.pending(), 0u);
}

// The copy the application makes after the synthetic Ctrl+C is seen at the next look.
TEST_F(KeysTest, ACopyWithinTheTimeoutReportsTheChange) {
    const int64_t before = pasteboard.count;
    std::vector<std::pair<bool, double>> results;
    keys.post(SyntheticKey::c, kCtrl);
    keys.waitForPasteboardChange(before, 0.9, [&](bool changed) {
        results.push_back({changed, clock.now()});
    });
    clock.advance(0.1);
    pasteboard.writeText(QStringLiteral("copied"), false);
    clock.advance(2);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].first);
    EXPECT_NEAR(results[0].second, 0.12, 0.001);
}

TEST_F(KeysTest, PendingWaitsEndWithTheirOwner) {
    synthetic.held = kCtrl;
    int calls = 0;
    {
        Keys shortLived{synthetic, pasteboard, clock, desktop, prefs};
        shortLived.afterModifiersReleased(1.2, [&] { ++calls; });
        shortLived.waitForPasteboardChange(pasteboard.count, 0.9, [&](bool) { ++calls; });
    }
    clock.advance(3);
    EXPECT_EQ(calls, 0);
}

TEST(KeysChords, FollowTheKindOfWindow) {
    const KeyChord ctrlC{SyntheticKey::c, kCtrl};
    const KeyChord ctrlShiftC{SyntheticKey::c, kCtrlShift};
    const PasteChord ctrlV{{SyntheticKey::v, kCtrl}, false};
    const PasteChord ctrlShiftV{{SyntheticKey::v, kCtrlShift}, false};
    const PasteChord shiftInsert{{SyntheticKey::insert, kShift}, true};
    struct Case {
        const char* windowClass;
        std::optional<KeyChord> copy;
        PasteChord paste;
    } cases[] = {
        {"Mousepad", ctrlC, ctrlV},
        {"firefox", ctrlC, ctrlV},
        {"", ctrlC, ctrlV},
        {"Terminal-ish", ctrlC, ctrlV},
        {"Gnome-terminal", ctrlShiftC, ctrlShiftV},
        {"konsole", ctrlShiftC, ctrlShiftV},
        {"Xfce4-terminal", ctrlShiftC, ctrlShiftV},
        {"Lxterminal", ctrlShiftC, ctrlShiftV},
        {"Mate-terminal", ctrlShiftC, ctrlShiftV},
        {"Terminator", ctrlShiftC, ctrlShiftV},
        {"Tilix", ctrlShiftC, ctrlShiftV},
        {"Alacritty", ctrlShiftC, ctrlShiftV},
        {"kitty", ctrlShiftC, ctrlShiftV},
        {"st-256color", ctrlShiftC, ctrlShiftV},
        {"foot", ctrlShiftC, ctrlShiftV},
        {"org.wezfurlong.wezterm", ctrlShiftC, ctrlShiftV},
        {"qterminal", ctrlShiftC, ctrlShiftV},
        {"Sakura", ctrlShiftC, ctrlShiftV},
        {"terminology", ctrlShiftC, ctrlShiftV},
        {"Guake", ctrlShiftC, ctrlShiftV},
        {"Tilda", ctrlShiftC, ctrlShiftV},
        {"XTerm", std::nullopt, shiftInsert},
        // The rxvt family: Ctrl+Shift starts typing a character by its code there.
        {"URxvt", std::nullopt, shiftInsert},
        {"Rxvt", std::nullopt, shiftInsert},
        {"Eterm", std::nullopt, shiftInsert},
        {"UXTerm", std::nullopt, shiftInsert},
        {"xterm", std::nullopt, shiftInsert},
        // From the setting.
        {"MyTerm", ctrlShiftC, ctrlShiftV},
        {"retro-TERM", ctrlShiftC, ctrlShiftV},
    };
    const QStringList extra = Keys::parseClassList(QStringLiteral(" myterm ,, Retro-Term,"));
    EXPECT_EQ(extra, (QStringList{"myterm", "retro-term"}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windowClass);
        const WindowChords chords = Keys::chordsFor(QString::fromUtf8(c.windowClass), extra);
        EXPECT_EQ(chords.copy, c.copy);
        EXPECT_EQ(chords.paste, c.paste);
        // Ctrl+C without Shift never goes to a terminal.
        if (c.paste.chord.modifiers != kCtrl) EXPECT_NE(chords.copy, ctrlC);
    }
}

TEST_F(KeysTest, ChordsComeFromTheReceivingWindowsClassAndTheSetting) {
    const auto ids = desktop.load(
        "10 Mousepad 'notes' 0,0 400x300; 11 xterm 'sh' 0,0 400x300 class=XTerm; "
        "12 foot 'sh' 0,0 400x300; 13 Retro 'sh' 0,0 400x300 class=RetroTerm");
    const auto ref = [&](size_t i) { return WindowRef{desktop.window(ids[i]).pid, ids[i]}; };
    EXPECT_EQ(keys.copyChord(ref(0)), (KeyChord{SyntheticKey::c, kCtrl}));
    EXPECT_EQ(keys.pasteChord(ref(0)), (PasteChord{{SyntheticKey::v, kCtrl}, false}));
    EXPECT_EQ(keys.copyChord(ref(1)), std::nullopt);
    EXPECT_EQ(keys.pasteChord(ref(1)), (PasteChord{{SyntheticKey::insert, kShift}, true}));
    EXPECT_EQ(keys.pasteChord(ref(2)), (PasteChord{{SyntheticKey::v, kCtrlShift}, false}));
    EXPECT_EQ(keys.copyChord(ref(3)), (KeyChord{SyntheticKey::c, kCtrl}));
    ASSERT_TRUE(prefs.set(settings::terminalClasses, QStringLiteral("retroterm")));
    EXPECT_EQ(keys.copyChord(ref(3)), (KeyChord{SyntheticKey::c, kCtrlShift}));
    // A window that is gone gets the ordinary chords; nothing reaches it anyway.
    const WindowRef gone = ref(1);
    desktop.vanish(ids[1]);
    EXPECT_EQ(keys.pasteChord(gone), (PasteChord{{SyntheticKey::v, kCtrl}, false}));
}

}  // namespace
}  // namespace quenda
