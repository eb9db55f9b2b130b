#pragma once

#include <map>
#include <optional>

#include <QByteArray>
#include <QString>

#include "update/UpdateError.h"
#include "update/UpdateRules.h"

namespace quenda {

// The signed description that every release carries inside its install prefix, in place of
// a platform code signature: its version and build, and the SHA-256 of every file of the
// release. Written by scripts/quenda-release.py.
struct ReleaseFile {
    // Where it lies inside a prefix.
    static inline const QString kPath = QStringLiteral("share/quenda/release.json");

    QString version;
    qint64 build = 0;
    std::map<QString, QString> files;  // path inside the prefix -> lower-case SHA-256
    QString signature;

    static std::optional<ReleaseFile> read(const QString& path);
    // "quenda-release", the version and the build on lines of their own, then one line per
    // file, sorted by path: its digest, two spaces, its path.
    QByteArray signedMessage() const;
};

// Checks an unpacked prefix: the program is there, the release file reads, names this version
// and build, is signed with the key, and lists exactly the prefix's files with their digests.
// Nothing when all holds; else the error's code, with what failed in `detail`.
std::optional<UpdateError::Code> checkReleasePrefix(const QString& prefix, const QString& version,
                                                    qint64 build, const QString& publicKeyBase64,
                                                    QString* detail);

// The program inside a prefix.
inline const QString kProgramInPrefix = QStringLiteral("bin/quenda");

}  // namespace quenda
