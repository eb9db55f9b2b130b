#include "core/Settings.h"

#include <QJsonDocument>

namespace quenda {

namespace {
std::optional<QJsonDocument> json(const QByteArray& data) {
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) return std::nullopt;
    return document;
}

template <typename T>
std::optional<DefaultsValue> fallbackOf(const Setting<T>& s) {
    if constexpr (std::is_same_v<T, QByteArray>) {
        return std::nullopt;
    } else if constexpr (std::is_same_v<T, QString>) {
        return QString::fromUtf8(s.fallback);
    } else {
        return s.fallback;
    }
}

QString typePhrase(SettingType type) {
    switch (type) {
        case SettingType::Boolean:
            return QStringLiteral("a boolean (true or false)");
        case SettingType::Integer:
            return QStringLiteral("an integer");
        case SettingType::String:
            return QStringLiteral("text");
        case SettingType::Data:
            return QStringLiteral("JSON text");
    }
    return {};
}
}  // namespace

bool isJsonObject(const QByteArray& data) {
    const auto document = json(data);
    return document && document->isObject();
}

QString AnySetting::name() const {
    return std::visit([](const auto* s) { return s->name(); }, ref_);
}

SettingType AnySetting::type() const {
    return std::visit([](const auto* s) { return std::decay_t<decltype(*s)>::Traits::type; }, ref_);
}

const char* AnySetting::meaning() const {
    return std::visit([](const auto* s) { return s->meaning; }, ref_);
}

std::optional<DefaultsValue> AnySetting::fallback() const {
    return std::visit([](const auto* s) { return fallbackOf(*s); }, ref_);
}

bool AnySetting::hasType(const DefaultsValue& value) const {
    return std::visit(
        [&](const auto* s) {
            return std::holds_alternative<typename std::decay_t<decltype(*s)>::Value>(value);
        },
        ref_);
}

bool AnySetting::accepts(const DefaultsValue& value) const {
    return std::visit(
        [&](const auto* s) {
            using Value = typename std::decay_t<decltype(*s)>::Value;
            const Value* v = std::get_if<Value>(&value);
            return v && s->accepts(*v);
        },
        ref_);
}

std::optional<DefaultsValue> AnySetting::read(const DefaultsValue& stored) const {
    return std::visit(
        [&](const auto* s) -> std::optional<DefaultsValue> {
            using Value = typename std::decay_t<decltype(*s)>::Value;
            const Value* v = std::get_if<Value>(&stored);
            if (!v) return std::nullopt;
            if (auto read = s->read(*v)) return DefaultsValue(*read);
            return std::nullopt;
        },
        ref_);
}

QString AnySetting::expects() const {
    return std::visit(
        [](const auto* s) {
            QString text = typePhrase(std::decay_t<decltype(*s)>::Traits::type);
            if (s->rule.expects) text += QStringLiteral(": ") + QString::fromUtf8(s->rule.expects);
            return text;
        },
        ref_);
}

std::optional<AnySetting> settings::find(const QString& key) {
    for (const AnySetting& s : all) {
        if (s.name() == key) return s;
    }
    return std::nullopt;
}

}  // namespace quenda
