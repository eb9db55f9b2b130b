#include "core/AppPaths.h"

#include <QDir>

namespace quenda {

namespace {
QString ensured(const QString& path) {
    QDir().mkpath(path);
    return path;
}
}  // namespace

QString AppPaths::support() const {
    return ensured(QDir(folders_.applicationSupport()).filePath(QStringLiteral("Quenda")));
}

QString AppPaths::sub(const QString& name) const {
    return ensured(QDir(support()).filePath(name));
}

}  // namespace quenda
