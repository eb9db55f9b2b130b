#include "update/Installation.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "update/ReleaseFile.h"
#include "update/UpdateRules.h"

namespace quenda {

namespace {

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The version folder a path lies in, when it lies inside `versions`.
std::optional<QString> versionFolderOf(const QString& path, const QString& versions) {
    const QString canonicalVersions = QFileInfo(versions).canonicalFilePath();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonicalVersions.isEmpty() || canonical.isEmpty()) return std::nullopt;
    const QString prefix = canonicalVersions + QLatin1Char('/');
    if (!canonical.startsWith(prefix)) return std::nullopt;
    const QString rest = canonical.mid(prefix.size());
    const QString folder = rest.section(QLatin1Char('/'), 0, 0);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

// Writes out everything of the filesystem that holds `tree` (the unpacked files and their
// folders); false when it cannot.
bool syncTree(const QString& tree) {
    const int fd = ::open(QFile::encodeName(tree).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

// Makes a rename inside `folder` last.
void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::optional<RunningVersion> Installation::versionOfFolder(const QString& folder) {
    const int dash = folder.lastIndexOf(QLatin1Char('-'));
    if (dash <= 0) return std::nullopt;
    bool ok = false;
    const qint64 build = folder.mid(dash + 1).toLongLong(&ok);
    if (!ok || build < 0) return std::nullopt;
    return RunningVersion{folder.left(dash), build};
}

std::optional<RunningVersion> Installation::currentVersion() const {
    const auto folder = currentFolderName();
    return folder ? versionOfFolder(*folder) : std::nullopt;
}

QString Installation::versions() const {
    return QDir(root_).filePath(QStringLiteral("versions"));
}
QString Installation::current() const {
    return QDir(root_).filePath(QStringLiteral("current"));
}
QString Installation::staging() const {
    return QDir(root_).filePath(QStringLiteral("staging"));
}
QString Installation::lockFile() const {
    return QDir(root_).filePath(QStringLiteral("install.lock"));
}

std::optional<QString> Installation::folderName(const QString& version, qint64 build) {
    static const QRegularExpression allowed(QStringLiteral("^[0-9A-Za-z_+~-][0-9A-Za-z._+~-]*$"));
    if (version.size() > 64 || !allowed.match(version).hasMatch()) return std::nullopt;
    return version + QLatin1Char('-') + QString::number(build);
}

bool Installation::manages(const QString& executable) const {
    return versionFolderOf(executable, versions()).has_value();
}

std::optional<QString> Installation::currentFolderName() const {
    const QFileInfo link(current());
    if (!link.isSymLink()) return std::nullopt;
    return versionFolderOf(current() + QStringLiteral("/."), versions());
}

void Installation::clearStaging() const {
    QDir(staging()).removeRecursively();
}

std::optional<UpdateError> Installation::install(
    const QString& archive, const QString& work, const QString& version, qint64 build,
    const QString& publicKeyBase64, ArchiveUnpacker& unpacker, const UnpackLimits& limits,
    const QString& executable, const L10n& l10n) const {
    const auto fail = [&l10n](UpdateError::Code code, QString detail) {
        return UpdateError::own(code, l10n, std::move(detail));
    };
    const auto name = folderName(version, build);
    if (!name) return fail(UpdateError::installFailed, QStringLiteral("unusable version text"));

    const QString tree = QDir(work).filePath(QStringLiteral("tree"));
    if (const auto refused = unpacker.unpack(archive, tree, limits))
        return fail(UpdateError::unpackFailed, *refused);
    QString detail;
    if (const auto code = checkReleasePrefix(tree, version, build, publicKeyBase64, &detail))
        return fail(*code, detail);

    const auto previous = currentFolderName();
    // Installed already by an earlier update that this copy has not restarted into.
    if (previous == *name) return std::nullopt;
    // A copy that has not restarted since an earlier update may run an older release than
    // `current` names: a release is installed only when it is newer than that one too.
    if (const auto installed = previous ? versionOfFolder(*previous) : std::nullopt) {
        Manifest offered;
        offered.version = version;
        offered.build = build;
        if (!update_rules::isNewer(offered, *installed))
            return fail(UpdateError::notNewer, QStringLiteral("current is ") + *previous);
    }
    // Everything unpacked reaches the disk before any name points at it: after a power cut
    // `current` names a complete release.
    if (!syncTree(tree))
        return fail(UpdateError::installFailed, tree + QStringLiteral(": ") + errnoText());

    if (!QDir().mkpath(versions()))
        return fail(UpdateError::installFailed, QStringLiteral("cannot create ") + versions());
    const QString target = QDir(versions()).filePath(*name);
    // A folder of the same name that is not current is what an earlier attempt left: it is
    // moved aside and replaced by the release just checked.
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        const QString aside = QDir(work).filePath(QStringLiteral("replaced"));
        if (std::rename(QFile::encodeName(target).constData(),
                        QFile::encodeName(aside).constData()) != 0)
            return fail(UpdateError::installFailed, target + QStringLiteral(": ") + errnoText());
    }
    if (std::rename(QFile::encodeName(tree).constData(), QFile::encodeName(target).constData()) !=
        0)
        return fail(UpdateError::installFailed, target + QStringLiteral(": ") + errnoText());
    syncFolder(versions());

    // The new link is made beside `current` and renamed over it: one atomic step.
    const QString fresh = current() + QStringLiteral(".new");
    ::unlink(QFile::encodeName(fresh).constData());
    const QByteArray linkText = QFile::encodeName(QStringLiteral("versions/") + *name);
    if (::symlink(linkText.constData(), QFile::encodeName(fresh).constData()) != 0)
        return fail(UpdateError::installFailed, fresh + QStringLiteral(": ") + errnoText());
    if (std::rename(QFile::encodeName(fresh).constData(),
                    QFile::encodeName(current()).constData()) != 0) {
        const QString text = errnoText();
        ::unlink(QFile::encodeName(fresh).constData());
        return fail(UpdateError::installFailed, current() + QStringLiteral(": ") + text);
    }
    syncFolder(root_);
    // The new release, the one it replaced and the one running now stay.
    prune(*name, previous.value_or(QString()),
          versionFolderOf(executable, versions()).value_or(QString()));
    return std::nullopt;
}

void Installation::prune(const QString& keep1, const QString& keep2, const QString& keep3) const {
    const QDir dir(versions());
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (entry == keep1 || entry == keep2 || entry == keep3) continue;
        const QString path = dir.filePath(entry);
        if (QFileInfo(path).isSymLink() || QFileInfo(path).isFile())
            QFile::remove(path);
        else
            QDir(path).removeRecursively();
    }
}

}  // namespace quenda
