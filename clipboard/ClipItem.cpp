#include "clipboard/ClipItem.h"

#include <algorithm>
#include <cmath>

#include <QStringList>

namespace quenda {

namespace {
// The last component of a path, as a file URL names it: "/a/b/" gives "b".
QString lastComponent(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/')) --end;
    const QString trimmed = path.left(end);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || trimmed.size() == 1) return trimmed;
    return trimmed.mid(slash + 1);
}
}  // namespace

QDateTime ClipItem::dateTime() const {
    // A hand-edited date far outside any calendar is held to about 3,000 years either way,
    // where the conversion stays defined.
    const double unix = std::clamp(date + kReferenceDateInUnixTime, -1e11, 1e11);
    const double ms = std::floor(unix * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC);
}

std::vector<QUrl> ClipItem::urls() const {
    std::vector<QUrl> urls;
    if (!paths) return urls;
    urls.reserve(paths->size());
    for (const QString& path : *paths) urls.push_back(QUrl::fromLocalFile(path));
    return urls;
}

QString ClipItem::preview(const L10n& l10n) const {
    switch (kind) {
        case Kind::text:
            return firstCharacters(text.value_or(QString()).trimmed(), kPreviewLength);
        case Kind::image:
            return l10n.t(QStringLiteral("clip_preview_image"));
        case Kind::files: {
            QStringList names;
            for (const QString& path : paths.value_or(std::vector<QString>()))
                names << lastComponent(path);
            if (names.size() == 1) return names.front();
            return l10n.format(QStringLiteral("clip_preview_files"),
                               {qint64(names.size()), names.mid(0, 4).join(QStringLiteral(", "))});
        }
    }
    return {};
}

QString kindName(ClipItem::Kind kind) {
    switch (kind) {
        case ClipItem::Kind::text:
            return QStringLiteral("text");
        case ClipItem::Kind::image:
            return QStringLiteral("image");
        case ClipItem::Kind::files:
            return QStringLiteral("files");
    }
    return {};
}

std::optional<ClipItem::Kind> kindFromName(const QString& name) {
    for (const auto kind : {ClipItem::Kind::text, ClipItem::Kind::image, ClipItem::Kind::files})
        if (kindName(kind) == name) return kind;
    return std::nullopt;
}

QString firstCharacters(const QString& text, int count) {
    if (count < 0 || text.size() <= count) return text;
    if (count > 0 && text.at(count - 1).isHighSurrogate()) --count;
    return text.left(count);
}

bool isBlank(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

}  // namespace quenda
