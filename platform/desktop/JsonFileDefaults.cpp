#include "platform/desktop/JsonFileDefaults.h"

#include <sys/stat.h>

#include <cmath>
#include <limits>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace quenda {

namespace {
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;  // a settings file is never near this
const QString kDataKey = QStringLiteral("$data");
const QString kBase64Key = QStringLiteral("$base64");

std::optional<DefaultsValue> decode(const QJsonValue& v) {
    switch (v.type()) {
        case QJsonValue::Bool:
            return v.toBool();
        case QJsonValue::String:
            return v.toString();
        case QJsonValue::Double: {
            const double d = v.toDouble();
            const bool integral = std::trunc(d) == d && std::abs(d) < 9.0e15;
            if (integral) return static_cast<int64_t>(d);
            return d;
        }
        case QJsonValue::Object: {
            const QJsonObject o = v.toObject();
            if (o.size() != 1) return std::nullopt;
            if (o.value(kDataKey).isString()) return o.value(kDataKey).toString().toUtf8();
            if (o.value(kBase64Key).isString()) {
                auto bytes =
                    QByteArray::fromBase64Encoding(o.value(kBase64Key).toString().toLatin1(),
                                                   QByteArray::AbortOnBase64DecodingErrors);
                if (bytes) return *bytes;
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

QJsonValue encode(const DefaultsValue& value) {
    return std::visit(
        [](const auto& v) -> QJsonValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, int64_t>) {
                return static_cast<qint64>(v);
            } else if constexpr (std::is_same_v<T, QByteArray>) {
                auto decoder = QStringDecoder(QStringDecoder::Utf8);
                const QString text = decoder(v);
                if (!decoder.hasError()) return QJsonObject{{kDataKey, text}};
                return QJsonObject{{kBase64Key, QString::fromLatin1(v.toBase64())}};
            } else {
                return v;
            }
        },
        value);
}
}  // namespace

JsonFileDefaults::JsonFileDefaults(QString path) : path_(std::move(path)) {}

QString JsonFileDefaults::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quenda/defaults.json");
}

JsonFileDefaults::Stamp JsonFileDefaults::stamp() const {
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) return {};
    return {true, static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<int64_t>(st.st_ino)};
}

void JsonFileDefaults::refresh() {
    const Stamp now = stamp();
    if (loaded_ && *loaded_ == now) return;
    loaded_ = now;
    object_ = {};
    damaged_ = false;
    if (!now.exists) return;
    QFile file(path_);
    if (now.size > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        damaged_ = true;
        return;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxFileSize), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        damaged_ = true;
        return;
    }
    object_ = doc.object();
}

std::optional<DefaultsValue> JsonFileDefaults::value(const QString& key) {
    refresh();
    if (!object_.contains(key)) return std::nullopt;
    return decode(object_.value(key));
}

QStringList JsonFileDefaults::keys() {
    refresh();
    return object_.keys();
}

bool JsonFileDefaults::write(const QJsonObject& next) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (damaged_) {
        // Keep what the user had; the store starts afresh beside it.
        const QString aside = path_ + QStringLiteral(".damaged");
        QFile::remove(aside);
        QFile::copy(path_, aside);
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QJsonDocument(next).toJson(QJsonDocument::Indented));
    if (!file.commit()) return false;
    object_ = next;
    damaged_ = false;
    loaded_ = stamp();
    return true;
}

bool JsonFileDefaults::setValue(const QString& key, const DefaultsValue& value) {
    refresh();
    const QJsonValue encoded = encode(value);
    if (!damaged_ && object_.value(key) == encoded) return true;
    QJsonObject next = object_;
    next.insert(key, encoded);
    return write(next);
}

bool JsonFileDefaults::remove(const QString& key) {
    refresh();
    if (!object_.contains(key)) return true;
    QJsonObject next = object_;
    next.remove(key);
    return write(next);
}

}  // namespace quenda
