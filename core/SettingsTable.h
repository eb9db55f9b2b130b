#pragma once

#include <optional>
#include <span>

#include <QString>

#include "platform/ports/Defaults.h"

namespace quenda {

enum class SettingType { Boolean, Integer, String, Data };

// One settings key the program reads or writes: its type, the value used while it is
// absent (as the user would type it), and what it does.
struct SettingKey {
    const char* key;
    SettingType type;
    const char* defaultText;
    const char* meaning;
};

std::span<const SettingKey> settingsTable();
std::optional<SettingKey> findSetting(const QString& key);
QString settingTypeName(SettingType type);
bool valueHasType(const DefaultsValue& value, SettingType type);

}  // namespace quenda
