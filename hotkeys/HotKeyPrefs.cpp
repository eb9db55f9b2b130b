#include "hotkeys/HotKeyPrefs.h"

#include <cmath>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace quenda {

namespace {

// A JSON number that is a whole unsigned 32-bit value.
std::optional<uint32_t> uint32Member(const QJsonObject& object, const QString& name) {
    const QJsonValue v = object.value(name);
    if (!v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (d < 0 || d > 4294967295.0 || std::floor(d) != d) return std::nullopt;
    return uint32_t(d);
}

std::optional<KeyCombo> comboFrom(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto keyCode = uint32Member(object, QStringLiteral("keyCode"));
    const auto modifiers = uint32Member(object, QStringLiteral("carbonModifiers"));
    if (!keyCode || !modifiers) return std::nullopt;
    return KeyCombo{*keyCode, *modifiers};
}

}  // namespace

QByteArray encodeHotKeys(const HotKeyBindings& bindings) {
    // Written by hand: the combination's members go in a fixed order ("keyCode" first), and
    // QJsonObject would sort them.
    QByteArray out = "{";
    for (HotKeyAction action : allActions()) {
        const auto it = bindings.find(action);
        if (it == bindings.end() || !it->second || !it->second->isValid()) continue;
        if (out.size() > 1) out += ',';
        out += '"' + rawValue(action).toUtf8() +
               "\":{\"keyCode\":" + QByteArray::number(it->second->keyCode) +
               ",\"carbonModifiers\":" + QByteArray::number(it->second->carbonModifiers) + '}';
    }
    out += '}';
    return out;
}

std::optional<HotKeyBindings> decodeHotKeys(const QByteArray& data,
                                            std::vector<RejectedHotKey>* rejected) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    // Every member must be a combination, even one whose identifier is unknown.
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!comboFrom(it.value())) return std::nullopt;

    HotKeyBindings bindings;
    std::vector<RejectedHotKey> invalid;
    for (HotKeyAction action : allActions()) {
        std::optional<KeyCombo> combo;
        if (const auto it = object.find(rawValue(action)); it != object.end())
            combo = comboFrom(it.value());
        if (combo && !combo->isValid()) {
            invalid.push_back({action, *combo});
            combo.reset();
        }
        bindings[action] = combo;
    }
    if (rejected) *rejected = std::move(invalid);
    return bindings;
}

HotKeyBindings loadHotKeys(const Prefs& prefs, std::vector<RejectedHotKey>* rejected) {
    if (rejected) rejected->clear();
    const auto data = prefs.get(settings::customHotKeys);
    if (!data) return defaultMap();
    return decodeHotKeys(*data, rejected).value_or(defaultMap());
}

bool storeHotKeys(Prefs& prefs, const HotKeyBindings& bindings) {
    return prefs.set(settings::customHotKeys, encodeHotKeys(bindings));
}

}  // namespace quenda
