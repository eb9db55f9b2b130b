#pragma once

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>

#include "platform/ports/Defaults.h"

namespace quenda {

// Typed settings with their defaults. Nothing is cached: every read goes to the store, so a
// change made elsewhere (the dashboard, `quenda config set`) applies to the next command.
// A value of the wrong type under a key reads exactly like an absent one.
class Prefs {
  public:
    explicit Prefs(Defaults& store) : store_(store) {}

    int64_t gap() const { return integerOr("gap", 8); }
    bool broadcastEnter() const { return boolOr("broadcastEnter", true); }
    int64_t cornerButtonMode() const { return integerOr("cornerButtonMode", 2); }
    int64_t cornerButtonPosition() const { return integerOr("cornerButtonPosition", 0); }

    // The store's own typed readers: false, 0 or nothing for an absent or mistyped key.
    bool boolValue(const QString& key) const { return boolOr(key, false); }
    int64_t integer(const QString& key) const { return integerOr(key, 0); }
    std::optional<QString> string(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;

    void set(const QString& key, const DefaultsValue& value) { store_.setValue(key, value); }
    void remove(const QString& key) { store_.remove(key); }

    Defaults& store() const { return store_; }

  private:
    bool boolOr(const QString& key, bool fallback) const;
    int64_t integerOr(const QString& key, int64_t fallback) const;

    Defaults& store_;
};

}  // namespace quenda
