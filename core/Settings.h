#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <variant>

#include <QByteArray>
#include <QString>

#include "platform/ports/Defaults.h"

namespace quenda {

// Every setting the program reads or writes is one `Setting` descriptor below: its key, its
// type, the value used while it is absent or unusable, what it means and which values it
// accepts. Code reads and writes settings only through these descriptors
// (`prefs.get(settings::gap)`, `prefs.set(settings::groupSize, 3)`); `quenda config` and the
// README check take their list from `settings::all`.

enum class SettingType { Boolean, Integer, String, Data };

// What a stored value of each type reads as, and how its default is written down.
template <typename T>
struct SettingTraits;
template <>
struct SettingTraits<bool> {
    static constexpr SettingType type = SettingType::Boolean;
    using Default = bool;
    using Read = bool;
};
template <>
struct SettingTraits<int64_t> {
    static constexpr SettingType type = SettingType::Integer;
    using Default = int64_t;
    using Read = int64_t;
};
template <>
struct SettingTraits<QString> {
    static constexpr SettingType type = SettingType::String;
    using Default = const char*;  // UTF-8
    using Read = QString;
};
// Data settings are JSON documents owned by their subsystem; absent is their only default.
struct NoDefault {};
template <>
struct SettingTraits<QByteArray> {
    static constexpr SettingType type = SettingType::Data;
    using Default = NoDefault;
    using Read = std::optional<QByteArray>;
};

// Which values of its type a setting accepts. A stored value the rule refuses reads like an
// absent one, unless the rule names a nearest accepted value (a range clamps to its
// bounds); `quenda config set` refuses it either way.
template <typename T>
struct Rule {
    bool (*accepts)(const T&) = nullptr;  // nullptr: every value of the type
    const char* expects = nullptr;        // the accepted values, for error messages
    T (*nearest)(const T&) = nullptr;     // nullptr: a refused value reads as the default
};

template <typename T>
struct Setting {
    using Value = T;
    using Traits = SettingTraits<T>;
    const char* key;
    typename Traits::Default fallback{};
    const char* meaning = "";
    Rule<T> rule{};

    bool accepts(const T& value) const { return !rule.accepts || rule.accepts(value); }
    // What a stored value of the setting's type reads as: itself when the rule accepts it,
    // else the nearest value the rule accepts, else nothing (the default applies).
    std::optional<T> read(const T& stored) const {
        if (accepts(stored)) return stored;
        if (rule.nearest) return rule.nearest(stored);
        return std::nullopt;
    }
    QString name() const { return QString::fromLatin1(key); }
};

// Rules shared by several settings.
template <int64_t Lo, int64_t Hi>
constexpr bool inRange(const int64_t& v) {
    return Lo <= v && v <= Hi;
}
template <int64_t Lo, int64_t Hi>
constexpr int64_t clampTo(const int64_t& v) {
    return v < Lo ? Lo : (v > Hi ? Hi : v);
}
// Integers from Lo to Hi; a stored value outside reads as the nearest bound.
template <int64_t Lo, int64_t Hi>
constexpr Rule<int64_t> range(const char* expects) {
    return {inRange<Lo, Hi>, expects, clampTo<Lo, Hi>};
}
bool isJsonObject(const QByteArray& data);

namespace settings {

// Bounded so that no value can push a window off its screen or make a frame larger than it.
inline constexpr Setting<int64_t> gap{
    .key = "gap",
    .fallback = 8,
    .meaning = "spacing between tiled or snapped windows and around them",
    .rule = range<0, 64>("0 to 64")};
inline constexpr Setting<bool> stageManagerInset{
    .key = "stageManagerInset",
    .fallback = false,
    .meaning = "keep a 120-point strip free on the left of every screen"};
inline constexpr Setting<bool> includeOtherScreens{
    .key = "includeOtherScreens",
    .fallback = false,
    .meaning = "tiling takes windows from all screens"};
inline constexpr Setting<int64_t> groupSize{
    .key = "groupSize", .fallback = 0, .meaning = "windows per group; 0 or less means automatic"};
inline constexpr Setting<bool> broadcastEnter{
    .key = "broadcastEnter",
    .fallback = true,
    .meaning = "press Enter after each broadcast delivery"};
inline constexpr Setting<bool> relayReturn{.key = "relayReturn",
                                           .fallback = false,
                                           .meaning = "return to the source window after a relay"};
// "none" (or absence) means no template.
inline constexpr Setting<QString> templateID{
    .key = "templateID",
    .fallback = "none",
    .meaning = "the prompt template applied to relayed text"};
// Comma-separated window classes (the class part of WM_CLASS, any case) that get the
// terminals' copy and paste keys, Ctrl+Shift+C and Ctrl+Shift+V, besides the known ones.
inline constexpr Setting<QString> terminalClasses{
    .key = "terminalClasses",
    .fallback = "",
    .meaning = "more window classes to treat as terminals (Ctrl+Shift+C/V), comma-separated"};
inline constexpr Setting<int64_t> cornerButtonMode{
    .key = "cornerButtonMode",
    .fallback = 2,
    .meaning = "corner button: 0 never, 1 on hover, 2 always",
    .rule = {inRange<0, 2>, "0 (never), 1 (on hover) or 2 (always)"}};
inline constexpr Setting<int64_t> cornerButtonPosition{
    .key = "cornerButtonPosition",
    .fallback = 0,
    .meaning = "corner button: 0 left, 1 right",
    .rule = {inRange<0, 1>, "0 (left) or 1 (right)"}};
// Absent: the default shortcuts. The members are decoded by hotkeys/HotKeyPrefs.h.
inline constexpr Setting<QByteArray> customHotKeys{
    .key = "customHotKeys.v1",
    .meaning = "user-assigned key combinations (JSON)",
    .rule = {isJsonObject, "a JSON object"}};
inline constexpr Setting<bool> didShowAccessibilityOnboarding{
    .key = "didShowAccessibilityOnboarding",
    .fallback = false,
    .meaning = "the first-run onboarding has been shown"};
// The saved windows of a workspace slot (workspaces/SavedWindow.h); absent: an empty slot.
// Any JSON is taken: a slot that does not decode restores as an empty one.
inline constexpr Setting<QByteArray> workspace1{
    .key = "workspace.1", .meaning = "saved windows of workspace slot 1 (JSON)"};
inline constexpr Setting<QByteArray> workspace2{
    .key = "workspace.2", .meaning = "saved windows of workspace slot 2 (JSON)"};
inline constexpr Setting<QByteArray> workspace3{
    .key = "workspace.3", .meaning = "saved windows of workspace slot 3 (JSON)"};

// Where the user left the shelf's panel: "x,y,width,height" in pixels (shelf/ShelfController.h
// reads it); empty or unreadable: at the right of the screen under the pointer.
inline constexpr Setting<QString> shelfFrame{
    .key = "shelfFrame",
    .fallback = "",
    .meaning = "where the shelf panel was left: x,y,width,height in pixels"};

// Where the user left the dashboard window: "x,y,width,height" in pixels; empty or
// unreadable: centred on the primary screen.
inline constexpr Setting<QString> dashboardFrame{
    .key = "dashboardFrame",
    .fallback = "",
    .meaning = "where the dashboard window was left: x,y,width,height in pixels"};

inline constexpr std::array workspaceSlots{&workspace1, &workspace2, &workspace3};
// The setting of workspace slot 1, 2 or 3; any other slot is a programming error (throws).
inline const Setting<QByteArray>& workspaceSlot(int slot) {
    return *workspaceSlots.at(static_cast<size_t>(slot - 1));
}

}  // namespace settings

// A setting of any type, for code that handles them all alike (`quenda config`).
class AnySetting {
  public:
    using Ref = std::variant<const Setting<bool>*, const Setting<int64_t>*, const Setting<QString>*,
                             const Setting<QByteArray>*>;
    template <typename T>
    constexpr AnySetting(const Setting<T>* setting) : ref_(setting) {}

    QString name() const;
    SettingType type() const;
    const char* meaning() const;
    // The value in use while the setting is absent; nothing for data settings.
    std::optional<DefaultsValue> fallback() const;
    bool hasType(const DefaultsValue& value) const;
    // Has the setting's type and passes its rule.
    bool accepts(const DefaultsValue& value) const;
    // What a stored value reads as (Setting::read); nothing for the wrong type or a value
    // the rule refuses without a nearest one.
    std::optional<DefaultsValue> read(const DefaultsValue& stored) const;
    // What the setting takes, for error messages: "an integer: 0 (left) or 1 (right)".
    QString expects() const;

  private:
    Ref ref_;
};

namespace settings {

// Every setting, in the order `quenda config list` shows them. README.md documents each one
// (checked by scripts/check-house-rules.sh and core/tests/PrefsTest.cpp).
inline constexpr auto all = std::to_array<AnySetting>({
    &gap,
    &stageManagerInset,
    &includeOtherScreens,
    &groupSize,
    &broadcastEnter,
    &relayReturn,
    &templateID,
    &terminalClasses,
    &cornerButtonMode,
    &cornerButtonPosition,
    &customHotKeys,
    &didShowAccessibilityOnboarding,
    &workspace1,
    &workspace2,
    &workspace3,
    &shelfFrame,
    &dashboardFrame,
});

std::optional<AnySetting> find(const QString& key);

}  // namespace settings

}  // namespace quenda
