#include "core/DamagedFile.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace quenda {

std::optional<QString> keepDamagedCopy(const QString& path, const QByteArray& contents,
                                       const QDateTime& when, QString* error) {
    const QString base = path + QStringLiteral(".damaged-") +
                         when.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = base;
    // lstat, so a dangling link already using the name counts as taken.
    struct stat existing {};
    for (int n = 2; ::lstat(QFile::encodeName(aside).constData(), &existing) == 0; ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    QSaveFile file(aside);
    const auto fail = [&] {
        if (error)
            *error = QStringLiteral("cannot write %1: %2")
                         .arg(QDir::toNativeSeparators(aside), file.errorString());
        return std::nullopt;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail();
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) return fail();
    file.write(contents);
    if (!file.commit()) return fail();
    return aside;
}

}  // namespace quenda
