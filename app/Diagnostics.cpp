#include "app/Diagnostics.h"

#include <QByteArray>
#include <QList>

namespace quenda {

namespace {
QString orUnknown(const QString& value) {
    return value.trimmed().isEmpty() ? QStringLiteral("?") : value.trimmed();
}
// One line never breaks the text into more: values read from the system are kept on theirs.
QString oneLine(QString value) {
    value.replace(u'\n', u' ').replace(u'\r', u' ');
    return value;
}
}  // namespace

QString diagnosticsText(const DiagnosticFacts& f) {
    const QStringList lines{
        QStringLiteral("Quenda Technical Diagnostic (no personal data)"),
        QStringLiteral("version: ") + oneLine(orUnknown(f.version)) + QStringLiteral(" (build ") +
            oneLine(orUnknown(f.build)) + QStringLiteral(")"),
        QStringLiteral("bundle: ") + oneLine(orUnknown(f.bundle)),
        QStringLiteral("localization: ") +
            oneLine(f.localization.trimmed().isEmpty() ? QStringLiteral("en") : f.localization),
        QStringLiteral("accessibilityTrusted: ") +
            (f.accessibilityTrusted ? QStringLiteral("true") : QStringLiteral("false")),
        QStringLiteral("activeHotKeys: ") + QString::number(f.activeHotKeys),
        QStringLiteral("displays: ") + QString::number(f.displays),
        QStringLiteral("distribution: ") + oneLine(orUnknown(f.distribution)),
        QStringLiteral("kernel: ") + oneLine(orUnknown(f.kernel)),
        QStringLiteral("xServer: ") + oneLine(orUnknown(f.xServer)),
        QStringLiteral("windowManager: ") + oneLine(orUnknown(f.windowManager)),
        QStringLiteral("screens: ") + oneLine(orUnknown(f.screens.join(QStringLiteral(", ")))),
    };
    return lines.join(u'\n');
}

QString distributionFromOsRelease(const QByteArray& osRelease) {
    QString pretty, name, version;
    for (const QByteArray& raw : osRelease.split('\n')) {
        const QByteArray line = raw.trimmed();
        const int eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArray key = line.left(eq);
        QString value = QString::fromUtf8(line.mid(eq + 1));
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        value.replace(QStringLiteral("\\\""), QStringLiteral("\""));
        if (key == "PRETTY_NAME") pretty = value;
        if (key == "NAME") name = value;
        if (key == "VERSION") version = value;
    }
    if (!pretty.isEmpty()) return pretty;
    return (name + u' ' + version).trimmed();
}

}  // namespace quenda
