#include "update/ReleaseFile.h"

#include <set>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "update/Ed25519.h"

namespace quenda {

namespace {

constexpr qint64 kMaxReleaseFileBytes = 4 << 20;

bool isDigest(const QString& s) {
    if (s.size() != 64) return false;
    for (const QChar c : s) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    return true;
}

// A relative path inside the prefix, with no way out of it and nothing that would break a
// line of the signed message.
bool isPlainPath(const QString& p) {
    if (p.isEmpty() || p.startsWith(QLatin1Char('/')) || p.contains(QLatin1Char('\n')) ||
        p.contains(QLatin1Char('\r')) || p.contains(QLatin1Char('\\')))
        return false;
    for (const QString& part : p.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

}  // namespace

std::optional<ReleaseFile> ReleaseFile::read(const QString& path) {
    QFile f(path);
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || info.size() > kMaxReleaseFileBytes ||
        !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    if (!doc.isObject()) return std::nullopt;
    const QJsonObject o = doc.object();
    ReleaseFile r;
    const QJsonValue build = o.value(QLatin1String("build"));
    if (!o.value(QLatin1String("version")).isString() || !build.isDouble() ||
        build.toDouble() != double(build.toInteger()) ||
        !o.value(QLatin1String("signature")).isString() ||
        !o.value(QLatin1String("files")).isObject())
        return std::nullopt;
    r.version = o.value(QLatin1String("version")).toString();
    // The version is a line of the signed message: a line break in it would let one signed
    // message be read as another release.
    if (r.version.contains(QLatin1Char('\n')) || r.version.contains(QLatin1Char('\r')))
        return std::nullopt;
    r.build = build.toInteger();
    r.signature = o.value(QLatin1String("signature")).toString();
    const QJsonObject files = o.value(QLatin1String("files")).toObject();
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString digest = it.value().toString().toLower();
        if (!isPlainPath(it.key()) || !isDigest(digest)) return std::nullopt;
        r.files[it.key()] = digest;
    }
    return r;
}

QByteArray ReleaseFile::signedMessage() const {
    QByteArray m = "quenda-release\n" + version.toUtf8() + '\n' + QByteArray::number(build) + '\n';
    // Sorted by the UTF-8 bytes of the path, as the signing tool sorts them.
    std::map<QByteArray, QByteArray> sorted;
    for (const auto& [path, digest] : files) sorted[path.toUtf8()] = digest.toLatin1();
    for (const auto& [path, digest] : sorted) m += digest + "  " + path + '\n';
    return m;
}

std::optional<UpdateError::Code> checkReleasePrefix(const QString& prefix, const QString& version,
                                                    qint64 build, const QString& publicKeyBase64,
                                                    QString* detail) {
    const QDir dir(prefix);
    const QFileInfo program(dir.filePath(kProgramInPrefix));
    if (program.isSymLink() || !program.isFile() || !program.isExecutable()) {
        *detail = kProgramInPrefix + QStringLiteral(" is missing or not an executable file");
        return UpdateError::programMissing;
    }
    const auto release = ReleaseFile::read(dir.filePath(ReleaseFile::kPath));
    if (!release) {
        *detail = ReleaseFile::kPath + QStringLiteral(" is missing or unreadable");
        return UpdateError::releaseFileUnreadable;
    }
    if (release->version != version || release->build != build) {
        *detail = QStringLiteral("the release file names %1 (build %2), the manifest %3 (build %4)")
                      .arg(release->version)
                      .arg(release->build)
                      .arg(version)
                      .arg(build);
        return UpdateError::releaseFileMismatch;
    }
    const auto key = ed25519::decodeBase64(publicKeyBase64);
    const auto signature = ed25519::decodeLooseBase64(release->signature);
    if (!key || !signature || !ed25519::verify(*key, release->signedMessage(), *signature)) {
        *detail = QStringLiteral("the release file's signature does not verify");
        return UpdateError::releaseFileInvalid;
    }
    // Every file of the prefix is listed with its digest, and every listed file is there.
    std::set<QString> seen;
    QDirIterator it(prefix, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = dir.relativeFilePath(info.filePath());
        if (info.isSymLink() || !(info.isDir() || info.isFile())) {
            *detail = rel + QStringLiteral(" is not a plain file or folder");
            return UpdateError::releaseFileInvalid;
        }
        if (info.isDir() || rel == ReleaseFile::kPath) continue;
        const auto listed = release->files.find(rel);
        const auto digest = update_rules::sha256OfFile(info.filePath());
        if (listed == release->files.end() || !digest || *digest != listed->second) {
            *detail = rel + QStringLiteral(" is not the file the release file signs");
            return UpdateError::releaseFileInvalid;
        }
        seen.insert(rel);
    }
    for (const auto& [path, digest] : release->files) {
        if (!seen.count(path)) {
            *detail = path + QStringLiteral(" is signed but missing");
            return UpdateError::releaseFileInvalid;
        }
    }
    return std::nullopt;
}

}  // namespace quenda
