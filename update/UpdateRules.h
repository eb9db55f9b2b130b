#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "update/Manifest.h"

namespace quenda {

// The version this copy of the program is.
struct RunningVersion {
    QString version = QStringLiteral("0");
    qint64 build = 0;
};

namespace update_rules {

// -1, 0 or 1 as `a` is older than, the same as or newer than `b`: dot-separated numbers
// compared position by position, a missing position counting as 0, pieces that are not
// integers left out (1.beta.3 counts as 1.3).
int compareVersion(const QString& a, const QString& b);

// Newer by version, or the same version text with a higher build.
bool isNewer(const Manifest& m, const RunningVersion& running);

// The manifest's signature checked against the public key (standard Base64 of 32 bytes).
bool verifyManifestSignature(const Manifest& m, const QString& publicKeyBase64);

// An https address on the update server (the feed's host and port).
bool isOfficialUrl(const QString& url, const QUrl& feed);

// SHA-256 of a file as 64 lower-case hexadecimal digits; nothing when it cannot be read.
std::optional<QString> sha256OfFile(const QString& path);
// Hexadecimal digests compared without regard to case.
bool sameDigest(const QString& a, const QString& b);

}  // namespace update_rules
}  // namespace quenda
