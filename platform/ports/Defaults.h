#pragma once

#include <cstdint>
#include <optional>
#include <variant>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quenda {

// A stored setting keeps its type: a reader that asks for another type gets nothing.
using DefaultsValue = std::variant<bool, int64_t, double, QString, QByteArray>;

// The user's settings store: plain string keys with typed values. Nothing is registered;
// a key never written is absent.
class Defaults {
  public:
    virtual ~Defaults() = default;
    virtual std::optional<DefaultsValue> value(const QString& key) = 0;
    // False when the store could not be written (the value is then not kept).
    virtual bool setValue(const QString& key, const DefaultsValue& value) = 0;
    virtual bool remove(const QString& key) = 0;
    virtual QStringList keys() = 0;
    // Why the last write that failed did so, in one line for the user; empty when unknown.
    virtual QString lastError() const { return {}; }
};

}  // namespace quenda
