#pragma once

#include <optional>
#include <variant>

#include <QByteArray>
#include <QString>

namespace quenda {

// The update feed's description of the latest release, with the JSON keys of the feed.
// "notes" and "min_macos" are carried but neither signed nor acted on.
struct Manifest {
    QString version;
    qint64 build = 0;
    QString dmgUrl;  // "dmg_url": the release archive
    QString sha256;
    QString signature;
    std::optional<QString> notes;
    std::optional<QString> minMacos;  // "min_macos"

    // A JSON object with every required key of its type; else what is wrong with it.
    static std::variant<Manifest, QString> parse(const QByteArray& json);

    // The signed message: version|build|dmg_url|sha256, each exactly as decoded, in UTF-8.
    QByteArray canonicalMessage() const;
};

}  // namespace quenda
