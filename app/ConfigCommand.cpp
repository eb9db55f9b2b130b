#include "app/ConfigCommand.h"

#include <QJsonDocument>
#include <QStringDecoder>

#include "core/Settings.h"

namespace quenda {

namespace {

std::optional<int64_t> parseInteger(const QString& text) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return v;
}

std::optional<bool> parseBoolean(const QString& text) {
    if (text == QLatin1String("true")) return true;
    if (text == QLatin1String("false")) return false;
    return std::nullopt;
}

// The text as a value of the setting's type, or nothing when it does not read as one. Data
// values are JSON text.
std::optional<DefaultsValue> parseTyped(const QString& text, SettingType type) {
    switch (type) {
        case SettingType::Boolean:
            if (auto b = parseBoolean(text)) return *b;
            return std::nullopt;
        case SettingType::Integer:
            if (auto i = parseInteger(text)) return *i;
            return std::nullopt;
        case SettingType::String:
            return text;
        case SettingType::Data: {
            QJsonParseError error{};
            QJsonDocument::fromJson(text.toUtf8(), &error);
            if (error.error != QJsonParseError::NoError) return std::nullopt;
            return text.toUtf8();
        }
    }
    return std::nullopt;
}

DefaultsValue parseUntyped(const QString& text) {
    if (auto b = parseBoolean(text)) return *b;
    if (auto i = parseInteger(text)) return *i;
    return text;
}

// The value the program uses for a key: what the stored one reads as for its setting (the
// nearest bound for a value out of range), any stored value for a key no setting names.
std::optional<DefaultsValue> effective(Defaults& store, const QString& key,
                                       const std::optional<AnySetting>& known) {
    const auto stored = store.value(key);
    if (!known || !stored) return stored;
    return known->read(*stored);
}

int list(Defaults& store, QTextStream& out) {
    QStringList seen;
    for (const AnySetting& s : settings::all) {
        const QString key = s.name();
        seen << key;
        const auto stored = store.value(key);
        if (const auto read = stored ? s.read(*stored) : std::nullopt) {
            out << key << " = " << formatSetting(*read);
            if (!s.accepts(*stored)) {
                out << " [stored value " << formatSetting(*stored)
                    << " is out of range; the nearest bound is used]";
            }
            out << "\n";
            continue;
        }
        const auto fallback = s.fallback();
        out << key << " = "
            << (fallback ? formatSetting(*fallback) + QStringLiteral(" (default)")
                         : QStringLiteral("(not set)"));
        if (stored) {
            out << (s.hasType(*stored) ? " [stored value is not valid and is ignored]"
                                       : " [stored value of the wrong type is ignored]");
        }
        out << "\n";
    }
    QStringList others = store.keys();
    others.sort();
    for (const QString& key : others) {
        if (seen.contains(key)) continue;
        if (const auto v = store.value(key)) out << key << " = " << formatSetting(*v) << "\n";
    }
    return 0;
}

int get(Defaults& store, const QString& key, QTextStream& out, QTextStream& err) {
    const auto known = settings::find(key);
    if (const auto v = effective(store, key, known)) {
        out << formatSetting(*v) << "\n";
        return 0;
    }
    if (const auto fallback = known ? known->fallback() : std::nullopt) {
        out << formatSetting(*fallback) << "\n";
        return 0;
    }
    // A data setting has no default: a stored value it does not take leaves nothing to show.
    err << "quenda config: " << key
        << (store.value(key) ? " holds a value it does not take, which is ignored\n"
                             : " is not set\n");
    return 1;
}

int writeFailed(const Defaults& store, QTextStream& err) {
    const QString why = store.lastError();
    err << "quenda config: could not write the settings" << (why.isEmpty() ? "" : ": ") << why
        << "\n";
    return 1;
}

int set(Defaults& store, const QString& key, const QString& text, QTextStream& err) {
    DefaultsValue value;
    if (const auto known = settings::find(key)) {
        const auto typed = parseTyped(text, known->type());
        if (!typed || !known->accepts(*typed)) {
            err << "quenda config: " << key << " takes " << known->expects() << "; \"" << text
                << "\" is not\n";
            return 2;
        }
        value = *typed;
    } else {
        value = parseUntyped(text);
    }
    if (!store.setValue(key, value)) return writeFailed(store, err);
    return 0;
}

}  // namespace

QString formatSetting(const DefaultsValue& value) {
    return std::visit(
        [](const auto& v) -> QString {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return v ? QStringLiteral("true") : QStringLiteral("false");
            } else if constexpr (std::is_same_v<T, int64_t>) {
                return QString::number(v);
            } else if constexpr (std::is_same_v<T, double>) {
                return QString::number(v, 'g', 17);
            } else if constexpr (std::is_same_v<T, QString>) {
                return v;
            } else {
                auto decoder = QStringDecoder(QStringDecoder::Utf8);
                const QString text = decoder(v);
                if (!decoder.hasError()) return text;
                return QStringLiteral("base64:") + QString::fromLatin1(v.toBase64());
            }
        },
        value);
}

int runConfigCommand(const QStringList& args, Defaults& store, QTextStream& out, QTextStream& err) {
    const QString verb = args.value(0);
    if (verb == QLatin1String("list") && args.size() == 1) return list(store, out);
    if (verb == QLatin1String("get") && args.size() == 2) return get(store, args[1], out, err);
    if (verb == QLatin1String("set") && args.size() == 3) return set(store, args[1], args[2], err);
    if (verb == QLatin1String("unset") && args.size() == 2) {
        if (store.remove(args[1])) return 0;
        return writeFailed(store, err);
    }
    err << "usage: quenda config list | get KEY | set KEY VALUE | unset KEY\n";
    return 2;
}

}  // namespace quenda
