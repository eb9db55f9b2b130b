#include "platform/desktop/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include "core/RegularFile.h"
#include "core/StoreFile.h"

namespace quenda {

AutostartEntry::AutostartEntry(QString configHome, QString program)
    : configHome_(std::move(configHome)), program_(std::move(program)) {}

QString AutostartEntry::defaultConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG base directory specification ignores a relative value.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString AutostartEntry::path() const {
    return configHome_ + QStringLiteral("/autostart/") + kFileName;
}

QString AutostartEntry::quoteExecArgument(const QString& argument) {
    // Inside double quotes the Exec line escapes ", `, $ and \ with a backslash; the desktop
    // entry format then escapes every backslash once more.
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += QStringLiteral("\\\\");
        if (c == u'%') {
            quoted += QStringLiteral("%%");
            continue;
        }
        quoted += c;
    }
    return u'"' + quoted + u'"';
}

QString AutostartEntry::contents() const {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Quenda\n"
               "Comment=Arrange windows and move text and files between them\n"
               "Exec=") +
           quoteExecArgument(program_) +
           QStringLiteral(
               "\n"
               "Icon=preferences-system-windows\n"
               "Terminal=false\n"
               "NoDisplay=true\n"
               "X-GNOME-Autostart-enabled=true\n");
}

bool AutostartEntry::isEnabled() {
    const auto text = readRegularFile(path(), 64 * 1024);
    if (!text) return false;
    for (const QByteArray& raw : text->split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

bool AutostartEntry::setEnabled(bool enabled, QString* error) {
    const QString file = path();
    if (!enabled) {
        if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink()) return true;
        QFile f(file);
        if (f.remove()) return true;
        if (error) *error = file + QStringLiteral(": ") + f.errorString();
        return false;
    }
    const QString folder = QFileInfo(file).absolutePath();
    // A folder that cannot be made shows in the write's own error.
    QDir().mkpath(folder);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(contents().toUtf8()) < 0 || !out.commit()) {
        if (error) *error = file + QStringLiteral(": ") + out.errorString();
        return false;
    }
    return true;
}

int AutostartEntry::removeLeftovers() const {
    return removeSaveLeftovers(QFileInfo(path()).absolutePath(),
                               QRegularExpression::escape(kFileName));
}

}  // namespace quenda
