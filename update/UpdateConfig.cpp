#include "update/UpdateConfig.h"

#include <QDir>
#include <QFile>

#include "update/ReleaseFile.h"

#ifndef QUENDA_VERSION
#define QUENDA_VERSION "0"
#endif
#ifndef QUENDA_BUILD
#define QUENDA_BUILD 0
#endif
#ifndef QUENDA_UPDATE_FEED_URL
#define QUENDA_UPDATE_FEED_URL "https://quenda.moorlake.com/api/updates/latest.json"
#endif
// The product's release key; builds for a release set their own with QUENDA_UPDATE_PUBLIC_KEY.
#ifndef QUENDA_UPDATE_PUBLIC_KEY
#define QUENDA_UPDATE_PUBLIC_KEY "ay199gyKqEWZhye9MQ+tH9/RmX+q4sEq1W/mwEnZ83I="
#endif

namespace quenda::update_config {

namespace {

QString shareDir(const QString& programDir) {
    return QDir::cleanPath(programDir + QStringLiteral("/../share/quenda"));
}

}  // namespace

RunningVersion builtInVersion() {
    return {QStringLiteral(QUENDA_VERSION), qint64(QUENDA_BUILD)};
}

RunningVersion runningVersion(const QString& programDir) {
    const QString path = QDir::cleanPath(programDir + QStringLiteral("/../") + ReleaseFile::kPath);
    if (const auto release = ReleaseFile::read(path)) return {release->version, release->build};
    return builtInVersion();
}

QString publicKey(const QString& programDir) {
    for (const QString& dir : {shareDir(programDir), programDir}) {
        QFile f(QDir(dir).filePath(kKeyFileName));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(f.read(4096)).trimmed();
        if (!text.isEmpty()) return text;
    }
    return QStringLiteral(QUENDA_UPDATE_PUBLIC_KEY);
}

QUrl feedUrl() {
    const QString override = qEnvironmentVariable(kFeedOverride);
    return QUrl(override.isEmpty() ? QStringLiteral(QUENDA_UPDATE_FEED_URL) : override);
}

UpdateManager::Config forProgram(const QString& programDir, const QString& executable,
                                 const QString& installRoot) {
    UpdateManager::Config c;
    c.feed = feedUrl();
    c.publicKeyBase64 = publicKey(programDir);
    c.running = runningVersion(programDir);
    c.installRoot = installRoot;
    c.executable = executable;
    return c;
}

}  // namespace quenda::update_config
