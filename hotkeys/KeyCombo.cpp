#include "hotkeys/KeyCombo.h"

namespace quenda {

namespace {

// F1 to F19 by key code, in F-key order.
constexpr uint32_t kFunctionKeyCodes[19] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                            103, 111, 105, 107, 113, 106, 64, 79,  80};

QString character(char16_t c) {
    return QString(QChar(c));
}

}  // namespace

const std::set<uint32_t>& KeyCombo::modifierKeyCodes() {
    // command, shift, option, control (right and left), caps lock, function
    static const std::set<uint32_t> codes{54, 55, 56, 60, 58, 61, 59, 62, 57, 63};
    return codes;
}

const std::map<uint32_t, QString>& KeyCombo::functionKeyLabels() {
    static const std::map<uint32_t, QString> labels = [] {
        std::map<uint32_t, QString> m;
        for (int i = 0; i < 19; ++i) m[kFunctionKeyCodes[i]] = QStringLiteral("F%1").arg(i + 1);
        return m;
    }();
    return labels;
}

const std::map<uint32_t, QString>& KeyCombo::keyCodeLabels() {
    static const std::map<uint32_t, QString> labels{
        // letters by US key position
        {0, "A"},
        {11, "B"},
        {8, "C"},
        {2, "D"},
        {14, "E"},
        {3, "F"},
        {5, "G"},
        {4, "H"},
        {34, "I"},
        {38, "J"},
        {40, "K"},
        {37, "L"},
        {46, "M"},
        {45, "N"},
        {31, "O"},
        {35, "P"},
        {12, "Q"},
        {15, "R"},
        {1, "S"},
        {17, "T"},
        {32, "U"},
        {9, "V"},
        {13, "W"},
        {7, "X"},
        {16, "Y"},
        {6, "Z"},
        // digits
        {29, "0"},
        {18, "1"},
        {19, "2"},
        {20, "3"},
        {21, "4"},
        {23, "5"},
        {22, "6"},
        {26, "7"},
        {28, "8"},
        {25, "9"},
        // punctuation
        {27, "-"},
        {24, "="},
        {33, "["},
        {30, "]"},
        {42, "\\"},
        {41, ";"},
        {39, "'"},
        {43, ","},
        {47, "."},
        {44, "/"},
        {50, "`"},
        // named keys
        {49, "Space"},
        {36, "↩"},
        {76, "↩"},
        {48, "⇥"},
        {51, "⌫"},
        {117, "⌦"},
        {123, "←"},
        {124, "→"},
        {126, "↑"},
        {125, "↓"},
        {115, "↖"},
        {119, "↘"},
        {116, "⇞"},
        {121, "⇟"},
        // keypad digits
        {82, "Num0"},
        {83, "Num1"},
        {84, "Num2"},
        {85, "Num3"},
        {86, "Num4"},
        {87, "Num5"},
        {88, "Num6"},
        {89, "Num7"},
        {91, "Num8"},
        {92, "Num9"},
    };
    return labels;
}

const std::map<uint32_t, QString>& KeyCombo::functionKeyEquivalents() {
    // The menu system's private-use characters for F1 (U+F704) upwards.
    static const std::map<uint32_t, QString> equivalents = [] {
        std::map<uint32_t, QString> m;
        for (int i = 0; i < 19; ++i) m[kFunctionKeyCodes[i]] = character(char16_t(0xF704 + i));
        return m;
    }();
    return equivalents;
}

const std::map<uint32_t, QString>& KeyCombo::menuKeyEquivalents() {
    static const std::map<uint32_t, QString> equivalents{
        {49, character(u' ')},    {36, character(u'\r')},   {76, character(u'\r')},
        {48, character(u'\t')},   {51, character(0x0008)},  {117, character(0xF728)},
        {123, character(0xF702)}, {124, character(0xF703)}, {126, character(0xF700)},
        {125, character(0xF701)}, {115, character(0xF729)}, {119, character(0xF72B)},
        {116, character(0xF72C)}, {121, character(0xF72D)},
    };
    return equivalents;
}

KeyModifiers KeyCombo::modifiersOf(uint32_t carbonModifiers) {
    return {.control = (carbonModifiers & kCarbonControl) != 0,
            .alt = (carbonModifiers & kCarbonOption) != 0,
            .shift = (carbonModifiers & kCarbonShift) != 0,
            .super = (carbonModifiers & kCarbonCommand) != 0};
}

uint32_t KeyCombo::carbonModifiersFromFlags(uint64_t flags) {
    uint32_t bits = 0;
    if (flags & kFlagControl) bits |= kCarbonControl;
    if (flags & kFlagOption) bits |= kCarbonOption;
    if (flags & kFlagShift) bits |= kCarbonShift;
    if (flags & kFlagCommand) bits |= kCarbonCommand;
    return bits;
}

std::optional<KeyCombo> KeyCombo::fromEvent(uint32_t keyCode, uint64_t flags) {
    if (keyCode == kKeyCodeEscape || modifierKeyCodes().contains(keyCode)) return std::nullopt;
    const KeyCombo combo{keyCode, carbonModifiersFromFlags(flags) & kCarbonModifierMask};
    if (!combo.isValid()) return std::nullopt;
    return combo;
}

bool KeyCombo::isValid() const {
    if (keyCode == kKeyCodeEscape) return false;
    if (modifierKeyCodes().contains(keyCode)) return false;
    // A bit that stands for no modifier key would be grabbed as nothing, leaving a bare key.
    if (carbonModifiers & ~kCarbonModifierMask) return false;
    if (carbonModifiers != 0) return true;
    return functionKeyLabels().contains(keyCode);
}

QString KeyCombo::modifierSymbols() const {
    QString s;
    if (carbonModifiers & kCarbonControl) s += QStringLiteral("⌃");
    if (carbonModifiers & kCarbonOption) s += QStringLiteral("⌥");
    if (carbonModifiers & kCarbonShift) s += QStringLiteral("⇧");
    if (carbonModifiers & kCarbonCommand) s += QStringLiteral("⌘");
    return s;
}

QString KeyCombo::keyLabel() const {
    if (auto it = functionKeyLabels().find(keyCode); it != functionKeyLabels().end())
        return it->second;
    if (auto it = keyCodeLabels().find(keyCode); it != keyCodeLabels().end()) return it->second;
    return QStringLiteral("#%1").arg(keyCode);
}

QString KeyCombo::displayString() const {
    // Named keys as Qt names them; every other label already reads the same.
    static const std::map<uint32_t, QString> names{
        {36, "Return"}, {76, "Enter"},  {48, "Tab"},     {51, "Backspace"}, {117, "Del"},
        {123, "Left"},  {124, "Right"}, {126, "Up"},     {125, "Down"},     {115, "Home"},
        {119, "End"},   {116, "PgUp"},  {121, "PgDown"},
    };
    QString text;
    if (carbonModifiers & kCarbonControl) text += QStringLiteral("Ctrl+");
    if (carbonModifiers & kCarbonOption) text += QStringLiteral("Alt+");
    if (carbonModifiers & kCarbonShift) text += QStringLiteral("Shift+");
    if (carbonModifiers & kCarbonCommand) text += QStringLiteral("Meta+");
    if (auto it = names.find(keyCode); it != names.end()) return text + it->second;
    const QString label = keyLabel();
    if (label.startsWith(QStringLiteral("Num")) && label.size() == 4)
        return text + QStringLiteral("Num+") + label.back();
    return text + label;
}

QString KeyCombo::keyEquivalent() const {
    if (auto it = functionKeyEquivalents().find(keyCode); it != functionKeyEquivalents().end())
        return it->second;
    if (auto it = menuKeyEquivalents().find(keyCode); it != menuKeyEquivalents().end())
        return it->second;
    return keyLabel().toLower();
}

uint64_t KeyCombo::menuModifierMask() const {
    uint64_t flags = 0;
    if (carbonModifiers & kCarbonControl) flags |= kFlagControl;
    if (carbonModifiers & kCarbonOption) flags |= kFlagOption;
    if (carbonModifiers & kCarbonShift) flags |= kFlagShift;
    if (carbonModifiers & kCarbonCommand) flags |= kFlagCommand;
    return flags;
}

}  // namespace quenda
