#include "platform/sim/SimDefaults.h"

namespace quenda {

std::optional<DefaultsValue> SimDefaults::value(const QString& key) {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool SimDefaults::setValue(const QString& key, const DefaultsValue& value) {
    if (failWrites) return false;
    values_[key] = value;
    return true;
}

bool SimDefaults::remove(const QString& key) {
    if (failWrites) return false;
    values_.erase(key);
    return true;
}

QStringList SimDefaults::keys() {
    QStringList result;
    for (const auto& [key, value] : values_) result << key;
    return result;
}

}  // namespace quenda
