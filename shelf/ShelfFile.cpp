#include "shelf/ShelfFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/RegularFile.h"

namespace quenda::shelf {

namespace {
const QString kId = QStringLiteral("id");
const QString kKind = QStringLiteral("kind");
const QString kPath = QStringLiteral("path");
const QString kText = QStringLiteral("text");

std::optional<QString> optionalString(const QJsonObject& object, const QString& key, bool* ok) {
    const QJsonValue v = object.value(key);
    if (v.isUndefined() || v.isNull()) return std::nullopt;
    if (!v.isString()) *ok = false;
    return v.toString();
}

std::optional<ShelfItem> decodeItem(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject o = value.toObject();
    const QJsonValue id = o.value(kId), kind = o.value(kKind);
    if (!id.isString() || !kind.isString()) return std::nullopt;
    ShelfItem item;
    // Only the canonical form (either case); QUuid would also take braces.
    const QString idText = id.toString();
    item.id = QUuid::fromString(idText);
    if (idText.size() != 36 || idText.startsWith(QLatin1Char('{')) ||
        (item.id.isNull() && idText != QUuid().toString(QUuid::WithoutBraces)))
        return std::nullopt;
    const auto k = shelfKindFromName(kind.toString());
    if (!k) return std::nullopt;
    item.kind = *k;
    bool ok = true;
    item.path = optionalString(o, kPath, &ok);
    item.text = optionalString(o, kText, &ok);
    if (!ok) return std::nullopt;
    return item;
}
}  // namespace

QString path(const AppPaths& paths) {
    return QDir(paths.support()).filePath(QStringLiteral("estante.json"));
}

QString imagesFolder(const AppPaths& paths) {
    return paths.sub(QStringLiteral("estante"));
}

QByteArray encode(const std::vector<ShelfItem>& items) {
    QJsonArray array;
    for (const ShelfItem& item : items) {
        QJsonObject o;
        o.insert(kId, item.id.toString(QUuid::WithoutBraces).toUpper());
        o.insert(kKind, kindName(item.kind));
        if (item.path) o.insert(kPath, *item.path);
        if (item.text) o.insert(kText, *item.text);
        array.append(o);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<ShelfItem>> decode(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) return std::nullopt;
    const QJsonArray array = doc.array();
    std::vector<ShelfItem> items;
    items.reserve(array.size());
    for (const QJsonValue& value : array) {
        auto item = decodeItem(value);
        if (!item) return std::nullopt;
        items.push_back(std::move(*item));
    }
    return items;
}

bool stillThere(const ShelfItem& item) {
    if (item.kind == ShelfItem::Kind::text) return true;
    // A folder dragged onto the shelf is kept like a file: it is one thing to drag out.
    if (!item.path || item.path->isEmpty()) return false;
    const QFileInfo info(*item.path);
    return info.isFile() || info.isDir();
}

Loaded read(const QString& path) {
    using Status = RegularFileRead::Status;
    RegularFileRead file = readRegularFileChecked(path, kMaxFileBytes);
    switch (file.status) {
        case Status::Missing:
            return {FileState::absent, {}};
        case Status::NotRegular:
            return {FileState::notRegular, {}};
        case Status::TooLarge:
            return {FileState::tooLarge, {}};
        case Status::Unreadable:
            return {FileState::unreadable, {}};
        case Status::Read:
            break;
    }
    auto items = decode(file.contents);
    if (!items) return {FileState::damaged, {}};
    std::erase_if(*items, [](const ShelfItem& item) { return !stillThere(item); });
    return {FileState::good, std::move(*items)};
}

QString describe(FileState state, const QString& path) {
    const QString where = QDir::toNativeSeparators(path);
    switch (state) {
        case FileState::absent:
        case FileState::good:
            return {};
        case FileState::damaged:
            return QStringLiteral(
                       "the shelf %1 is damaged (not a shelf in JSON); the shelf starts empty "
                       "and the next change keeps the file aside as %2.damaged-TIME")
                .arg(where, QFileInfo(path).fileName());
        case FileState::notRegular:
            return QStringLiteral(
                       "the shelf %1 is not a regular file; the shelf starts empty and is never "
                       "written there")
                .arg(where);
        case FileState::tooLarge:
            return QStringLiteral(
                       "the shelf %1 is larger than 256 MiB; the shelf starts empty and the file "
                       "is left as it is")
                .arg(where);
        case FileState::unreadable:
            return QStringLiteral(
                       "the shelf %1 cannot be read; the shelf starts empty and the file is left "
                       "as it is")
                .arg(where);
    }
    return {};
}

}  // namespace quenda::shelf
