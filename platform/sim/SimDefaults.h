#pragma once

#include <map>

#include "platform/ports/Defaults.h"

namespace quenda {

// A settings store in memory.
class SimDefaults final : public Defaults {
  public:
    std::optional<DefaultsValue> value(const QString& key) override;
    bool setValue(const QString& key, const DefaultsValue& value) override;
    bool remove(const QString& key) override;
    QStringList keys() override;

    bool failWrites = false;

  private:
    std::map<QString, DefaultsValue> values_;
};

}  // namespace quenda
