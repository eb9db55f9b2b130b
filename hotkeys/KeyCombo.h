#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include <QString>

#include "platform/ports/HotKeyRegistrar.h"

namespace quenda {

// Modifier bits as a combination stores them (the Carbon values, so stored settings stay
// portable). No other bit is ever set.
inline constexpr uint32_t kCarbonCommand = 256;
inline constexpr uint32_t kCarbonShift = 512;
inline constexpr uint32_t kCarbonOption = 2048;
inline constexpr uint32_t kCarbonControl = 4096;
inline constexpr uint32_t kCarbonModifierMask =
    kCarbonCommand | kCarbonShift | kCarbonOption | kCarbonControl;

// Modifier flags of a key event and of a menu item's shortcut, in the event system's values.
inline constexpr uint64_t kFlagCapsLock = 0x10000;
inline constexpr uint64_t kFlagShift = 0x20000;
inline constexpr uint64_t kFlagControl = 0x40000;
inline constexpr uint64_t kFlagOption = 0x80000;
inline constexpr uint64_t kFlagCommand = 0x100000;
inline constexpr uint64_t kFlagNumericPad = 0x200000;
inline constexpr uint64_t kFlagFunction = 0x800000;

inline constexpr uint32_t kKeyCodeEscape = 53;
inline constexpr uint32_t kKeyCodeComma = 43;

// One shortcut: a hardware-independent virtual key code (US key positions) plus modifiers.
struct KeyCombo {
    uint32_t keyCode = 0;
    uint32_t carbonModifiers = 0;

    // The combination a key-down event would record: nothing for escape, a lone modifier
    // key, or anything that is not a valid shortcut.
    static std::optional<KeyCombo> fromEvent(uint32_t keyCode, uint64_t flags);
    static uint32_t carbonModifiersFromFlags(uint64_t flags);
    // The modifier keys that stored bits stand for.
    static KeyModifiers modifiersOf(uint32_t carbonModifiers);
    KeyModifiers modifiers() const { return modifiersOf(carbonModifiers); }

    // A shortcut holds at least one of Ctrl, Alt, Shift, Super and no other bit; only a
    // function key may stand alone.
    bool isValid() const;
    QString modifierSymbols() const;  // "⌃⌥⇧⌘" order
    QString keyLabel() const;         // "A", "F5", "Space", "#10" for a key without a label
    // The combination as this desktop writes it for the user ("Ctrl+Alt+1", "Meta+Space"),
    // the way Qt's native key-sequence text does: menus, messages and the dashboard.
    QString displayString() const;
    // The compact symbols of the registration log ("⌃⌥1"), a documented, stable format.
    QString symbolString() const { return modifierSymbols() + keyLabel(); }
    // What a menu item shows as its shortcut: the character and the modifier flags.
    QString keyEquivalent() const;
    uint64_t menuModifierMask() const;

    static const std::set<uint32_t>& modifierKeyCodes();
    static const std::map<uint32_t, QString>& functionKeyLabels();
    static const std::map<uint32_t, QString>& keyCodeLabels();
    static const std::map<uint32_t, QString>& functionKeyEquivalents();
    static const std::map<uint32_t, QString>& menuKeyEquivalents();

    friend bool operator==(const KeyCombo&, const KeyCombo&) = default;
};

}  // namespace quenda

template <>
struct std::hash<quenda::KeyCombo> {
    size_t operator()(const quenda::KeyCombo& c) const noexcept {
        return std::hash<uint64_t>()((uint64_t{c.keyCode} << 32) | c.carbonModifiers);
    }
};
