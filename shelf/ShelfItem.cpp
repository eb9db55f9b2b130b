#include "shelf/ShelfItem.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace quenda {

bool ShelfItem::isImage() const {
    if (!path || path->isEmpty()) return false;
    static const QMimeDatabase types;
    const QMimeType type = types.mimeTypeForFile(*path, QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() && type.name().startsWith(QLatin1String("image/"));
}

QString ShelfItem::fileName() const {
    if (!path) return {};
    return QFileInfo(*path).fileName();
}

QString kindName(ShelfItem::Kind kind) {
    return kind == ShelfItem::Kind::file ? QStringLiteral("file") : QStringLiteral("text");
}

std::optional<ShelfItem::Kind> shelfKindFromName(const QString& name) {
    if (name == QLatin1String("file")) return ShelfItem::Kind::file;
    if (name == QLatin1String("text")) return ShelfItem::Kind::text;
    return std::nullopt;
}

}  // namespace quenda
