#include "update/Manifest.h"

#include <cmath>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace quenda {

namespace {
// The largest integer a JSON number holds exactly.
constexpr double kMaxExactInteger = 9007199254740992.0;
}  // namespace

std::variant<Manifest, QString> Manifest::parse(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("not JSON: ") + error.errorString();
    if (!doc.isObject()) return QStringLiteral("not a JSON object");
    const QJsonObject o = doc.object();
    Manifest m;
    const auto text = [&o](const char* key, QString* out) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isString()) return false;
        *out = v.toString();
        return true;
    };
    for (const auto& [key, field] :
         {std::pair{"version", &m.version}, std::pair{"dmg_url", &m.dmgUrl},
          std::pair{"sha256", &m.sha256}, std::pair{"signature", &m.signature}}) {
        if (!text(key, field)) return QStringLiteral("\"%1\" is missing or not text").arg(key);
    }
    const QJsonValue build = o.value(QLatin1String("build"));
    const double b = build.toDouble(0.5);
    if (!build.isDouble() || std::floor(b) != b || std::fabs(b) > kMaxExactInteger)
        return QStringLiteral("\"build\" is missing or not an integer");
    m.build = qint64(b);
    for (const auto& [key, field] :
         {std::pair{"notes", &m.notes}, std::pair{"min_macos", &m.minMacos}}) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) continue;
        if (!v.isString()) return QStringLiteral("\"%1\" is not text").arg(key);
        *field = v.toString();
    }
    return m;
}

QByteArray Manifest::canonicalMessage() const {
    return (version + QLatin1Char('|') + QString::number(build) + QLatin1Char('|') + dmgUrl +
            QLatin1Char('|') + sha256)
        .toUtf8();
}

}  // namespace quenda
