#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "core/AppPaths.h"
#include "core/StoreFile.h"
#include "shelf/ShelfItem.h"

namespace quenda::shelf {

// The shelf file, "estante.json": a compact JSON array of objects, newest first, each with
// the keys "id" (the UUID in upper case) and "kind" ("file" or "text"), and "path" or "text"
// when the item has one.

// "estante.json" in the program's folder (created when missing), and the folder "estante"
// beside it, where images that arrive without a file are kept.
QString path(const AppPaths& paths);
QString imagesFolder(const AppPaths& paths);

// Far larger than any shelf a user builds; a file beyond it is not read.
constexpr qint64 kMaxFileBytes = qint64(256) * 1024 * 1024;

QByteArray encode(const std::vector<ShelfItem>& items);

// The items of a shelf file, keys in any order (null counts as an absent optional key,
// unknown keys are ignored). Nothing for anything else: not JSON, not an array, an element
// that is not an object, "id" or "kind" missing, an unknown kind, a value of the wrong type,
// an id that is not a UUID.
std::optional<std::vector<ShelfItem>> decode(const QByteArray& bytes);

// Whether a loaded item is kept: every text, and a file only when its path names an existing
// file.
bool stillThere(const ShelfItem& item);

// What was found at the file's place.
using FileState = StoreFileState;

struct Loaded {
    FileState state = FileState::absent;
    // The items kept (`stillThere`), in file order; empty unless the state is good.
    std::vector<ShelfItem> items;
};

// Reads the shelf file, without ever blocking on something that is not a regular file.
Loaded read(const QString& path);

// Why a shelf file in this state gives an empty shelf, for one line on stderr; empty for
// absent and good.
QString describe(FileState state, const QString& path);

}  // namespace quenda::shelf
