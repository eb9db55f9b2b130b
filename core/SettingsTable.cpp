#include "core/SettingsTable.h"

#include <array>

namespace quenda {

namespace {
using enum SettingType;
// The one list of settings keys. README.md documents each of them (checked in CI).
constexpr std::array kSettings{
    SettingKey{"gap", Integer, "8", "spacing between tiled or snapped windows and around them"},
    SettingKey{"stageManagerInset", Boolean, "false",
               "keep a 120-point strip free on the left of every screen"},
    SettingKey{"includeOtherScreens", Boolean, "false", "tiling takes windows from all screens"},
    SettingKey{"groupSize", Integer, "0", "windows per group; 0 or less means automatic"},
    SettingKey{"broadcastEnter", Boolean, "true", "press Enter after each broadcast delivery"},
    SettingKey{"relayReturn", Boolean, "false", "return to the source window after a relay"},
    SettingKey{"templateID", String, "none", "the prompt template applied to relayed text"},
    SettingKey{"cornerButtonMode", Integer, "2", "corner button: 0 never, 1 on hover, 2 always"},
    SettingKey{"cornerButtonPosition", Integer, "0", "corner button: 0 left, 1 right"},
    SettingKey{"customHotKeys.v1", Data, "", "user-assigned key combinations (JSON)"},
    SettingKey{"didShowAccessibilityOnboarding", Boolean, "false",
               "the first-run onboarding has been shown"},
    SettingKey{"workspace.1", Data, "", "saved windows of workspace slot 1 (JSON)"},
    SettingKey{"workspace.2", Data, "", "saved windows of workspace slot 2 (JSON)"},
    SettingKey{"workspace.3", Data, "", "saved windows of workspace slot 3 (JSON)"},
};
}  // namespace

std::span<const SettingKey> settingsTable() {
    return kSettings;
}

std::optional<SettingKey> findSetting(const QString& key) {
    for (const SettingKey& s : kSettings) {
        if (key == QLatin1String(s.key)) return s;
    }
    return std::nullopt;
}

QString settingTypeName(SettingType type) {
    switch (type) {
        case Boolean:
            return QStringLiteral("boolean");
        case Integer:
            return QStringLiteral("integer");
        case String:
            return QStringLiteral("string");
        case Data:
            return QStringLiteral("data");
    }
    return {};
}

bool valueHasType(const DefaultsValue& value, SettingType type) {
    switch (type) {
        case Boolean:
            return std::holds_alternative<bool>(value);
        case Integer:
            return std::holds_alternative<int64_t>(value);
        case String:
            return std::holds_alternative<QString>(value);
        case Data:
            return std::holds_alternative<QByteArray>(value);
    }
    return false;
}

}  // namespace quenda
