#include <gtest/gtest.h>

#include <unordered_set>

#include "hotkeys/KeyCombo.h"
#include "hotkeys/tests/Printers.h"

namespace quenda {
namespace {

constexpr uint32_t kCtrlOpt = kCarbonControl | kCarbonOption;
constexpr uint32_t kAll = kCarbonModifierMask;

QString chr(char16_t c) {
    return QString(QChar(c));
}

struct TextCase {
    KeyCombo combo;
    QString expected;
};

TEST(KeyCombo, SymbolStringIsSymbolsThenLabel) {
    const TextCase cases[] = {
        {{18, kCtrlOpt}, "⌃⌥1"},
        {{49, kCarbonControl | kCarbonCommand}, "⌃⌘Space"},
        {{10, kCarbonCommand}, "⌘#10"},  // a key without a label
        {{18, kCarbonOption | kCarbonShift}, "⌥⇧1"},
        {{0, kAll}, "⌃⌥⇧⌘A"},
        {{122, 0}, "F1"},
        {{80, kCarbonShift}, "⇧F19"},
        {{87, kCarbonControl}, "⌃Num5"},
        {{76, kCtrlOpt}, "⌃⌥↩"},
        {{121, kCarbonCommand}, "⌘⇟"},
        {{42, kCarbonOption}, "⌥\\"},
        {{5, kCtrlOpt | 1024}, "⌃⌥G"},  // bits other than the four are not shown
    };
    for (const auto& c : cases) EXPECT_EQ(c.combo.symbolString(), c.expected);
}

// What users of this desktop read: the words of Qt's native key-sequence text.
TEST(KeyCombo, DisplayStringReadsAsThisDesktopWritesShortcuts) {
    const TextCase cases[] = {
        {{18, kCtrlOpt}, "Ctrl+Alt+1"},
        {{18, kCarbonOption | kCarbonShift}, "Alt+Shift+1"},
        {{43, kCarbonControl}, "Ctrl+,"},
        {{49, kCarbonControl | kCarbonCommand}, "Ctrl+Meta+Space"},
        {{0, kAll}, "Ctrl+Alt+Shift+Meta+A"},
        {{122, 0}, "F1"},
        {{80, kCarbonShift}, "Shift+F19"},
        {{87, kCarbonControl}, "Ctrl+Num+5"},
        {{36, kCtrlOpt}, "Ctrl+Alt+Return"},
        {{123, kCtrlOpt}, "Ctrl+Alt+Left"},
        {{121, kCarbonCommand}, "Meta+PgDown"},
        {{42, kCarbonOption}, "Alt+\\"},
        {{5, kCtrlOpt | 1024}, "Ctrl+Alt+G"},  // bits other than the four are not shown
    };
    for (const auto& c : cases) EXPECT_EQ(c.combo.displayString(), c.expected);
}

TEST(KeyCombo, MenuKeyEquivalents) {
    const TextCase cases[] = {
        {{96, kCarbonCommand}, chr(0xF708)},  // F5
        {{122, 0}, chr(0xF704)},              // F1
        {{80, 0}, chr(0xF716)},               // F19
        {{123, kCtrlOpt}, chr(0xF702)},       // left arrow
        {{126, kCtrlOpt}, chr(0xF700)},       // up arrow
        {{121, kCtrlOpt}, chr(0xF72D)},       // page down
        {{117, kCtrlOpt}, chr(0xF728)},       // forward delete
        {{49, kCtrlOpt}, " "},
        {{36, kCtrlOpt}, "\r"},
        {{76, kCtrlOpt}, "\r"},
        {{48, kCtrlOpt}, "\t"},
        {{51, kCtrlOpt}, chr(0x0008)},
        {{0, kCtrlOpt}, "a"},
        {{87, kCtrlOpt}, "num5"},
        {{24, kCtrlOpt}, "="},
        {{10, kCtrlOpt}, "#10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.combo.keyEquivalent(), c.expected) << testing::PrintToString(c.combo);
}

TEST(KeyCombo, ModifierConversions) {
    struct Case {
        uint32_t carbon;
        uint64_t flags;
    };
    const Case cases[] = {
        {kCarbonControl, kFlagControl}, {kCarbonOption, kFlagOption}, {kCarbonShift, kFlagShift},
        {kCarbonCommand, kFlagCommand}, {kCtrlOpt, 0xC0000},          {kAll, 0x1E0000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyCombo({0, c.carbon}).menuModifierMask(), c.flags);
        EXPECT_EQ(KeyCombo::carbonModifiersFromFlags(c.flags), c.carbon);
    }
    // Lock, function and keypad flags carry nothing; other carbon bits give no menu flag.
    EXPECT_EQ(KeyCombo::carbonModifiersFromFlags(kFlagCapsLock | kFlagFunction | kFlagNumericPad),
              0u);
    EXPECT_EQ(KeyCombo::carbonModifiersFromFlags(kFlagCapsLock | kFlagControl), kCarbonControl);
    EXPECT_EQ(KeyCombo({0, kCarbonControl | 1024 | 1}).menuModifierMask(), kFlagControl);
}

TEST(KeyCombo, Validity) {
    struct Case {
        KeyCombo combo;
        bool valid;
    };
    std::vector<Case> cases = {
        {{53, kCtrlOpt}, false},              // escape, even with modifiers
        {{53, 0}, false},                     //
        {{0, 0}, false},                      // bare letter
        {{18, 0}, false},                     // bare digit
        {{49, 0}, false},                     // bare space
        {{123, 0}, false},                    // bare arrow
        {{10, 0}, false},                     // bare key without a label
        {{122, 0}, true},                     // bare F1
        {{80, 0}, true},                      // bare F19
        {{0, kCarbonShift}, true},            // any one modifier will do
        {{10, kCarbonCommand}, true},         //
        {{0, 1024}, false},                   // bits that are no modifier key: still a bare A
        {{0, 1}, false},                      //
        {{0, kCarbonControl | 1024}, false},  // a stray bit spoils a real modifier too
        {{122, 1024}, false},                 //
        {{96, kCarbonCommand}, true},         //
    };
    for (uint32_t key : KeyCombo::modifierKeyCodes()) {
        cases.push_back({{key, kCtrlOpt}, false});
        cases.push_back({{key, 0}, false});
    }
    for (const auto& c : cases)
        EXPECT_EQ(c.combo.isValid(), c.valid) << testing::PrintToString(c.combo);
}

TEST(KeyCombo, FromKeyEvent) {
    struct Case {
        const char* what;
        uint32_t keyCode;
        uint64_t flags;
        std::optional<KeyCombo> expected;
    };
    const Case cases[] = {
        {"escape with modifiers", 53, kFlagControl | kFlagOption, std::nullopt},
        {"lone shift", 56, kFlagShift, std::nullopt},
        {"lone right shift", 60, kFlagShift, std::nullopt},
        {"lone command", 55, kFlagCommand, std::nullopt},
        {"caps lock", 57, kFlagCapsLock, std::nullopt},
        {"plain letter", 0, 0, std::nullopt},
        {"letter with caps lock only", 0, kFlagCapsLock, std::nullopt},
        {"control-option-1 with caps lock", 18, kFlagControl | kFlagOption | kFlagCapsLock,
         KeyCombo{18, kCtrlOpt}},
        {"control-option-1", 18, kFlagControl | kFlagOption, KeyCombo{18, kCtrlOpt}},
        {"bare F1", 122, 0, KeyCombo{122, 0}},
        {"arrow carries function and keypad flags", 123,
         kFlagControl | kFlagFunction | kFlagNumericPad, KeyCombo{123, kCarbonControl}},
        {"all four", 0, kFlagControl | kFlagOption | kFlagShift | kFlagCommand, KeyCombo{0, kAll}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCombo::fromEvent(c.keyCode, c.flags), c.expected) << c.what;
}

TEST(KeyCombo, KeyTables) {
    EXPECT_EQ(KeyCombo::modifierKeyCodes(),
              (std::set<uint32_t>{54, 55, 56, 60, 58, 61, 59, 62, 57, 63}));
    EXPECT_EQ(KeyCombo::functionKeyLabels().size(), 19u);
    EXPECT_EQ(KeyCombo::keyCodeLabels().size(), 71u);
    EXPECT_EQ(KeyCombo::functionKeyEquivalents().size(), 19u);
    EXPECT_EQ(KeyCombo::menuKeyEquivalents().size(), 14u);

    // F-key order by key code, both for the labels and for the menu characters.
    const uint32_t fKeys[] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                              103, 111, 105, 107, 113, 106, 64, 79,  80};
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(KeyCombo::functionKeyLabels().at(fKeys[i]), QStringLiteral("F%1").arg(i + 1));
        EXPECT_EQ(KeyCombo::functionKeyEquivalents().at(fKeys[i]), chr(char16_t(0xF704 + i)));
        EXPECT_FALSE(KeyCombo::keyCodeLabels().contains(fKeys[i]));
    }
    // Letters by US position spell the alphabet in this key-code order.
    const uint32_t letters[] = {0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,
                                45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6};
    QString alphabet;
    for (uint32_t k : letters) alphabet += KeyCombo::keyCodeLabels().at(k);
    EXPECT_EQ(alphabet, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");

    for (const auto* table : {&KeyCombo::functionKeyLabels(), &KeyCombo::keyCodeLabels(),
                              &KeyCombo::functionKeyEquivalents(), &KeyCombo::menuKeyEquivalents()})
        EXPECT_FALSE(table->contains(kKeyCodeEscape));
}

TEST(KeyCombo, EqualAndHashedFieldByField) {
    std::unordered_set<KeyCombo> set{
        {18, kCtrlOpt}, {18, kCtrlOpt}, {18, kCarbonOption}, {19, kCtrlOpt}};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_EQ(KeyCombo({18, kCtrlOpt}), KeyCombo({18, kCtrlOpt}));
    EXPECT_NE(KeyCombo({18, kCtrlOpt}), KeyCombo({18, kCtrlOpt | kCarbonShift}));
}

}  // namespace
}  // namespace quenda
