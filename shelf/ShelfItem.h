#pragma once

#include <cstdint>
#include <optional>

#include <QString>
#include <QUuid>

namespace quenda {

// One thing on the shelf: a file, referred to where it is, or a snippet of text.
struct ShelfItem {
    enum class Kind : uint8_t { file, text };

    QUuid id;
    Kind kind = Kind::text;
    // The file's path (kind file).
    std::optional<QString> path;
    // The text (kind text).
    std::optional<QString> text;

    friend bool operator==(const ShelfItem&, const ShelfItem&) = default;

    // The path's extension names an image type ("png", "jpg", "svg"...); false without a path
    // or for an extension no type knows.
    bool isImage() const;
    // The file's name, the last component of its path; empty without a path.
    QString fileName() const;
};

// "file" and "text": the names the shelf file uses.
QString kindName(ShelfItem::Kind kind);
std::optional<ShelfItem::Kind> shelfKindFromName(const QString& name);

}  // namespace quenda
