#include "bridge/TextFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextBoundaryFinder>

namespace quenda {

namespace {

const QString kFallbackName = QStringLiteral("texto");

// The first `count` characters as the user sees them (a letter with its accents is one).
QString firstCharacters(const QString& s, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    qsizetype end = 0;
    for (int n = 0; n < count; ++n) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) return s;
        end = next;
    }
    return s.left(end);
}

// Letters, marks and digits of any script, or "-", "_" and space.
bool keptInName(char32_t c) {
    if (c == U'-' || c == U'_' || c == U' ') return true;
    switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
        case QChar::Number_Other:
            return true;
        default:
            return false;
    }
}

}  // namespace

QString TextFiles::baseName(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString title = lines.isEmpty() ? kFallbackName : lines.first();
    QString kept;
    for (char32_t c : firstCharacters(title, kTitleLength).toUcs4()) {
        if (keptInName(c)) kept += QString::fromUcs4(&c, 1);
    }
    qsizetype from = 0, to = kept.size();
    while (from < to && kept.at(from) == QLatin1Char(' ')) ++from;
    while (to > from && kept.at(to - 1) == QLatin1Char(' ')) --to;
    QString name = kept.mid(from, to - from);
    name.replace(QLatin1Char(' '), QLatin1Char('-'));
    return name.isEmpty() ? kFallbackName : name;
}

std::optional<QString> TextFiles::write(const QString& text) {
    const QDir folder(paths_.sub(kFolder));
    const QString stem =
        baseName(text) + QLatin1Char('-') + now_().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // The same title within the same second: the earlier file may already have been pasted
    // somewhere, so it is never replaced.
    QString path = folder.filePath(stem + QStringLiteral(".md"));
    for (int n = 2; QFileInfo(path).exists() || QFileInfo(path).isSymLink(); ++n)
        path = folder.filePath(stem + QStringLiteral("-%1.md").arg(n));

    QSaveFile file(path);
    // Texts come from the clipboard and may be private: the file is the user's alone.
    if (file.open(QIODevice::WriteOnly) &&
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.write(text.toUtf8());
        if (file.commit()) return path;
    }
    hud_.show(l10n_.format(QStringLiteral("hud_file_error"), {file.errorString()}),
              kMessageDuration);
    return std::nullopt;
}

}  // namespace quenda
