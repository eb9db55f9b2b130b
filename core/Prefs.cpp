#include "core/Prefs.h"

namespace quenda {

namespace {
template <typename T>
std::optional<T> typed(Defaults& store, const QString& key) {
    const auto v = store.value(key);
    if (!v) return std::nullopt;
    if (const T* t = std::get_if<T>(&*v)) return *t;
    return std::nullopt;
}
}  // namespace

bool Prefs::boolOr(const QString& key, bool fallback) const {
    return typed<bool>(store_, key).value_or(fallback);
}

int64_t Prefs::integerOr(const QString& key, int64_t fallback) const {
    return typed<int64_t>(store_, key).value_or(fallback);
}

std::optional<QString> Prefs::string(const QString& key) const {
    return typed<QString>(store_, key);
}

std::optional<QByteArray> Prefs::data(const QString& key) const {
    return typed<QByteArray>(store_, key);
}

}  // namespace quenda
