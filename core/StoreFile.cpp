#include "core/StoreFile.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include "core/DamagedFile.h"
#include "core/RegularFile.h"

namespace quenda {

namespace {
// Keeps a damaged file's bytes beside it; false when the file must be left as it is.
bool keepDamagedFileAside(const QString& path, qint64 maxBytes, const char* what,
                          StoreFileState& state) {
    // What is there now, which is what the next write would replace.
    const RegularFileRead damaged = readRegularFileChecked(path, maxBytes);
    switch (damaged.status) {
        case RegularFileRead::Status::Missing:
            return true;
        case RegularFileRead::Status::NotRegular:
            state = StoreFileState::notRegular;
            return false;
        case RegularFileRead::Status::TooLarge:
            state = StoreFileState::tooLarge;
            return false;
        case RegularFileRead::Status::Unreadable:
            state = StoreFileState::unreadable;
            return false;
        case RegularFileRead::Status::Read:
            break;
    }
    QString error;
    const auto aside =
        keepDamagedCopy(path, damaged.contents, QDateTime::currentDateTime(), &error);
    if (!aside) {
        qWarning("quenda: the damaged %s is left as it is: %s", what, qPrintable(error));
        return false;
    }
    qWarning("quenda: the damaged %s was kept as %s", what,
             qPrintable(QDir::toNativeSeparators(*aside)));
    return true;
}
}  // namespace

bool pathTaken(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

void saveStoreFile(const QString& path, qint64 maxBytes, const char* what, StoreFileState& state,
                   const QByteArray& bytes) {
    switch (state) {
        case StoreFileState::absent:
        case StoreFileState::good:
            break;
        case StoreFileState::damaged:
            if (!keepDamagedFileAside(path, maxBytes, what, state)) return;
            break;
        case StoreFileState::notRegular:
        case StoreFileState::tooLarge:
        case StoreFileState::unreadable:
            // What is there is not the store's to replace; once it is gone, saving resumes.
            if (pathTaken(path)) return;
            break;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return;
    file.write(bytes);
    if (!file.commit()) return;
    state = StoreFileState::good;
}

namespace {
// The regular files (never links) of `folder` whose names match `pattern` whole.
QStringList filesMatching(const QString& folder, const QRegularExpression& pattern) {
    QStringList found;
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.isSymLink() || !entry.isFile()) continue;
        if (pattern.match(entry.fileName()).hasMatch()) found << entry.absoluteFilePath();
    }
    return found;
}
}  // namespace

int removeSaveLeftovers(const QString& folder, const QString& namePattern) {
    const QRegularExpression leftover(QStringLiteral("^(?:%1)\\.[A-Za-z0-9]{6}$").arg(namePattern));
    int removed = 0;
    for (const QString& path : filesMatching(folder, leftover)) removed += QFile::remove(path);
    return removed;
}

int removeUnreferencedFiles(const QString& folder, const QString& namePattern,
                            const QStringList& kept) {
    const QRegularExpression own(QStringLiteral("^(?:%1)$").arg(namePattern));
    QStringList keptCanonical;
    for (const QString& path : kept) keptCanonical << QFileInfo(path).absoluteFilePath();
    int removed = 0;
    for (const QString& path : filesMatching(folder, own))
        if (!keptCanonical.contains(path)) removed += QFile::remove(path);
    return removed;
}

}  // namespace quenda
